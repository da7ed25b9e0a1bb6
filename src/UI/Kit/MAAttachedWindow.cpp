#include "UI/Kit/MAAttachedWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "UI/Kit/ViewFrames.h"

namespace quellsy::ui {
namespace {

// Qt's screen rectangles (y down) and the geometry's (y up) mirror each other about y = 0.
QRectF FlipY(const QRectF& rect) { return QRectF(rect.x(), -rect.y() - rect.height(), rect.width(), rect.height()); }

}  // namespace

MAAttachedWindow* MAAttachedWindow::initWithView(QWidget* view, QPointF point, QWidget* parent, int side,
                                                 double distance) {
  if (!view) return nullptr;
  return new MAAttachedWindow(view, point, parent, side, distance);
}

MAAttachedWindow::MAAttachedWindow(QWidget* view, QPointF point, QWidget* parent, int side, double distance)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint),
      view_(view),
      parent_(parent),
      point_(point),
      side_(side),
      distance_(distance) {
  setObjectName(QStringLiteral("attachedWindow"));
  setAccessibleName(QStringLiteral("pop-over"));
  setAttribute(Qt::WA_TranslucentBackground);
  viewFrame_ = QRectF(QPointF(viewMargin_, viewMargin_), QSizeF(view->size()));
  if (side_ == kAttachedAutomatic) {
    const QScreen* screen = parent ? parent->screen() : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRectF visible = screen ? FlipY(QRectF(screen->availableGeometry())) : QRectF();
    std::optional<QRectF> parentFrame;
    if (parent) parentFrame = FlipY(QRectF(parent->window()->geometry()));
    side_ = BestSideForAutomaticPosition(Measures(), PointOnScreen(), distance_, visible, parentFrame);
  }
  view->setParent(this);
  updateGeometry();
  updateBackground();
  view->show();
  if (parent) parent->window()->installEventFilter(this);
}

AttachedMeasures MAAttachedWindow::Measures() const {
  AttachedMeasures measures;
  measures.view = view_ ? QSizeF(view_->size()) : viewFrame_.size();
  measures.viewMargin = viewMargin_;
  measures.arrowBaseWidth = arrowBaseWidth_;
  measures.arrowHeight = arrowHeight_;
  measures.cornerRadius = cornerRadius_;
  measures.drawsRoundCornerBesideArrow = drawsRoundCornerBesideArrow_;
  return measures;
}

QPointF MAAttachedWindow::PointOnScreen() const {
  const QPointF global = parent_ ? QPointF(parent_->mapToGlobal(point_)) : point_;
  return QPointF(global.x(), -global.y());
}

void MAAttachedWindow::updateGeometry() {
  const AttachedFrames frames = AttachedWindowFrames(Measures(), PointOnScreen(), side_, distance_);
  viewFrame_ = frames.viewFrame;
  setGeometry(PixelRect(FlipY(frames.frame)));
  if (view_) view_->setGeometry(viewGeometry());
}

QRect MAAttachedWindow::viewGeometry() const { return PixelRect(FrameToTopLeft(viewFrame_, height())); }

void MAAttachedWindow::updateBackground() { update(); }

void MAAttachedWindow::redisplay() {
  if (resizing_) return;
  resizing_ = true;
  updateGeometry();
  updateBackground();
  resizing_ = false;
}

void MAAttachedWindow::setPoint(QPointF point, int side) {
  point_ = point;
  side_ = side;
  updateGeometry();
  updateBackground();
}

void MAAttachedWindow::setBackgroundColor(const QBrush& brush) {
  if (brush == background_) return;
  background_ = brush;
  updateBackground();
}

void MAAttachedWindow::setBackgroundImage(const QImage& image) {
  if (!image.isNull()) setBackgroundColor(QBrush(image));
}

void MAAttachedWindow::setBorderColor(const QColor& color) {
  if (color == borderColor_) return;
  borderColor_ = color;
  updateBackground();
}

void MAAttachedWindow::setBorderWidth(double width) {
  const double clamped = std::min(width, viewMargin_);
  if (clamped == borderWidth_) return;
  borderWidth_ = clamped;
  updateBackground();
}

void MAAttachedWindow::setViewMargin(double margin) {
  const double clamped = std::max(margin, 0.0);
  if (clamped == viewMargin_) return;
  viewMargin_ = clamped;
  setCornerRadius(cornerRadius_);
}

void MAAttachedWindow::setCornerRadius(double radius) {
  const QSizeF view = viewFrame_.size();
  const double smaller = std::min(view.width(), view.height());
  cornerRadius_ = std::max(std::min(radius, (smaller + 2 * viewMargin_ - arrowBaseWidth_) / 2), 0.0);
  setArrowBaseWidth(arrowBaseWidth_);
}

void MAAttachedWindow::setArrowBaseWidth(double width) {
  const QSizeF view = viewFrame_.size();
  double limit = std::min(view.width(), view.height()) + 2 * viewMargin_ - cornerRadius_;
  if (drawsRoundCornerBesideArrow_) limit -= cornerRadius_;
  arrowBaseWidth_ = std::min(width, limit);
  redisplay();
}

void MAAttachedWindow::setArrowHeight(double height) {
  if (height == arrowHeight_) return;
  arrowHeight_ = height;
  redisplay();
}

void MAAttachedWindow::setHasArrow(bool hasArrow) {
  if (hasArrow == hasArrow_) return;
  hasArrow_ = hasArrow;
  updateBackground();
}

void MAAttachedWindow::setDrawsRoundCornerBesideArrow(bool draws) {
  if (draws == drawsRoundCornerBesideArrow_) return;
  drawsRoundCornerBesideArrow_ = draws;
  redisplay();
}

QPainterPath MAAttachedWindow::backgroundPath() const {
  // From the rules' bottom-left window coordinates to Qt's.
  const QPainterPath path = AttachedWindowPath(Measures(), viewFrame_, side_, hasArrow_);
  QTransform flip;
  flip.translate(0, height());
  flip.scale(1, -1);
  return flip.map(path);
}

QImage MAAttachedWindow::backgroundImage() const {
  QImage image(size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const QPainterPath path = backgroundPath();
  painter.setClipPath(path);
  painter.fillPath(path, background_);
  if (borderWidth_ > 0) {
    // Half the stroke falls outside the clip: the border seen is borderWidth wide, inside the box.
    QPen pen(borderColor_, 2 * borderWidth_);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.strokePath(path, pen);
  }
  return image;
}

void MAAttachedWindow::performClose() {
  if (parent_)
    parent_->window()->close();
  else
    close();
}

void MAAttachedWindow::paintEvent(QPaintEvent*) { QPainter(this).drawImage(0, 0, backgroundImage()); }

void MAAttachedWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  redisplay();
}

void MAAttachedWindow::closeEvent(QCloseEvent* event) {
  // The window system's close (a shortcut, the window manager) acts on the parent; the caller's close() hides.
  if (event->spontaneous() && parent_) {
    event->ignore();
    parent_->window()->close();
    return;
  }
  QWidget::closeEvent(event);
}

bool MAAttachedWindow::eventFilter(QObject* watched, QEvent* event) {
  if (parent_ && watched == parent_->window() && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
    redisplay();
  return QWidget::eventFilter(watched, event);
}

}  // namespace quellsy::ui
