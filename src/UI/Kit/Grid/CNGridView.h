#pragma once
// A scrolling grid of equally sized tiles (150 x 150 points) over a long list that it never holds whole: it
// asks its data source for the count and, tile by tile, for the tiles of the rows in or next to the visible
// part, and parks tiles that leave that range in a pool keyed by reuse identifier, from which the data source
// takes them again (dequeueReusableItemWithIdentifier). Scrolling through any number of items therefore makes
// no new tiles once the pool holds a screenful.
//
// It tracks hover, a selection (kept as indexes, so selecting a million items makes no tile), clicks classified
// into single and double clicks, a right click that selects the tile under it and then shows the context menu,
// and a rubber band that Escape cancels. Each event is posted as a notification (CNGridNotifications.h) and then
// told to the delegate. Insertions, reloads and removals of single items move the tiles already placed, with
// short animations whose durations tests can set to zero. Everything runs on the GUI thread.

#include <QAbstractScrollArea>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QVariantAnimation>
#include <map>
#include <memory>
#include <vector>

#include "UI/Kit/Grid/CNGridGeometry.h"
#include "UI/Kit/Grid/CNGridViewItemBase.h"
#include "UI/Kit/Grid/CNGridViewProtocols.h"
#include "UI/Kit/Grid/CNIndexSet.h"

namespace quellsy::ui {

class CNSelectionFrameView;

class CNGridView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  static constexpr int kDefaultFadeMilliseconds = 350;
  static constexpr int kDefaultMoveMilliseconds = 150;

  explicit CNGridView(QWidget* parent = nullptr);
  ~CNGridView() override;

  // Neither is owned.
  CNGridViewDataSource* dataSource() const { return dataSource_; }
  void setDataSource(CNGridViewDataSource* source) { dataSource_ = source; }
  CNGridViewDelegate* delegate() const { return delegate_; }
  void setDelegate(CNGridViewDelegate* delegate) { delegate_ = delegate; }

  // How long tiles fade in after a reload or a resize and how long they move; how long clicks are gathered
  // before they are classified. Tests set them to zero.
  void setAnimationDurations(int fadeMilliseconds, int moveMilliseconds);
  void setClickInterval(int milliseconds) { clickInterval_ = milliseconds; }

  // Loading and layout.
  void reloadData() { reloadDataAnimated(false); }
  void reloadDataAnimated(bool animated);
  CNGridViewItemBase* dequeueReusableItemWithIdentifier(const QString& identifier);
  void refreshGridView();
  // Sizes the content to the item count now; places the tiles once the current event is handled.
  void refreshGridViewAnimated(bool animated, bool initialCall);
  // True while a placement asked for by refreshGridViewAnimated is still to run.
  bool layoutPending() const { return layoutPending_; }
  // True while tiles move or fade.
  bool isAnimating() const;
  CNIndexSet visibleIndexes() const;
  std::size_t numberOfVisibleItems() const { return keyedVisibleItems_.size(); }
  std::size_t numberOfParkedItems() const;
  // The tile placed at index; null when none is.
  CNGridViewItemBase* itemAtIndex(std::int64_t index) const;
  // Every placed tile, by ascending index.
  std::vector<CNGridViewItemBase*> placedItems() const;
  std::int64_t numberOfItems() const { return numberOfItems_; }

  // Geometry, in content coordinates (y from the top of all rows).
  CNGridGeometry gridGeometry() const;
  QRectF clippedRect() const;
  std::int64_t columnsInGridView() const { return gridGeometry().columnsInGridView(); }
  std::int64_t visibleRowsInGridView() const { return gridGeometry().visibleRowsInGridView(); }
  std::int64_t allOverRowsInGridView() const { return gridGeometry().allOverRowsInGridView(); }
  CNItemRange visibleItemRange() const { return gridGeometry().visibleItemRange(); }
  QRectF rectForItemAtIndex(std::int64_t index) const { return gridGeometry().rectForItemAtIndex(index); }
  std::int64_t indexForItemAtLocation(QPointF contentPoint) const;
  std::int64_t boundIndexForItemAtLocation(QPointF contentPoint) const;
  CNItemPoint locationForItemAtIndex(std::int64_t index) const;
  // A point of the viewport (what the pointer is over) in content coordinates, and back.
  QPointF contentPointFromViewport(QPointF viewportPoint) const;
  QPointF viewportPointFromContent(QPointF contentPoint) const;
  // Scrolls so that the content's y lies at the top of the view.
  void scrollToContentY(double y);

  // Selection.
  void setAllowsMultipleSelection(bool allows);
  bool allowsMultipleSelection() const { return allowsMultipleSelection_; }
  void selectItem(CNGridViewItemBase* item);
  void deSelectItem(CNGridViewItemBase* item);
  void selectItemIndex(std::int64_t index);
  void deselectItemIndex(std::int64_t index);
  void selectAllItems();
  void deselectAllItems();
  // The placed tiles that are selected; the selected indexes (placed or not).
  std::vector<CNGridViewItemBase*> selectedItems() const;
  const CNIndexSet& selectedIndexes() const { return selectedIndexes_; }
  void selectItemAtIndex(std::int64_t index, Qt::KeyboardModifiers modifiers);

  // Clicks: the gathered clicks classified (ClassifyGridClicks) and reported.
  void handleClicks();
  void handleSingleClickForItemAtIndex(std::int64_t index);
  void handleDoubleClickForItemAtIndex(std::int64_t index);

