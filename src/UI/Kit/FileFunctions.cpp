#include "UI/Kit/FileFunctions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "Platform/AtomicFile.h"
#include "Utility/CatchExeception.h"

namespace quellsy::ui {
namespace {

void LogFailure(const char* function, const QString& what) {
  CatchExeception::WriteLog("in %s in FileFunctions: %s\r\n", function, qPrintable(what));
}

bool IsPlainName(const QString& name) {
  return !name.isEmpty() && name != QStringLiteral(".") && name != QStringLiteral("..") &&
         !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

std::optional<QString> ProgramPath() {
  const QString path = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
  if (path.isEmpty()) return std::nullopt;
  return path;
}

}  // namespace

std::optional<QByteArray> createFileSystemRepresentationOfString(const QString& text) {
  if (text.contains(QChar(0))) return std::nullopt;
  return QFile::encodeName(text);
}

QString createStringWithDate(const QDateTime& date, const QLocale& locale) {
  // The long time form without its time zone: the time with seconds.
  QString time = locale.timeFormat(QLocale::LongFormat);
  time.remove(QRegularExpression(QStringLiteral("\\s*\\bt+\\b"))).replace(QRegularExpression(QStringLiteral("\\s+$")), QString());
  return locale.toString(date, locale.dateFormat(QLocale::ShortFormat) + QLatin1Char(' ') + time);
}

std::optional<QString> createStringWithContentsOfFile(const QString& path, QStringConverter::Encoding encoding) {
  const auto bytes = readFile(QFile::encodeName(path).constData());
  if (!bytes) return std::nullopt;
  QStringDecoder decoder(QStringConverter::encodingForData(*bytes).value_or(encoding),
                         QStringConverter::Flag::Stateless);
  QString text = decoder.decode(*bytes);
  if (decoder.hasError()) {
    LogFailure("createStringWithContentsOfFile", QStringLiteral("%1 is no text in that encoding").arg(path));
    return std::nullopt;
  }
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  return text;
}

QString createStringWithStringAndCharacterAndString(const std::optional<QString>& first, char16_t c,
                                                    const std::optional<QString>& second) {
  QString text = first.value_or(QString());
  if (c != 0xFFFF) text += QChar(c);
  return text + second.value_or(QString());
}

std::optional<QByteArray> copyCString(const QString& text, QStringConverter::Encoding encoding) {
  QStringEncoder encoder(encoding, QStringConverter::Flag::Stateless);
  QByteArray bytes = encoder.encode(text);
  // An encoder puts '?' for what it cannot write: only a form that reads back as the text counts.
  QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
  if (encoder.hasError() || QString(decoder.decode(bytes)) != text) return std::nullopt;
  return bytes;
}

std::optional<QString> copyCurrentProcessName() {
  const auto path = ProgramPath();
  if (!path) {
    LogFailure("copyCurrentProcessName", QStringLiteral("the running program has no path"));
    return std::nullopt;
  }
  return QFileInfo(*path).fileName();
}

std::optional<QString> copyCurrentProcessPath() {
  const auto path = ProgramPath();
  if (!path) LogFailure("copyCurrentProcessPath", QStringLiteral("the running program has no path"));
  return path;
}

std::optional<QUrl> copyCurrentProcessURL() {
  const auto path = copyCurrentProcessPath();
  if (!path) return std::nullopt;
  return QUrl::fromLocalFile(*path);
}

std::optional<QString> copyTemporaryFolderPath() {
  const QString given = qEnvironmentVariable("TMPDIR");
  const QString path = QDir::cleanPath(given.startsWith(QLatin1Char('/')) ? given : QStringLiteral("/tmp"));
  if (!QDir().mkpath(path)) {
    LogFailure("copyTemporaryFolderPath", QStringLiteral("%1 could not be made").arg(path));
    return std::nullopt;
  }
  return path;
}

std::optional<QUrl> copyTemporaryFolderURL() {
  const auto path = copyTemporaryFolderPath();
  if (!path) return std::nullopt;
  return QUrl::fromLocalFile(*path);
}

std::optional<QByteArray> readFile(const char* path) {
  if (path == nullptr) return std::nullopt;
  QFile file(QFile::decodeName(path));
  if (!file.open(QIODevice::ReadOnly) || file.isSequential() || file.size() > kMaxWholeFileBytes) {
    LogFailure("readFile", QStringLiteral("%1 could not be read whole").arg(file.fileName()));
    return std::nullopt;
  }
  QByteArray bytes = file.readAll();
  if (bytes.size() != file.size()) return std::nullopt;
  return bytes;
}

QString createStringWithAddressData(const QByteArray& address) {
  sa_family_t family = AF_UNSPEC;
  if (static_cast<std::size_t>(address.size()) >= sizeof family)
    std::memcpy(&family, address.constData() + offsetof(sockaddr, sa_family), sizeof family);
  char text[INET6_ADDRSTRLEN] = {};
  if (family == AF_INET) {
    sockaddr_in in{};
    if (static_cast<std::size_t>(address.size()) < sizeof in) return QStringLiteral("IPv4 un-ntopable");
    std::memcpy(&in, address.constData(), sizeof in);
    if (!inet_ntop(AF_INET, &in.sin_addr, text, sizeof text)) return QStringLiteral("IPv4 un-ntopable");
    return QStringLiteral("%1:%2").arg(QString::fromLatin1(text)).arg(ntohs(in.sin_port));
  }
  if (family == AF_INET6) {
    sockaddr_in6 in6{};
    if (static_cast<std::size_t>(address.size()) < sizeof in6) return QStringLiteral("IPv6 un-ntopable");
    std::memcpy(&in6, address.constData(), sizeof in6);
    if (!inet_ntop(AF_INET6, &in6.sin6_addr, text, sizeof text)) return QStringLiteral("IPv6 un-ntopable");
    return QStringLiteral("[%1]:%2").arg(QString::fromLatin1(text)).arg(ntohs(in6.sin6_port));
  }
  return QStringLiteral("neither IPv6 nor IPv4");
}

std::optional<QString> createHostNameForAddressData(const QByteArray& address) {
  sockaddr_storage storage{};
  if (address.isEmpty() || static_cast<std::size_t>(address.size()) > sizeof storage) return std::nullopt;
  std::memcpy(&storage, address.constData(), static_cast<std::size_t>(address.size()));
  char host[NI_MAXHOST] = {};
  const int error = getnameinfo(reinterpret_cast<const sockaddr*>(&storage), static_cast<socklen_t>(address.size()),
                                host, sizeof host, nullptr, 0, NI_NAMEREQD);
  if (error != 0) {
    LogFailure("createHostNameForAddressData", QString::fromLocal8Bit(gai_strerror(error)));
    return std::nullopt;
  }
  return QString::fromLatin1(host);
}

std::optional<QUrl> createURLByMakingDirectoryAtURLWithName(const std::optional<QUrl>& parent,
                                                            const std::optional<QString>& name) {
  QString folder;
  QString part;
  if (!parent) {
    folder = QDir::currentPath();
    if (!name) return QUrl::fromLocalFile(folder);
    part = *name;
  } else {
    if (!parent->isLocalFile()) return std::nullopt;
    const QString parentPath = QDir::cleanPath(parent->toLocalFile());
    if (name) {
      folder = parentPath;
      part = *name;
    } else {
      folder = QFileInfo(parentPath).path();
      part = QFileInfo(parentPath).fileName();
    }
  }
  if (!IsPlainName(part)) {
    LogFailure("createURLByMakingDirectoryAtURLWithName", QStringLiteral("\"%1\" is no folder name").arg(part));
    return std::nullopt;
  }
  const QString path = QDir(folder).filePath(part);
  if (mkdir(QFile::encodeName(path).constData(), 0777) != 0 && !(errno == EEXIST && QFileInfo(path).isDir())) {
    LogFailure("createURLByMakingDirectoryAtURLWithName",
               QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    return std::nullopt;
  }
  return QUrl::fromLocalFile(path);
}

std::optional<QUrl> createURLByCopyingFileFromURLToDirectoryURL(const QUrl& file, const QUrl& directory) {
  if (!file.isLocalFile() || !directory.isLocalFile()) return std::nullopt;
  const QString source = file.toLocalFile();
  const QString target = QDir(directory.toLocalFile()).filePath(QFileInfo(source).fileName());
  const int in = open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  struct stat status {};
  if (in < 0 || fstat(in, &status) != 0 || !S_ISREG(status.st_mode)) {
    LogFailure("createURLByCopyingFileFromURLToDirectoryURL", QStringLiteral("%1 is no readable file").arg(source));
    if (in >= 0) close(in);
    return std::nullopt;
  }
  const int out = open(QFile::encodeName(target).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC,
                       status.st_mode & 07777);
  // An older file of that name takes the source's permission bits too.
  bool copied = out >= 0 && fchmod(out, status.st_mode & 07777) == 0;
  std::vector<char> buffer(copied ? static_cast<std::size_t>(kCopyBufferBytes) : 0);
  while (copied) {
    const ssize_t got = read(in, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      copied = got == 0;
      break;
    }
    copied = platform::WriteWhole(out, buffer.data(), static_cast<std::size_t>(got));
  }
  close(in);
  if (out >= 0 && close(out) != 0) copied = false;
  if (!copied) {
    LogFailure("createURLByCopyingFileFromURLToDirectoryURL", QStringLiteral("%1 could not be written").arg(target));
    return std::nullopt;
  }
  return QUrl::fromLocalFile(target);
}

std::optional<platform::PlistDocument> createPropertyListFromURL(const QUrl& url, PropertyListFormat* format,
                                                                 QString* error) {
  const auto fail = [&](const QString& why) -> std::optional<platform::PlistDocument> {
    if (error) *error = why;
    LogFailure("createPropertyListFromURL", why);
    return std::nullopt;
  };
  if (!url.isLocalFile()) return fail(QStringLiteral("%1 is no local file").arg(url.toString()));
  const auto bytes = readFile(QFile::encodeName(url.toLocalFile()).constData());
  if (!bytes) return fail(QStringLiteral("%1 could not be read").arg(url.toLocalFile()));
  auto document = platform::PlistDocument::FromMemory(
      ByteSpan(reinterpret_cast<const std::uint8_t*>(bytes->constData()), static_cast<std::size_t>(bytes->size())));
  if (!document) return fail(QStringLiteral("%1 holds no property list").arg(url.toLocalFile()));
  if (format) *format = bytes->startsWith("bplist") ? PropertyListFormat::kBinary : PropertyListFormat::kXml;
  return document;
}

}  // namespace quellsy::ui
