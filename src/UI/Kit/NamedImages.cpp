#include "UI/Kit/NamedImages.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>
#include <array>
#include <cmath>
#include <cstring>
#include <mutex>
#include <optional>

namespace quellsy::ui {
namespace {

constexpr const char* kFolder = ":/images/";
constexpr qsizetype kMaxCached = 1024;

enum class Look { kNormal, kHover, kPress, kDisable };

struct LookSuffix {
  const char* suffix;
  Look look;
};
constexpr std::array<LookSuffix, 4> kSuffixes{{
    {"_normal", Look::kNormal}, {"_hover", Look::kHover}, {"_press", Look::kPress}, {"_disable", Look::kDisable}}};

// The drawings' palette and what each colour becomes in the other looks: hover lighter, press darker, disabled
// grey. The drawings write these colours in lower case; colours outside the palette (white, shadows) stay.
struct PaletteEntry {
  const char* normal;
  const char* hover;
  const char* press;
  const char* disable;
};
constexpr std::array<PaletteEntry, 5> kPalette{{
    {"#3582f8", "#5b9bfa", "#1f62cc", "#d3d8de"},  // accent blue
    {"#e5484d", "#ec6a6e", "#c23a3f", "#d3d8de"},  // stop red
    {"#30a46c", "#3dbb7e", "#24804f", "#d3d8de"},  // go green
    {"#2b3440", "#3f4a58", "#1a2029", "#c4cad1"},  // ink
    {"#e8f0fe", "#f1f6ff", "#d6e4fd", "#eef0f2"},  // pale accent face
}};

struct Source {
  QByteArray svg;
  Look look = Look::kNormal;
};

struct Cache {
  std::mutex lock;
  QHash<QString, QImage> images;
  QStringList missing;
};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

QByteArray ReadDrawing(const QString& stem) {
  QFile file(QString(kFolder) + stem + ".svg");
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Recolour(QByteArray svg, Look look) {
  if (look == Look::kNormal) return svg;
  for (const PaletteEntry& entry : kPalette) {
    const char* to = look == Look::kHover ? entry.hover : look == Look::kPress ? entry.press : entry.disable;
    svg.replace(entry.normal, to);
  }
  return svg;
}

std::optional<Source> FindSource(const QString& name) {
  if (name.isEmpty() || name.contains(QLatin1Char('/'))) return std::nullopt;
  if (QByteArray svg = ReadDrawing(name); !svg.isEmpty()) return Source{svg, Look::kNormal};
  for (const LookSuffix& suffix : kSuffixes) {
    if (!name.endsWith(QLatin1String(suffix.suffix))) continue;
    const QString stem = name.chopped(static_cast<qsizetype>(std::strlen(suffix.suffix)));
    if (QByteArray svg = ReadDrawing(stem); !svg.isEmpty()) return Source{Recolour(svg, suffix.look), suffix.look};
  }
  return std::nullopt;
}

// An empty name is no request for an image (a button without a disabled look, say): it is not noted.
void NoteMissing(const QString& name) {
  if (name.isEmpty()) return;
  Cache& cache = TheCache();
  const std::lock_guard<std::mutex> hold(cache.lock);
  if (!cache.missing.contains(name)) cache.missing.push_back(name);
}

}  // namespace

bool NamedImages::Exists(const QString& name) { return FindSource(name).has_value(); }

QSize NamedImages::NaturalSize(const QString& name) {
  const auto source = FindSource(name);
  if (!source) {
    NoteMissing(name);
    return QSize();
  }
  return QSvgRenderer(source->svg).defaultSize();
}

QImage NamedImages::Image(const QString& name, QSize size, qreal devicePixelRatio) {
  const QString key = name + QLatin1Char('@') + QString::number(size.width()) + QLatin1Char('x') +
                      QString::number(size.height()) + QLatin1Char('@') + QString::number(devicePixelRatio);
  Cache& cache = TheCache();
  {
    const std::lock_guard<std::mutex> hold(cache.lock);
    if (const auto found = cache.images.constFind(key); found != cache.images.constEnd()) return *found;
  }
  const auto source = FindSource(name);
  if (!source) {
    NoteMissing(name);
    return QImage();
  }
  QSvgRenderer renderer(source->svg);
  if (!renderer.isValid()) return QImage();
  if (size.isEmpty()) size = renderer.defaultSize();
  const qreal ratio = devicePixelRatio > 0 ? devicePixelRatio : 1.0;
  QImage image(QSize(static_cast<int>(std::ceil(size.width() * ratio)), static_cast<int>(std::ceil(size.height() * ratio))),
               QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
  }
  image.setDevicePixelRatio(ratio);
  const std::lock_guard<std::mutex> hold(cache.lock);
  if (cache.images.size() >= kMaxCached) cache.images.clear();
  cache.images.insert(key, image);
  return image;
}

QPixmap NamedImages::Pixmap(const QString& name, QSize size) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return QPixmap::fromImage(Image(name, size, screen ? screen->devicePixelRatio() : 1.0));
}

QStringList NamedImages::MissingNames() {
  Cache& cache = TheCache();
  const std::lock_guard<std::mutex> hold(cache.lock);
  return cache.missing;
}

void NamedImages::ClearMissingNames() {
  Cache& cache = TheCache();
  const std::lock_guard<std::mutex> hold(cache.lock);
  cache.missing.clear();
}

QStringList NamedImages::AllNames() {
  QStringList names;
  for (const QString& file : QDir(kFolder).entryList({"*.svg"}, QDir::Files, QDir::Name)) names << file.chopped(4);
  return names;
}

}  // namespace quellsy::ui
