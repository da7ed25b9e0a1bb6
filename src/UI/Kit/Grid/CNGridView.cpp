#include "UI/Kit/Grid/CNGridView.h"

#include <QApplication>
#include <QGraphicsOpacityEffect>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <string>

#include "Bridge/NotificationCenter.h"
#include "UI/Kit/Grid/CNGridClicks.h"
#include "UI/Kit/Grid/CNGridNotifications.h"
#include "UI/Kit/Grid/CNSelectionFrameView.h"
#include "UI/Kit/Texts.h"

namespace quellsy::ui {
namespace {

constexpr std::int64_t kSection = 0;

QRectF Lerp(const QRectF& from, const QRectF& to, double t) {
  return QRectF(from.x() + (to.x() - from.x()) * t, from.y() + (to.y() - from.y()) * t,
                from.width() + (to.width() - from.width()) * t, from.height() + (to.height() - from.height()) * t);
}

void SetTileOpacity(QWidget* tile, double alpha) {
  auto* effect = qobject_cast<QGraphicsOpacityEffect*>(tile->graphicsEffect());
  if (alpha >= 1.0) {
    if (effect) tile->setGraphicsEffect(nullptr);
    return;
  }
  if (!effect) {
    effect = new QGraphicsOpacityEffect(tile);
    tile->setGraphicsEffect(effect);
  }
  effect->setOpacity(alpha);
}

bool Command(Qt::KeyboardModifiers modifiers) { return modifiers.testFlag(Qt::ControlModifier); }
bool Shift(Qt::KeyboardModifiers modifiers) { return modifiers.testFlag(Qt::ShiftModifier); }

bridge::Notification IndexSetNotification(const std::string& name, const std::string& key, const CNIndexSet& set) {
  bridge::Notification notification{name, {{key, std::to_string(set.count())}}, {}};
  for (const auto& [first, last] : set.ranges())
    for (std::int64_t index = first; index <= last && notification.items.size() < 100000; ++index)
      notification.items.push_back({{kCNGridViewItemIndexKey, std::to_string(index)}});
  return notification;
}

}  // namespace

CNGridView::CNGridView(QWidget* parent) : QAbstractScrollArea(parent) {
  setObjectName(QStringLiteral("gridView"));
  setAccessibleName(Text("KIT_GRID_VIEW"));
  viewport()->setObjectName(QStringLiteral("gridViewport"));
  viewport()->setAccessibleName(Text("KIT_GRID_VIEW"));
  viewport()->setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  verticalScrollBar()->setSingleStep(30);
  setBackgroundColor(palette().color(QPalette::Window));
  clickTimer_.setSingleShot(true);
  connect(&clickTimer_, &QTimer::timeout, this, [this] { handleClicks(); });
}

CNGridView::~CNGridView() {
  if (animation_) animation_->stop();
}

void CNGridView::setAnimationDurations(int fadeMilliseconds, int moveMilliseconds) {
  fadeMilliseconds_ = std::max(0, fadeMilliseconds);
  moveMilliseconds_ = std::max(0, moveMilliseconds);
}

void CNGridView::setUseCenterAlignment(bool use) {
  useCenterAlignment_ = use;
  refreshGridViewAnimated(false, false);
}

void CNGridView::setBackgroundColor(const QColor& color) {
  QPalette colours = viewport()->palette();
  colours.setBrush(QPalette::Base, color);
  viewport()->setPalette(colours);
  viewport()->setAutoFillBackground(true);
}

void CNGridView::setBackgroundPattern(const QPixmap& pattern) {
  QPalette colours = viewport()->palette();
  colours.setBrush(QPalette::Base, QBrush(pattern));
  viewport()->setPalette(colours);
  viewport()->setAutoFillBackground(true);
}

// ---- geometry ----

QRectF CNGridView::clippedRect() const {
  return QRectF(0, verticalScrollBar()->value(), viewport()->width(), viewport()->height());
}

CNGridGeometry CNGridView::gridGeometry() const {
  return CNGridGeometry(clippedRect(), numberOfItems_, useCenterAlignment_);
}

std::int64_t CNGridView::indexForItemAtLocation(QPointF contentPoint) const {
  return gridGeometry().indexForItemAtLocation(contentPoint);
}

std::int64_t CNGridView::boundIndexForItemAtLocation(QPointF contentPoint) const {
  return gridGeometry().boundIndexForItemAtLocation(contentPoint);
}

CNItemPoint CNGridView::locationForItemAtIndex(std::int64_t index) const {
  return gridGeometry().locationForItemAtIndex(index);
}

QPointF CNGridView::contentPointFromViewport(QPointF viewportPoint) const {
  return viewportPoint + QPointF(0, verticalScrollBar()->value());
}

QPointF CNGridView::viewportPointFromContent(QPointF contentPoint) const {
  return contentPoint - QPointF(0, verticalScrollBar()->value());
}

void CNGridView::scrollToContentY(double y) { verticalScrollBar()->setValue(static_cast<int>(std::lround(y))); }

CNIndexSet CNGridView::visibleIndexes() const {
  const CNItemRange range = visibleItemRange();
  return CNIndexSet::Range(range.location, range.length);
}

std::size_t CNGridView::numberOfParkedItems() const {
  std::size_t parked = 0;
  for (const auto& [identifier, items] : reuseableItems_) parked += items.size();
  return parked;
}

CNGridViewItemBase* CNGridView::itemAtIndex(std::int64_t index) const {
  const auto it = keyedVisibleItems_.find(index);
  return it == keyedVisibleItems_.end() ? nullptr : it->second.item;
}

std::vector<CNGridViewItemBase*> CNGridView::placedItems() const {
  std::vector<CNGridViewItemBase*> items;
  items.reserve(keyedVisibleItems_.size());
  for (const auto& [index, placed] : keyedVisibleItems_) items.push_back(placed.item);
  return items;
}

bool CNGridView::isAnimating() const { return animation_ && animation_->state() == QAbstractAnimation::Running; }

// ---- loading and layout ----

void CNGridView::reloadDataAnimated(bool animated) {
  finishAnimation();
  numberOfItems_ = dataSource_ ? static_cast<std::int64_t>(dataSource_->gridViewNumberOfItemsInSection(*this, kSection))
                               : 0;
  // Placed tiles go back to the pool: the data source fills them again for the new listing.
  for (auto& [index, placed] : keyedVisibleItems_) parkItem(placed.item);
  keyedVisibleItems_.clear();
  // The selection outlives a reload, less the items the new listing no longer has.
  selectedIndexes_.removeRange(numberOfItems_, std::numeric_limits<std::int64_t>::max() - numberOfItems_);
  lastHoveredIndex_ = kCNNotFound;
  refreshGridViewAnimated(animated, true);
}

CNGridViewItemBase* CNGridView::dequeueReusableItemWithIdentifier(const QString& identifier) {
  const auto it = reuseableItems_.find(identifier);
  if (it == reuseableItems_.end() || it->second.empty()) return nullptr;
  CNGridViewItemBase* item = it->second.back();
  it->second.pop_back();
  item->setRepresentedObject(nullptr);
  return item;
}

void CNGridView::refreshGridView() { viewport()->update(); }

void CNGridView::updateScrollRange() {
  const double height = gridGeometry().contentHeight();
  QScrollBar* bar = verticalScrollBar();
  bar->setPageStep(std::max(1, viewport()->height()));
  bar->setRange(0, std::max(0, static_cast<int>(std::ceil(height)) - viewport()->height()));
}

void CNGridView::refreshGridViewAnimated(bool animated, bool initialCall) {
  isInitialCall_ = isInitialCall_ || initialCall;
  updateScrollRange();
  pendingAnimated_ = pendingAnimated_ || animated;
  if (layoutPending_) return;
  layoutPending_ = true;
  QTimer::singleShot(0, this, [this] { runLayoutPass(); });
}

void CNGridView::runLayoutPass() {
  layoutPending_ = false;
  const bool animated = pendingAnimated_;
  pendingAnimated_ = false;
  updateScrollRange();
  updateReuseableItems();
  updateVisibleItems();
  arrangeGridViewItemsAnimated(animated);
}

void CNGridView::updateVisibleRect() {
  updateReuseableItems();
  updateVisibleItems();
  arrangeGridViewItemsAnimated(false);
}

void CNGridView::updateReuseableItems() {
  // The selection lives in selectedIndexes_, so selected tiles out of range may be parked as well; only
  // the tiles the rubber band is marking stay.
  const CNItemRange range = visibleItemRange();
  for (auto it = keyedVisibleItems_.begin(); it != keyedVisibleItems_.end();) {
    const std::int64_t index = it->first;
    if (range.Contains(index) || selectedIndexesBySelectionFrame_.contains(index)) {
      ++it;
      continue;
    }
    parkItem(it->second.item);
    it = keyedVisibleItems_.erase(it);
  }
}

void CNGridView::parkItem(CNGridViewItemBase* item) {
  if (!item) return;
  item->hide();
  SetTileOpacity(item, 1.0);
  item->prepareForReuse();
  reuseableItems_[item->reuseIdentifier()].push_back(item);
}

void CNGridView::updateVisibleItems() {
  if (!dataSource_) return;
  const CNItemRange range = visibleItemRange();
  const CNGridGeometry geometry = gridGeometry();
  for (std::int64_t index = range.location; index < range.location + range.length; ++index) {
    if (keyedVisibleItems_.count(index)) continue;
    CNGridViewItemBase* item = dataSource_->gridViewItemAtIndex(*this, index, kSection);
    if (!item) continue;
    if (item->parentWidget() != viewport()) item->setParent(viewport());
    item->setIndex(index);
    item->setSelected(selectedIndexes_.contains(index));
    item->setHovered(index == lastHoveredIndex_);
    Placed placed;
    placed.item = item;
    placed.frame = placed.fromFrame = placed.toFrame = geometry.rectForItemAtIndex(index);
    placed.alpha = placed.fromAlpha = placed.toAlpha = isInitialCall_ && fadeMilliseconds_ > 0 ? 0.0 : 1.0;
    auto& stored = keyedVisibleItems_[index] = placed;
    placeTile(stored);
    item->show();
    if (selectionFrameView_) selectionFrameView_->raise();
  }
}

void CNGridView::placeTile(Placed& placed) {
  const QRectF frame = placed.frame.translated(0, -verticalScrollBar()->value());
  placed.item->setGeometry(QRect(static_cast<int>(std::lround(frame.x())), static_cast<int>(std::lround(frame.y())),
                                 static_cast<int>(std::lround(frame.width())),
                                 static_cast<int>(std::lround(frame.height()))));
  SetTileOpacity(placed.item, placed.alpha);
}

void CNGridView::arrangeGridViewItemsAnimated(bool animated) {
  if (keyedVisibleItems_.empty()) {
    for (auto& retiring : retiring_) parkItem(retiring.item);
    retiring_.clear();
    return;
  }
  const CNGridGeometry geometry = gridGeometry();
  const bool initial = isInitialCall_;
  isInitialCall_ = false;
  if (isAnimating()) finishAnimation();
  for (auto& [index, placed] : keyedVisibleItems_) {
    placed.fromFrame = placed.frame;
    placed.fromAlpha = placed.alpha;
    placed.toFrame = geometry.rectForItemAtIndex(index);
    // The first arrangement after a reload or resize fades new tiles in and moves the others.
    placed.toAlpha = 1.0;
  }
  for (auto& retiring : retiring_) {
    retiring.fromFrame = retiring.toFrame = retiring.frame;
    retiring.fromAlpha = retiring.alpha;
    retiring.toAlpha = 0.0;
  }
  startAnimation(initial ? fadeMilliseconds_ : (animated ? moveMilliseconds_ : 0));
}

void CNGridView::startAnimation(int milliseconds) {
  if (milliseconds <= 0) {
    applyAnimation(1.0);
    finishAnimation();
    return;
  }
  if (!animation_) {
    animation_ = new QVariantAnimation(this);
    animation_->setStartValue(0.0);
    animation_->setEndValue(1.0);
    connect(animation_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { applyAnimation(value.toDouble()); });
    connect(animation_, &QVariantAnimation::finished, this, [this] { finishAnimation(); });
  }
  animation_->stop();
  animation_->setDuration(milliseconds);
  animation_->start();
}

void CNGridView::applyAnimation(double progress) {
  for (auto& [index, placed] : keyedVisibleItems_) {
    placed.frame = Lerp(placed.fromFrame, placed.toFrame, progress);
    placed.alpha = placed.fromAlpha + (placed.toAlpha - placed.fromAlpha) * progress;
    placeTile(placed);
  }
  for (auto& retiring : retiring_) {
    retiring.alpha = retiring.fromAlpha + (retiring.toAlpha - retiring.fromAlpha) * progress;
    placeTile(retiring);
  }
}

void CNGridView::finishAnimation() {
  if (animation_ && animation_->state() == QAbstractAnimation::Running) {
    animation_->blockSignals(true);
    animation_->stop();
    animation_->blockSignals(false);
  }
  for (auto& [index, placed] : keyedVisibleItems_) {
    placed.frame = placed.fromFrame = placed.toFrame;
    placed.alpha = placed.fromAlpha = placed.toAlpha;
    placeTile(placed);
  }
  for (auto& retiring : retiring_) parkItem(retiring.item);
  retiring_.clear();
}

void CNGridView::retireTiles(std::vector<Placed> tiles, bool animated) {
  for (auto& tile : tiles) {
    if (animated && fadeMilliseconds_ > 0 && tile.item->isVisible())
      retiring_.push_back(tile);
    else
      parkItem(tile.item);
  }
}

void CNGridView::resizeEvent(QResizeEvent* event) {
  const int oldWidth = event->oldSize().width();
  QAbstractScrollArea::resizeEvent(event);
  refreshGridViewAnimated(oldWidth >= 0 && oldWidth != event->size().width(), true);
}

void CNGridView::scrollContentsBy(int, int) {
  if (bandActive_) {
    cancelSelectionFrame();
  }
  updateVisibleRect();
}

// ---- forwarders ----

void CNGridView::postIndexNotification(const std::string& name, std::int64_t index) {
  bridge::NotificationCenter::Default().Post({name, {{kCNGridViewItemIndexKey, std::to_string(index)}}, {}});
}

void CNGridView::willHover(std::int64_t index) {
  postIndexNotification(kCNGridViewWillHoverItemNotification, index);
  if (delegate_) delegate_->gridViewWillHoverItemAtIndex(*this, index, kSection);
}

void CNGridView::willUnhover(std::int64_t index) {
  postIndexNotification(kCNGridViewWillUnhoverItemNotification, index);
  if (delegate_) delegate_->gridViewWillUnhoverItemAtIndex(*this, index, kSection);
}

// ---- hover ----

void CNGridView::hoverAt(QPointF contentPoint) {
  if (!useHover_) return;
  const std::int64_t index = contentPoint.x() < 0 ? kCNNotFound : indexForItemAtLocation(contentPoint);
  if (index == lastHoveredIndex_) return;
  if (lastHoveredIndex_ != kCNNotFound) {
    willUnhover(lastHoveredIndex_);
    if (CNGridViewItemBase* old = itemAtIndex(lastHoveredIndex_)) old->setHovered(false);
  }
  lastHoveredIndex_ = index;
  willHover(index);
  if (CNGridViewItemBase* item = itemAtIndex(index)) item->setHovered(true);
}

bool CNGridView::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::Leave) hoverAt(QPointF(-1, -1));
  return QAbstractScrollArea::viewportEvent(event);
}

