#include "UI/Kit/JBTitlebarView.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

#include "UI/Kit/Colors.h"
#include "UI/Kit/Fonts.h"
#include "UI/Kit/TitlebarLayout.h"
#include "UI/Kit/UserDefaults.h"

namespace quellsy::ui {

QLinearGradient createGradientWithColors(const QColor& start, const QColor& end) {
  QLinearGradient gradient;
  gradient.setColorAt(0.0, JB_CGColorCreate(start));
  gradient.setColorAt(1.0, JB_CGColorCreate(end));
  return gradient;
}

JBTitlebarView::JBTitlebarView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("titleBarView"));
  setAccessibleName(QStringLiteral("title bar view"));
}

TCImageWindow* JBTitlebarView::Window() const { return qobject_cast<TCImageWindow*>(window()); }

TitleTextAttributes JBTitlebarView::titleTextAttributes(const TCImageWindow& window) {
  const bool active = window.isActive();
  TitleTextAttributes attributes;
  const auto shadow = active ? window.titleTextShadow() : window.inactiveTitleTextShadow();
  attributes.shadow = shadow ? *shadow : TitleTextShadow{DeviceRgb(255, 255, 255, 0.5), QPointF(0.0, 1.0)};
  const QColor color = active ? window.titleTextColor() : window.inactiveTitleTextColor();
  attributes.color = color.isValid() ? color : DeviceRgb(56, 56, 56, active ? 1.0 : 0.5);
  attributes.font = SystemFont(13);
  return attributes;
}

QRectF JBTitlebarView::titleFrame(const TCImageWindow& window) const {
  const QFontMetricsF metrics(titleTextAttributes(window).font);
  const QString title = window.windowTitle();
  const double w = metrics.horizontalAdvance(title);
  const double h = metrics.height();
  // 2 points below the bar's top; centred across the bar, not rounded.
  return QRectF(width() / 2.0 - w / 2.0, 2.0, w, h);
}

void JBTitlebarView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF bounds = rect();
  const TCImageWindow* window = Window();
  const bool active = window ? window->isActive() : isActiveWindow();
  const bool fullScreen = this->window()->isFullScreen();
  const QPainterPath clip = createClippingPathWithRectAndRadius(bounds, kCornerRadius);
  if (window && window->titleBarDrawingBlock()) {
    window->titleBarDrawingBlock()(painter, active, bounds, clip);
  } else {
    if (fullScreen) painter.fillRect(bounds, Qt::white);
    painter.setClipPath(clip);
    QLinearGradient background = createGradientWithColors(Qt::white, Qt::white);
    // From the bar's lower edge up to its top.
    background.setStart(bounds.center().x(), bounds.bottom());
    background.setFinalStop(bounds.center().x(), bounds.top());
    painter.fillPath(clip, background);
    if (!window || window->showsBaselineSeparator()) {
      // The separator and the row above it are white whatever colour a window asks for.
      painter.fillRect(QRectF(0, bounds.bottom() - 1.0, bounds.width(), 1.0), Qt::white);
      painter.fillRect(QRectF(0, bounds.bottom() - 2.0, bounds.width(), 1.0), Qt::white);
    }
  }
  if (!window || !window->showsTitle() || (fullScreen && !window->showsTitleInFullscreen())) return;
  painter.setClipPath(clip);
  const TitleTextAttributes attributes = titleTextAttributes(*window);
  const QRectF frame = titleFrame(*window);
  painter.setFont(attributes.font);
  painter.setPen(attributes.shadow.color);
  painter.drawText(frame.translated(attributes.shadow.offset), Qt::AlignLeft | Qt::AlignTop, window->windowTitle());
  painter.setPen(attributes.color);
  painter.drawText(frame, Qt::AlignLeft | Qt::AlignTop, window->windowTitle());
}

void JBTitlebarView::mouseDoubleClickEvent(QMouseEvent* event) {
  // Only the second press of a double click comes here; the third of a triple click is a plain press again.
  event->ignore();
  if (event->button() != Qt::LeftButton) return;
  if (UserDefaults::Instance().GetBool(UserDefaults::kMiniaturizeOnDoubleClick).value_or(false)) {
    event->accept();
    window()->showMinimized();
  }
}

}  // namespace quellsy::ui
