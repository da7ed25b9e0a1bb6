#include "UI/Kit/Grid/CoverFlowView.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <vector>

#include "UI/Kit/Grid/CoverFlowGeometry.h"
#include "UI/Kit/Texts.h"

namespace quellsy::ui {
namespace {

// Where a picture stands inside a cover's square: fitted, on the square's foot.
QRect PictureRect(const QImage& picture, int side) {
  if (picture.isNull()) return QRect(side / 10, side / 10, side * 8 / 10, side * 8 / 10);
  const QSize fitted = picture.size().scaled(side, side, Qt::KeepAspectRatio);
  return QRect((side - fitted.width()) / 2, side - fitted.height(), fitted.width(), fitted.height());
}

QImage FitCover(const QImage& picture, int side) {
  QImage cover(side, side, QImage::Format_ARGB32_Premultiplied);
  cover.fill(Qt::transparent);
  QPainter painter(&cover);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  if (picture.isNull()) {
    // A cover still waiting for its picture: a pale face with a thin outline.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x2b, 0x34, 0x40));
    painter.setPen(QPen(QColor(0x5a, 0x66, 0x75), 2));
    painter.drawRoundedRect(QRectF(PictureRect(picture, side)), 6, 6);
    return cover;
  }
  painter.drawImage(PictureRect(picture, side), picture);
  return cover;
}

QImage Reflect(const QImage& cover) {
  const int height = cover.height() / 3;
  QImage reflection = cover.mirrored(false, true).copy(0, 0, cover.width(), height);
  reflection = reflection.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&reflection);
  painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
  QLinearGradient fade(0, 0, 0, height);
  fade.setColorAt(0, QColor(0, 0, 0, 110));
  fade.setColorAt(1, QColor(0, 0, 0, 0));
  painter.fillRect(reflection.rect(), fade);
  return reflection;
}

}  // namespace

CoverFlowView::CoverFlowView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("coverFlowView"));
  setAccessibleName(Text("KIT_COVER_FLOW"));
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void CoverFlowView::reloadData() {
  itemsCount_ = dataSource_ ? static_cast<std::int64_t>(dataSource_->numberOfItemsInImageFlow(*this)) : 0;
  cache_.clear();
  selectedIndex_ = std::clamp<std::int64_t>(selectedIndex_, 0, std::max<std::int64_t>(0, itemsCount_ - 1));
  position_ = std::clamp(position_, 0.0, static_cast<double>(std::max<std::int64_t>(0, itemsCount_ - 1)));
  update();
}

void CoverFlowView::reloadCellDataAtIndex(std::int64_t index) {
  cache_.remove(index);
  update();
}

void CoverFlowView::setSelectedIndex(std::int64_t index) {
  if (itemsCount_ <= 0) {
    selectedIndex_ = std::max<std::int64_t>(0, index);
    return;
  }
  selectedIndex_ = std::clamp<std::int64_t>(index, 0, itemsCount_ - 1);
  glideTo(static_cast<double>(selectedIndex_));
}

void CoverFlowView::moveTo(std::int64_t index) {
  if (itemsCount_ <= 0) return;
  index = std::clamp<std::int64_t>(index, 0, itemsCount_ - 1);
  if (index == selectedIndex_) return;
  setSelectedIndex(index);
  if (delegate_) delegate_->imageFlowDidSelectItemAtIndex(*this, index);
}

void CoverFlowView::glideTo(double target) {
  if (glideMilliseconds_ <= 0 || !isVisible()) {
    if (glide_) glide_->stop();
    position_ = target;
    update();
    return;
  }
  if (!glide_) {
    glide_ = new QVariantAnimation(this);
    glide_->setEasingCurve(QEasingCurve::OutCubic);
    connect(glide_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
      position_ = value.toDouble();
      update();
    });
  }
  glide_->stop();
  glide_->setDuration(glideMilliseconds_);
  glide_->setStartValue(position_);
  glide_->setEndValue(target);
  glide_->start();
}

std::int64_t CoverFlowView::indexAt(QPointF point) const {
  return CoverFlowGeometry(size(), position_).IndexAt(point, itemsCount_);
}