// ---- selection ----

void CNGridView::setAllowsMultipleSelection(bool allows) {
  allowsMultipleSelection_ = allows;
  if (!allows && !selectedIndexes_.empty()) {
    bridge::NotificationCenter::Default().Post({kCNGridViewDeSelectAllItemsNotification, {}, {}});
    selectedIndexes_.clear();
  }
}

void CNGridView::selectItem(CNGridViewItemBase* item) {
  if (item) selectItemIndex(item->index());
}

void CNGridView::deSelectItem(CNGridViewItemBase* item) {
  if (item) deselectItemIndex(item->index());
}

void CNGridView::selectItemIndex(std::int64_t index) {
  if (index == kCNNotFound || index < 0 || selectedIndexes_.contains(index)) return;
  postIndexNotification(kCNGridViewWillSelectItemNotification, index);
  if (delegate_) delegate_->gridViewWillSelectItemAtIndex(*this, index, kSection);
  selectedIndexes_.add(index);
  if (CNGridViewItemBase* item = itemAtIndex(index)) item->setSelected(true);
  postIndexNotification(kCNGridViewDidSelectItemNotification, index);
  if (delegate_) delegate_->gridViewDidSelectItemAtIndex(*this, index, kSection);
}

void CNGridView::deselectItemIndex(std::int64_t index) {
  if (!selectedIndexes_.contains(index)) return;
  postIndexNotification(kCNGridViewWillDeselectItemNotification, index);
  if (delegate_) delegate_->gridViewWillDeselectItemAtIndex(*this, index, kSection);
  selectedIndexes_.remove(index);
  if (CNGridViewItemBase* item = itemAtIndex(index)) item->setSelected(false);
  postIndexNotification(kCNGridViewDidDeselectItemNotification, index);
  if (delegate_) delegate_->gridViewDidDeselectItemAtIndex(*this, index, kSection);
}

