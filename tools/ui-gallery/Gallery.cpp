#include "Gallery.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QSet>
#include <QTextStream>

#include "UI/Kit/NamedImages.h"

namespace quellsy::gallery {
namespace {

constexpr int kMargin = 24;
const QColor kStage(0xf3, 0xf4, 0xf6);

bool DrawsSomething(const QImage& image) {
  if (image.isNull() || image.width() == 0 || image.height() == 0) return false;
  const QRgb first = image.pixel(0, 0);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != first) return true;
  return false;
}

QString Escaped(const QString& text) { return text.toHtmlEscaped(); }

}  // namespace

std::unique_ptr<QWidget> Composite(const std::vector<QWidget*>& windows) {
  QApplication::processEvents();
  QRect bounds;
  for (const QWidget* window : windows) bounds |= window->frameGeometry();
  QPixmap picture(bounds.size());
  picture.fill(kStage);
  {
    QPainter painter(&picture);
    for (std::size_t i = 0; i < windows.size(); ++i) {
      const QPoint at = windows[i]->pos() - bounds.topLeft();
      const QPixmap shown = windows[i]->grab();
      // A window over another gets a shadow and an edge, as a window manager draws them; without them a white
      // dialog over a white listing runs into the listing's text beside it.
      if (i > 0) {
        const QRect edge(at, shown.size());
        for (int spread = 6; spread > 0; --spread)
          painter.fillRect(edge.adjusted(-spread, -spread + 2, spread, spread + 2), QColor(0, 0, 0, 7));
        painter.drawPixmap(at, shown);
        painter.setPen(QColor(160, 168, 178));
        painter.drawRect(edge.adjusted(0, 0, -1, -1));
        continue;
      }
      painter.drawPixmap(at, shown);
    }
  }
  auto label = std::make_unique<QLabel>();
  label->setObjectName(QStringLiteral("galleryComposite"));
  label->setAutoFillBackground(true);
  QPalette palette = label->palette();
  palette.setColor(QPalette::Window, kStage);
  label->setPalette(palette);
  label->setPixmap(picture);
  label->resize(bounds.size());
  return label;
}

QStringList Gallery::WriteAll(const QString& folder) const {
  QStringList problems;
  if (!QDir().mkpath(folder)) return {QStringLiteral("cannot make the folder ") + folder};
  ui::NamedImages::ClearMissingNames();
  QString index;
  QTextStream html(&index);
  html << "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Quellsy window gallery</title>\n"
          "<style>body{font-family:sans-serif;background:#fafbfc;color:#22262b;margin:32px}"
          "figure{display:inline-block;margin:0 24px 32px 0;vertical-align:top}"
          "figcaption{font-size:13px;margin-top:6px;max-width:640px}"
          "img{border:1px solid #dde2e8;border-radius:6px}</style></head><body>\n"
          "<h1>Quellsy window gallery</h1>\n<p>"
       << states_.size()
       << " states on the scripted backend; those named real-&hellip; on the real engine over disk images made "
          "at draw time.</p>\n";
  QSet<QString> names;
  for (const GalleryState& state : states_) {
    if (names.contains(state.name)) problems << state.name + QStringLiteral(": the name is used twice");
    names.insert(state.name);
    std::unique_ptr<QWidget> widget = state.build();
    widget->ensurePolished();
    if (widget->size().isEmpty()) widget->adjustSize();
    widget->show();
    QApplication::processEvents();
    const QImage own = widget->grab().toImage();
    if (!DrawsSomething(own)) problems << state.name + QStringLiteral(": draws nothing");
    QImage stage(own.size() + QSize(2 * kMargin, 2 * kMargin), QImage::Format_RGB32);
    stage.fill(kStage);
    QPainter(&stage).drawImage(kMargin, kMargin, own);
    const QString file = state.name + QStringLiteral(".png");
    if (!stage.save(QDir(folder).filePath(file))) problems << state.name + QStringLiteral(": cannot be written");
    html << "<figure><img src=\"" << Escaped(file) << "\" alt=\"" << Escaped(state.name) << "\"><figcaption><b>"
         << Escaped(state.name) << "</b>: " << Escaped(state.description) << "</figcaption></figure>\n";
    widget->hide();
  }
  html << "</body></html>\n";
  QFile page(QDir(folder).filePath(QStringLiteral("index.html")));
  if (!page.open(QIODevice::WriteOnly) || page.write(index.toUtf8()) < 0)
    problems << QStringLiteral("index.html cannot be written");
  for (const QString& missing : ui::NamedImages::MissingNames())
    problems << QStringLiteral("no drawing for the image \"") + missing + QStringLiteral("\"");
  return problems;
}

}  // namespace quellsy::gallery