const CoverFlowView::Look& CoverFlowView::LookOf(std::int64_t index, double side) {
  std::shared_ptr<Photo> photo = dataSource_ ? dataSource_->imageFlowItemAtIndex(*this, index) : nullptr;
  const QString uid = photo ? photo->imageUID() : QString();
  const std::int64_t version = photo ? photo->imageVersion() : -1;
  const int pixels = std::max(1, static_cast<int>(std::lround(side)));
  auto it = cache_.find(index);
  if (it != cache_.end() && it->uid == uid && it->version == version && it->cover.width() == pixels) return *it;
  if (cache_.size() >= kCacheCovers) {
    // Drop the cover furthest from the middle.
    auto furthest = cache_.begin();
    for (auto look = cache_.begin(); look != cache_.end(); ++look)
      if (std::abs(look.key() - selectedIndex_) > std::abs(furthest.key() - selectedIndex_)) furthest = look;
    cache_.erase(furthest);
  }
  Look look;
  look.uid = uid;
  look.version = version;
  const QImage picture = photo ? photo->imageRepresentation() : QImage();
  look.cover = FitCover(picture, pixels);
  look.picture = QRectF(PictureRect(picture, pixels));
  look.reflection = Reflect(look.cover);
  return *cache_.insert(index, std::move(look));
}

void CoverFlowView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QLinearGradient sky(0, 0, 0, height());
  sky.setColorAt(0, QColor(0x1c, 0x22, 0x2b));
  sky.setColorAt(1, QColor(0x05, 0x07, 0x0a));
  painter.fillRect(rect(), sky);
  if (itemsCount_ <= 0) return;
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.setRenderHint(QPainter::Antialiasing);

  const CoverFlowGeometry geometry(size(), position_);
  const CNItemRange range = geometry.DrawnRange(itemsCount_);
  std::vector<std::int64_t> order;
  for (std::int64_t index = range.location; index < range.location + range.length; ++index) order.push_back(index);
  // Back to front: the furthest covers first.
  std::sort(order.begin(), order.end(), [this](std::int64_t a, std::int64_t b) {
    return std::abs(static_cast<double>(a) - position_) > std::abs(static_cast<double>(b) - position_);
  });
  for (const std::int64_t index : order) {
    const CoverPlacement placement = geometry.PlacementOf(index);
    const Look& look = LookOf(index, placement.side);
    painter.setTransform(placement.transform);
    painter.drawImage(QRectF(0, 0, placement.side, placement.side), look.cover);
    painter.drawImage(QRectF(0, placement.side, placement.side, placement.side / 3), look.reflection);
    // Side covers darken with distance; over the picture only, so the covers behind stay hidden.
    const double shade = std::min(0.55, placement.depth * 0.14);
    if (shade > 0) {
      const QRectF picture = look.picture;
      painter.fillRect(picture, QColor::fromRgbF(0.02f, 0.03f, 0.04f, static_cast<float>(shade)));
      const QRectF mirrored(picture.x(), placement.side, picture.width(),
                            std::min(picture.height(), placement.side / 3));
      painter.fillRect(mirrored, QColor::fromRgbF(0.02f, 0.03f, 0.04f, static_cast<float>(shade * 0.5)));
    }
  }
  painter.resetTransform();

  // The selected cover's caption.
  if (dataSource_) {
    if (const auto photo = dataSource_->imageFlowItemAtIndex(*this, selectedIndex_)) {
      painter.setPen(QColor(0xe8, 0xf0, 0xfe));
      QFont font = painter.font();
      font.setPointSizeF(12);
      painter.setFont(font);
      const QRectF caption(0, height() - 34, width(), 24);
      painter.drawText(caption, Qt::AlignCenter,
                       painter.fontMetrics().elidedText(photo->imageTitle(), Qt::ElideMiddle, width() - 40));
    }
  }
}

void CoverFlowView::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left: moveTo(selectedIndex_ - 1); break;
    case Qt::Key_Right: moveTo(selectedIndex_ + 1); break;
    case Qt::Key_Home: moveTo(0); break;
    case Qt::Key_End: moveTo(itemsCount_ - 1); break;
    case Qt::Key_PageUp: moveTo(selectedIndex_ - CoverFlowGeometry::kSideCovers); break;
    case Qt::Key_PageDown: moveTo(selectedIndex_ + CoverFlowGeometry::kSideCovers); break;
    default: QWidget::keyPressEvent(event); return;
  }
  event->accept();
}

void CoverFlowView::wheelEvent(QWheelEvent* event) {
  const QPoint delta = event->angleDelta();
  // One notch (120) moves one cover; a horizontal swipe counts as well.
  wheelRemainder_ += (std::abs(delta.x()) > std::abs(delta.y()) ? delta.x() : -delta.y()) / 120.0;
  const auto steps = static_cast<std::int64_t>(wheelRemainder_);
  if (steps != 0) {
    wheelRemainder_ -= static_cast<double>(steps);
    moveTo(selectedIndex_ + steps);
  }
  event->accept();
}

void CoverFlowView::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  if (event->button() != Qt::LeftButton) return;
  const std::int64_t index = indexAt(event->position());
  if (index != kCNNotFound) moveTo(index);
}

}  // namespace quellsy::ui