void CNGridView::selectAllItems() {
  const std::int64_t count =
      dataSource_ ? static_cast<std::int64_t>(dataSource_->gridViewNumberOfItemsInSection(*this, kSection)) : 0;
  selectedIndexes_ = CNIndexSet::Range(0, count);
  for (auto& [index, placed] : keyedVisibleItems_) placed.item->setSelected(true);
}

void CNGridView::deselectAllItems() {
  if (selectedIndexes_.empty()) return;
  bridge::NotificationCenter::Default().Post(
      IndexSetNotification(kCNGridViewWillDeselectAllItemsNotification, kCNGridViewSelectedItemsKey, selectedIndexes_));
  if (delegate_) delegate_->gridViewWillDeselectAllItems(*this, selectedIndexes_);
  // The hub: every tile of every grid turns unselected.
  bridge::NotificationCenter::Default().Post({kCNGridViewDeSelectAllItemsNotification, {}, {}});
  selectedIndexes_.clear();
  bridge::NotificationCenter::Default().Post({kCNGridViewDidDeselectAllItemsNotification, {}, {}});
  if (delegate_) delegate_->gridViewDidDeselectAllItems(*this);
}

std::vector<CNGridViewItemBase*> CNGridView::selectedItems() const {
  std::vector<CNGridViewItemBase*> items;
  for (const auto& [index, placed] : keyedVisibleItems_)
    if (selectedIndexes_.contains(index)) items.push_back(placed.item);
  return items;
}

