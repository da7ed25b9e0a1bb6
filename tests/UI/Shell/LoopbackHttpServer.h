#pragma once
// A small HTTP server on the loop-back interface for the update check's tests: each path answers with a status
// and a body, after a delay of its own (a server that answers late), and the requests are counted by path. It
// serves on the GUI thread, so the tests wait for it with QTest::qWaitFor.

#include <QByteArray>
#include <QHash>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

namespace quellsy::test {

class LoopbackHttpServer {
 public:
  struct Answer {
    int status = 200;
    QByteArray body;
    int delayMs = 0;
  };

  LoopbackHttpServer() {
    server_.listen(QHostAddress::LocalHost);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        socket->setParent(&server_);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { Read(socket); });
      }
    });
  }

  void Serve(const QString& path, Answer answer) { answers_[path] = std::move(answer); }
  QUrl Url(const QString& path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
  }
  int Requests(const QString& path) const { return requests_.value(path); }

  // An address on which nobody listens: a port this server had and gave back.
  static QUrl ClosedUrl() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port));
  }

 private:
  void Read(QTcpSocket* socket) {
    QByteArray& request = pending_[socket];
    request += socket->readAll();
    if (!request.contains("\r\n\r\n")) return;
    const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
    const QString path = words.size() > 1 ? QString::fromLatin1(words[1]) : QString();
    pending_.remove(socket);
    ++requests_[path];
    const Answer answer = answers_.value(path, Answer{404, "not here", 0});
    QPointer<QTcpSocket> alive(socket);
    QTimer::singleShot(answer.delayMs, socket, [alive, answer] {
      if (!alive) return;
      alive->write("HTTP/1.1 " + QByteArray::number(answer.status) + " Answer\r\nContent-Type: application/xml\r\n"
                   "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\nConnection: close\r\n\r\n" +
                   answer.body);
      alive->disconnectFromHost();
    });
  }

  QTcpServer server_;
  QHash<QString, Answer> answers_;
  QHash<QString, int> requests_;
  QHash<QTcpSocket*, QByteArray> pending_;
};

}  // namespace quellsy::test
