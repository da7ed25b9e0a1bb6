#include "UI/Kit/TypeIcons.h"

#include <sys/stat.h>

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QMimeDatabase>
#include <QPainter>
#include <QPainterPath>
#include <array>

#include "Bridge/FileTypeCatalogue.h"
#include "UI/Kit/Fonts.h"
#include "UI/Kit/NamedImages.h"

namespace quellsy::ui {
namespace {

constexpr int kSmallestBadgedIcon = 40;
constexpr int kDocument = 1, kPicture = 2, kMovie = 4, kMusic = 8, kArchives = 16, kEmail = 32, kOther = 64;

const FileTypeCatalogue& Catalogue() {
  static const FileTypeCatalogue catalogue = FileTypeCatalogue::FromFile(FileTypeCatalogue::InstalledPath());
  return catalogue;
}

QString CleanExtension(const QString& extension) {
  const qsizetype dot = extension.lastIndexOf(QLatin1Char('.'));
  return (dot >= 0 ? extension.mid(dot + 1) : extension).toLower();
}

int GroupOfMime(const QMimeType& mime) {
  const QString name = mime.name();
  if (!mime.isValid() || mime.isDefault()) return 0;
  if (name.startsWith("image/")) return kPicture;
  if (name.startsWith("video/")) return kMovie;
  if (name.startsWith("audio/")) return kMusic;
  if (name.startsWith("message/") || name == "application/mbox" || name == "application/vnd.ms-outlook")
    return kEmail;
  static const std::array<const char*, 9> kArchiveWords{"zip", "tar", "rar", "7z", "compressed", "archive",
                                                        "gzip", "bzip", "xz"};
  for (const char* word : kArchiveWords)
    if (name.contains(QLatin1String(word)) && !name.contains("openxmlformats") && !name.contains("opendocument"))
      return kArchives;
  if (name.startsWith("text/") || name == "application/pdf" || name == "application/rtf" ||
      name.startsWith("application/vnd.oasis.opendocument") || name.startsWith("application/vnd.openxmlformats") ||
      name.startsWith("application/vnd.ms-") || name == "application/msword" || mime.inherits("text/plain"))
    return kDocument;
  return kOther;
}

// "2IconImage" for documents ... "8IconImage" for other files.
QString GroupDrawing(int group) {
  int kind = 8;
  for (int bit = kDocument, icon = 2; bit <= kOther; bit <<= 1, ++icon)
    if (bit == group) kind = icon;
  return QString::number(kind) + QStringLiteral("IconImage");
}

void DrawBadge(QImage& image, const QString& text) {
  const QSizeF size = image.deviceIndependentSize();
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  QFont font = NamedFont(QStringLiteral("Helvetica-Bold"), std::max(6.0, size.height() * 0.24));
  painter.setFont(font);
  const QString label = text.left(4).toUpper();
  const qreal textWidth = painter.fontMetrics().horizontalAdvance(label);
  const qreal height = size.height() * 0.34;
  const qreal width = std::min(size.width(), textWidth + height * 0.6);
  const QRectF badge((size.width() - width) / 2, size.height() - height - size.height() * 0.06, width, height);
  QPainterPath path;
  path.addRoundedRect(badge, height * 0.25, height * 0.25);
  painter.fillPath(path, QColor(0x2b, 0x34, 0x40, 230));
  painter.setPen(Qt::white);
  painter.drawText(badge, Qt::AlignCenter, label);
}

// A folder on another device than its parent folder: where a volume is mounted.
bool IsMountPoint(const QString& path) {
  struct stat own {};
  struct stat parent {};
  const QByteArray local = QFile::encodeName(path);
  return stat(local.constData(), &own) == 0 &&
         (stat((local + "/..").constData(), &parent) != 0 || own.st_dev != parent.st_dev || own.st_ino == parent.st_ino);
}

}  // namespace

int TypeGroupOfExtension(const QString& extension) {
  const QString clean = CleanExtension(extension);
  if (clean.isEmpty()) return 0;
  const std::string key = clean.toStdString();
  if (Catalogue().Knows(key)) return static_cast<int>(Catalogue().GroupOf(key));
  static const QMimeDatabase database;
  return GroupOfMime(database.mimeTypeForFile(QStringLiteral("x.") + clean, QMimeDatabase::MatchExtension));
}

QImage TypeIcon(const QString& extension, QSize size) {
  const int group = TypeGroupOfExtension(extension);
  if (group == 0) return QImage();
  QImage image = NamedImages::Image(GroupDrawing(group), size);
  // A badge smaller than this could not be read: small icons are the group's drawing alone.
  if (image.isNull() || size.height() < kSmallestBadgedIcon) return image;
  image.detach();  // the cached drawing stays without the badge
  DrawBadge(image, CleanExtension(extension));
  return image;
}

QByteArray copyIconDataForPath(const QString& path) {
  const QFileInfo info(path);
  if (path.isEmpty() || !info.exists()) return QByteArray();
  QImage icon;
  if (!info.isDir() && !info.isFile())
    icon = NamedImages::Image(QStringLiteral("icon_disk"), QSize(32, 32));
  else if (info.isDir())
    icon = NamedImages::Image(IsMountPoint(path) ? QStringLiteral("0IconImage") : QStringLiteral("1IconImage"),
                              QSize(32, 32));
  else
    icon = TypeIcon(info.suffix());
  if (icon.isNull()) icon = NamedImages::Image(QStringLiteral("8IconImage"), QSize(32, 32));
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "tiff");
  if (!writer.write(icon)) return QByteArray();
  return data;
}

}  // namespace quellsy::ui