void CNGridView::selectItemAtIndex(std::int64_t index, Qt::KeyboardModifiers modifiers) {
  if (index == kCNNotFound) return;
  if (lastSelectedItemIndex_ != kCNNotFound && lastSelectedItemIndex_ != index) deselectItemIndex(lastSelectedItemIndex_);
  if (!itemAtIndex(index)) return;
  const bool selected = selectedIndexes_.contains(index);
  if (allowsMultipleSelection_) {
    if (!selected && !Shift(modifiers) && !Command(modifiers)) {
      deselectAllItems();
      selectItemIndex(index);
    } else if (selected && Command(modifiers)) {
      deselectItemIndex(index);
    } else if (!selected && Command(modifiers)) {
      selectItemIndex(index);
    } else if (Shift(modifiers)) {
      if (selectedIndexes_.empty()) {
        selectItemIndex(index);
      } else {
        const std::int64_t anchor = selectedIndexes_.lastIndex();
        for (std::int64_t k = std::min(anchor, index); k <= std::max(anchor, index); ++k) selectItemIndex(k);
      }
    } else if (selected) {
      deselectAllItems();
      selectItemIndex(index);
    }
  } else if (Command(modifiers) && selected) {
    deselectItemIndex(index);
  } else {
    selectItemIndex(index);
  }
  lastSelectedItemIndex_ = allowsMultipleSelection_ ? kCNNotFound : index;
}

