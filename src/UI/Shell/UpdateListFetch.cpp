#include "UI/Shell/UpdateListFetch.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <functional>

#include "UI/Shell/KDLinkUrl.h"

namespace quellsy::ui {
namespace {

bool IsWebAddress(const QUrl& url) {
  return url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"));
}

// Lives on the fetch's thread: the network manager, its replies and their time-outs are made and ended there.
class FetchWorker : public QObject {
  Q_OBJECT

 public:
  FetchWorker(UpdateCheckAddresses addresses, int timeoutMs) : addresses_(std::move(addresses)), timeoutMs_(timeoutMs) {}

  void Run() {
    manager_ = new QNetworkAccessManager(this);
    Get(addresses_.probe, [this](QNetworkReply* reply) {
      // Any answer at all, an error page included, shows that the network works.
      result_.network = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
      if (!result_.network) return Finish();
      Get(addresses_.list, [this](QNetworkReply* listReply) {
        const int status = listReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (listReply->error() == QNetworkReply::NoError && status >= 200 && status < 300 &&
            listReply->bytesAvailable() <= UpdateListFetch::kMaxListBytes)
          result_.list = ParseUpdateVersionList(listReply->readAll());
        Finish();
      });
    });
  }

 signals:
  void done(const quellsy::ui::UpdateCheckResult& result);

 private:
  void Get(const QUrl& url, std::function<void(QNetworkReply*)> then) {
    if (!IsWebAddress(url)) return Finish();
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(timeoutMs_);
    QNetworkReply* reply = manager_->get(request);
    // The whole request, not only its silences, gets the time-out; an answer too large is cut off.
    QTimer::singleShot(timeoutMs_, reply, &QNetworkReply::abort);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
      if (received > UpdateListFetch::kMaxListBytes) reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [reply, then = std::move(then)] {
      reply->deleteLater();
      then(reply);
    });
  }

  void Finish() {
    emit done(result_);
    thread()->quit();
  }

  const UpdateCheckAddresses addresses_;
  const int timeoutMs_;
  QNetworkAccessManager* manager_ = nullptr;
  UpdateCheckResult result_;
};

}  // namespace

UpdateCheckAddresses UpdateListFetch::AddressesFromLinks() {
  const auto text = [](const char* key, const char* fallback) {
    return QUrl(QString::fromStdString(KDLinkUrl::GetUrl(key).value_or(fallback)));
  };
  return {text("IniURL", ""), text("NetworkCheckURL", kDefaultProbe)};
}

UpdateListFetch::UpdateListFetch(const UpdateCheckAddresses& addresses, int timeoutMs, QObject* parent)
    : QObject(parent) {
  qRegisterMetaType<UpdateCheckResult>();
  thread_.setObjectName(QStringLiteral("update check"));
  auto* worker = new FetchWorker(addresses, timeoutMs);
  worker->moveToThread(&thread_);
  connect(&thread_, &QThread::started, worker, &FetchWorker::Run);
  connect(&thread_, &QThread::finished, worker, &QObject::deleteLater);
  connect(worker, &FetchWorker::done, this, &UpdateListFetch::finished, Qt::QueuedConnection);
  thread_.start();
}

UpdateListFetch::~UpdateListFetch() {
  thread_.quit();
  thread_.wait();
}

}  // namespace quellsy::ui

#include "UpdateListFetch.moc"