  // The rubber band, in content coordinates.
  void drawSelectionFrameForMousePointerAtLocation(QPointF contentPoint);
  void selectItemsCoveredBySelectionFrame(QRectF frame, Qt::KeyboardModifiers modifiers);
  // The band's rectangle in content coordinates; empty when no band is drawn.
  QRectF selectionFrame() const;
  bool abortSelection() const { return abortSelection_; }

  // Incremental updates; the data source's count must already say the same.
  void insertItemAtIndex(std::int64_t index, bool animated);
  void insertItemsAtIndexes(const CNIndexSet& indexes, bool animated);
  void reloadItemsAtIndexes(const CNIndexSet& indexes, bool animated);
  void removeItemsAtIndexes(const CNIndexSet& indexes, bool animated);
  void beginUpdates() {}
  void endUpdates() {}

  // Plain properties.
  const QString& gridViewTitle() const { return gridViewTitle_; }
  void setGridViewTitle(const QString& title) { gridViewTitle_ = title; }
  bool allowsSelection() const { return allowsSelection_; }
  void setAllowsSelection(bool allows) { allowsSelection_ = allows; }
  bool allowsMultipleSelectionWithDrag() const { return allowsMultipleSelectionWithDrag_; }
  void setAllowsMultipleSelectionWithDrag(bool allows) { allowsMultipleSelectionWithDrag_ = allows; }
  bool useSelectionRing() const { return useSelectionRing_; }
  void setUseSelectionRing(bool use) { useSelectionRing_ = use; }
  bool useHover() const { return useHover_; }
  void setUseHover(bool use) { useHover_ = use; }
  bool useCenterAlignment() const { return useCenterAlignment_; }
  void setUseCenterAlignment(bool use);
  // Not owned; each of its actions carries the indexes concerned (a QList<qint64>) while it shows.
  QMenu* itemContextMenu() const { return itemContextMenu_; }
  void setItemContextMenu(QMenu* menu) { itemContextMenu_ = menu; }
  // The background: a colour, or a tiled pattern drawn under the tiles.
  void setBackgroundColor(const QColor& color);
  void setBackgroundPattern(const QPixmap& pattern);
  // Whether the view may be dragged past its ends; the view never bounces here, so this only records it.
  void setScrollElasticity(bool elastic) { scrollElasticity_ = elastic; }
  bool scrollElasticity() const { return scrollElasticity_; }
  std::int64_t lastHoveredIndex() const { return lastHoveredIndex_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  struct Placed {
    CNGridViewItemBase* item = nullptr;
    QRectF frame;        // content coordinates
    double alpha = 1.0;
    QRectF fromFrame;    // where the running animation started
    double fromAlpha = 1.0;
    QRectF toFrame;
    double toAlpha = 1.0;
  };

  // Layout passes.
  void runLayoutPass();
  void updateVisibleRect();
  void updateReuseableItems();
  void updateVisibleItems();
  void arrangeGridViewItemsAnimated(bool animated);
  void startAnimation(int milliseconds);
  void applyAnimation(double progress);
  void finishAnimation();
  void placeTile(Placed& placed);
  void parkItem(CNGridViewItemBase* item);
  void retireTiles(std::vector<Placed> tiles, bool animated);
  void updateScrollRange();

  // Events.
  void hoverAt(QPointF contentPoint);
  void rightMouseDown(QPointF contentPoint);
  void mouseDragged(QPointF contentPoint, Qt::KeyboardModifiers modifiers);
  void commitSelectionFrame();
  void cancelSelectionFrame();

  // Forwarders: post the notification, then tell the delegate.
  void postIndexNotification(const std::string& name, std::int64_t index);
  void willHover(std::int64_t index);
  void willUnhover(std::int64_t index);

  CNGridViewDataSource* dataSource_ = nullptr;
  CNGridViewDelegate* delegate_ = nullptr;
  std::map<std::int64_t, Placed> keyedVisibleItems_;
  std::map<QString, std::vector<CNGridViewItemBase*>> reuseableItems_;
  std::vector<Placed> retiring_;  // tiles fading out before they are parked
  CNIndexSet selectedIndexes_;
  CNIndexSet selectedIndexesBySelectionFrame_;
  CNSelectionFrameView* selectionFrameView_ = nullptr;
  QPointF selectionFrameInitialPoint_;
  QPointF pressPoint_;
  bool bandActive_ = false;
  std::vector<std::int64_t> clickEvents_;
  QTimer clickTimer_;
  int clickInterval_ = 0;
  std::int64_t lastHoveredIndex_ = kCNNotFound;
  std::int64_t lastSelectedItemIndex_ = kCNNotFound;
  std::int64_t numberOfItems_ = 0;
  bool isInitialCall_ = true;
  bool layoutPending_ = false;
  bool pendingAnimated_ = false;
  bool mouseHasDragged_ = false;
  bool abortSelection_ = false;
  QVariantAnimation* animation_ = nullptr;
  int fadeMilliseconds_ = kDefaultFadeMilliseconds;
  int moveMilliseconds_ = kDefaultMoveMilliseconds;

  QString gridViewTitle_;
  bool scrollElasticity_ = true;
  bool allowsSelection_ = false;
  bool allowsMultipleSelection_ = false;
  bool allowsMultipleSelectionWithDrag_ = false;
  bool useSelectionRing_ = true;
  bool useHover_ = true;
  bool useCenterAlignment_ = false;
  QPointer<QMenu> itemContextMenu_;
};

}  // namespace quellsy::ui