// ---- clicks ----

void CNGridView::handleClicks() {
  const std::vector<std::int64_t> clicks = std::move(clickEvents_);
  clickEvents_.clear();
  for (const CNGridClick& click : ClassifyGridClicks(clicks)) {
    if (click.doubleClick)
      handleDoubleClickForItemAtIndex(click.index);
    else
      handleSingleClickForItemAtIndex(click.index);
  }
}

void CNGridView::handleSingleClickForItemAtIndex(std::int64_t index) {
  if (index == kCNNotFound) return;
  postIndexNotification(kCNGridViewDidClickItemNotification, index);
  if (delegate_) delegate_->gridViewDidClickItemAtIndex(*this, index, kSection);
}

void CNGridView::handleDoubleClickForItemAtIndex(std::int64_t index) {
  if (index == kCNNotFound) return;
  postIndexNotification(kCNGridViewDidDoubleClickItemNotification, index);
  if (delegate_) delegate_->gridViewDidDoubleClickItemAtIndex(*this, index, kSection);
}

// ---- mouse and keys ----

void CNGridView::mousePressEvent(QMouseEvent* event) {
  const QPointF point = contentPointFromViewport(event->position());
  setFocus(Qt::MouseFocusReason);
  if (event->button() == Qt::RightButton) {
    rightMouseDown(point);
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  // Escape cancels one rubber band; the next press may start another.
  abortSelection_ = false;
  mouseHasDragged_ = false;
  pressPoint_ = point;
  if (allowsSelection_ && event->type() != QEvent::MouseButtonDblClick) {
    const std::int64_t index = indexForItemAtLocation(point);
    if (index != kCNNotFound)
      selectItemAtIndex(index, event->modifiers());
    else if (!Shift(event->modifiers()) && !Command(event->modifiers()))
      deselectAllItems();
  }
}

void CNGridView::mouseMoveEvent(QMouseEvent* event) {
  const QPointF point = contentPointFromViewport(event->position());
  if (event->buttons().testFlag(Qt::LeftButton)) {
    if (allowsMultipleSelection_ && allowsMultipleSelectionWithDrag_) mouseDragged(point, event->modifiers());
    return;
  }
  hoverAt(point);
}

void CNGridView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (bandActive_) {
    commitSelectionFrame();
    return;
  }
  if (mouseHasDragged_) return;
  clickEvents_.push_back(indexForItemAtLocation(contentPointFromViewport(event->position())));
  if (clickEvents_.size() >= 3 || clickInterval_ <= 0)
    handleClicks();
  else
    clickTimer_.start(clickInterval_);
}

void CNGridView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    abortSelection_ = true;
    if (bandActive_) cancelSelectionFrame();
  }
  QAbstractScrollArea::keyPressEvent(event);
}

void CNGridView::rightMouseDown(QPointF contentPoint) {
  const std::int64_t index = indexForItemAtLocation(contentPoint);
  if (index == kCNNotFound) {
    deselectAllItems();
    return;
  }
  CNIndexSet indexes = selectedIndexes_;
  if (!indexes.contains(index)) {
    indexes = CNIndexSet{index};
    deselectAllItems();
    if (itemAtIndex(index)) selectItemIndex(index);
  }
  if (!itemContextMenu_) return;
  QList<qint64> carried;
  for (const std::int64_t k : indexes.count() <= 100000 ? indexes.indexes() : std::vector<std::int64_t>{index})
    carried.push_back(k);
  for (QAction* action : itemContextMenu_->actions()) action->setData(QVariant::fromValue(carried));
  connect(
      itemContextMenu_, &QMenu::aboutToHide, this,
      [this, indexes] {
        bridge::NotificationCenter::Default().Post(IndexSetNotification(
            kCNGridViewRightMouseButtonClickedOnItemNotification, kCNGridViewItemsIndexSetKey, indexes));
        if (delegate_) delegate_->gridViewDidActivateContextMenuWithIndexes(*this, indexes, kSection);
      },
      Qt::SingleShotConnection);
  itemContextMenu_->popup(viewport()->mapToGlobal(viewportPointFromContent(contentPoint).toPoint()));
}

// ---- rubber band ----

void CNGridView::mouseDragged(QPointF contentPoint, Qt::KeyboardModifiers modifiers) {
  mouseHasDragged_ = true;
  if (abortSelection_) return;
  drawSelectionFrameForMousePointerAtLocation(contentPoint);
  selectItemsCoveredBySelectionFrame(selectionFrame(), modifiers);
}

QRectF CNGridView::selectionFrame() const {
  if (!bandActive_ || !selectionFrameView_) return {};
  return QRectF(contentPointFromViewport(selectionFrameView_->pos()), QSizeF(selectionFrameView_->size()));
}

void CNGridView::drawSelectionFrameForMousePointerAtLocation(QPointF p) {
  if (!selectionFrameView_) {
    selectionFrameView_ = new CNSelectionFrameView(viewport());
    selectionFrameView_->hide();
  }
  if (!bandActive_) {
    // The band starts where the button went down.
    selectionFrameInitialPoint_ = pressPoint_;
    bandActive_ = true;
  }
  const QPointF s = selectionFrameInitialPoint_;
  const QRectF clipped = clippedRect();
  const double columnsWidth = static_cast<double>(columnsInGridView()) * kCNGridCellSize;
  const double x = std::max(std::ceil(std::min(p.x(), s.x())), clipped.x());
  const double y = std::max(std::ceil(std::min(p.y(), s.y())), clipped.y());
  double width = p.x() <= s.x() ? s.x() - x : p.x() - s.x();
  if (x + width >= columnsWidth) width = columnsWidth - x - 1;
  double height = p.y() <= s.y() ? s.y() - y : p.y() - s.y();
  if (y + height > clipped.bottom()) height = clipped.bottom() - y;
  const QPointF topLeft = viewportPointFromContent(QPointF(x, y));
  selectionFrameView_->setGeometry(QRect(QPoint(static_cast<int>(topLeft.x()), static_cast<int>(topLeft.y())),
                                         QSize(static_cast<int>(std::max(0.0, width)),
                                               static_cast<int>(std::max(0.0, height)))));
  selectionFrameView_->show();
  selectionFrameView_->raise();
}

void CNGridView::selectItemsCoveredBySelectionFrame(QRectF frame, Qt::KeyboardModifiers modifiers) {
  const std::int64_t topLeft = boundIndexForItemAtLocation(frame.topLeft());
  const std::int64_t bottomRight = boundIndexForItemAtLocation(frame.bottomRight());
  CNItemPoint from = locationForItemAtIndex(topLeft);
  CNItemPoint to = locationForItemAtIndex(bottomRight);
  const auto inside = [&](std::int64_t index) {
    const CNItemPoint at = locationForItemAtIndex(index);
    return at.row >= from.row && at.row <= to.row && at.column >= from.column && at.column <= to.column;
  };
  // Tiles the band marked before and no longer covers go back to their stored look.
  for (auto& [index, placed] : keyedVisibleItems_) {
    if (!selectedIndexesBySelectionFrame_.contains(index) || inside(index)) continue;
    const bool stored = selectedIndexes_.contains(index);
    placed.item->setSelected(stored);
    selectedIndexesBySelectionFrame_.remove(index);
  }
  const auto columns = static_cast<std::uint64_t>(columnsInGridView());
  const auto rows = static_cast<std::uint64_t>(allOverRowsInGridView());
  from.row = std::min(from.row, rows);
  to.row = std::min(to.row, rows);
  from.column = std::min(from.column, columns);
  to.column = std::min(to.column, columns);
  if (frame.width() <= 0 || frame.height() <= 0) return;
  for (std::uint64_t row = from.row; row <= to.row; ++row) {
    for (std::uint64_t column = from.column; column <= to.column; ++column) {
      const auto index = static_cast<std::int64_t>((row - 1) * columns + column - 1);
      CNGridViewItemBase* item = itemAtIndex(index);
      if (!item) continue;
      selectedIndexesBySelectionFrame_.add(index);
      // Command inverts the stored selection under the band.
      item->setSelected(Command(modifiers) ? !selectedIndexes_.contains(index) : true);
    }
  }
}

void CNGridView::commitSelectionFrame() {
  // What the band shows becomes the selection, with the usual will and did events.
  const CNIndexSet marked = selectedIndexesBySelectionFrame_;
  selectedIndexesBySelectionFrame_.clear();
  for (const std::int64_t index : marked.indexes()) {
    CNGridViewItemBase* item = itemAtIndex(index);
    if (!item) continue;
    if (item->selected())
      selectItemIndex(index);
    else
      deselectItemIndex(index);
  }
  bandActive_ = false;
  if (selectionFrameView_) selectionFrameView_->hide();
}

void CNGridView::cancelSelectionFrame() {
  for (const std::int64_t index : selectedIndexesBySelectionFrame_.indexes())
    if (CNGridViewItemBase* item = itemAtIndex(index)) item->setSelected(selectedIndexes_.contains(index));
  selectedIndexesBySelectionFrame_.clear();
  bandActive_ = false;
  if (selectionFrameView_) selectionFrameView_->hide();
}

// ---- incremental updates ----

void CNGridView::insertItemAtIndex(std::int64_t index, bool animated) { insertItemsAtIndexes(CNIndexSet{index}, animated); }

void CNGridView::insertItemsAtIndexes(const CNIndexSet& indexes, bool animated) {
  if (indexes.empty()) return;
  finishAnimation();
  // Each range is given in the new numbering: it pushes every item at or after its start further on.
  std::map<std::int64_t, Placed> moved;
  for (auto& [index, placed] : keyedVisibleItems_) {
    std::int64_t shifted = index;
    for (const auto& [first, last] : indexes.ranges())
      if (first <= shifted) shifted += last - first + 1;
    placed.item->setIndex(shifted);
    moved.emplace(shifted, placed);
  }
  keyedVisibleItems_ = std::move(moved);
  for (const auto& [first, last] : indexes.ranges()) selectedIndexes_.shiftIndexesStartingAtIndex(first, last - first + 1);
  numberOfItems_ += static_cast<std::int64_t>(indexes.count());
  if (lastHoveredIndex_ != kCNNotFound) lastHoveredIndex_ = kCNNotFound;
  refreshGridViewAnimated(animated, true);
}

void CNGridView::reloadItemsAtIndexes(const CNIndexSet& indexes, bool animated) {
  if (indexes.empty()) return;
  finishAnimation();
  std::vector<Placed> replaced;
  for (auto it = keyedVisibleItems_.begin(); it != keyedVisibleItems_.end();) {
    if (!indexes.contains(it->first)) {
      ++it;
      continue;
    }
    replaced.push_back(it->second);
    it = keyedVisibleItems_.erase(it);
  }
  retireTiles(std::move(replaced), animated);
  refreshGridViewAnimated(animated, true);
}

void CNGridView::removeItemsAtIndexes(const CNIndexSet& indexes, bool animated) {
  if (indexes.empty()) return;
  finishAnimation();
  std::vector<Placed> removed;
  std::map<std::int64_t, Placed> kept;
  for (auto& [index, placed] : keyedVisibleItems_) {
    if (indexes.contains(index)) {
      removed.push_back(placed);
      continue;
    }
    const auto shifted = index - static_cast<std::int64_t>(indexes.countOfIndexesBelow(index));
    placed.item->setIndex(shifted);
    kept.emplace(shifted, placed);
  }
  keyedVisibleItems_ = std::move(kept);
  std::int64_t gone = 0;
  for (auto it = indexes.ranges().rbegin(); it != indexes.ranges().rend(); ++it) {
    const auto [first, last] = *it;
    if (first >= numberOfItems_) continue;
    const std::int64_t end = std::min(last + 1, numberOfItems_);
    selectedIndexes_.shiftIndexesStartingAtIndex(end, first - end);
    gone += end - first;
  }
  numberOfItems_ -= gone;
  lastHoveredIndex_ = kCNNotFound;
  retireTiles(std::move(removed), animated);
  refreshGridViewAnimated(animated, true);
}

}  // namespace quellsy::ui
