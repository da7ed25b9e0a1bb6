#pragma once
// The cover flow: the listing's pictures as covers, the selected one facing the viewer, the others turned
// towards it in perspective on both sides, every cover mirrored on a dark floor. Left and Right (and Home,
// End, Page Up, Page Down), the wheel and clicks on a side cover move the selection; the flow glides there.
// It asks its data source only for the covers it draws and keeps their drawn looks in a small cache keyed by
// identifier and version, so a cover whose version grew is drawn again.

#include <QHash>
#include <QImage>
#include <QVariantAnimation>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "UI/Kit/Grid/CNGridGeometry.h"
#include "UI/Kit/Grid/Photo.h"

namespace quellsy::ui {

class CoverFlowView;

class CoverFlowDataSource {
 public:
  virtual ~CoverFlowDataSource() = default;
  virtual std::uint64_t numberOfItemsInImageFlow(CoverFlowView& view) = 0;
  // Null past the end; the view keeps no reference beyond the current paint.
  virtual std::shared_ptr<Photo> imageFlowItemAtIndex(CoverFlowView& view, std::int64_t index) = 0;
};

class CoverFlowDelegate {
 public:
  virtual ~CoverFlowDelegate() = default;
  virtual void imageFlowDidSelectItemAtIndex(CoverFlowView&, std::int64_t) {}
};

class CoverFlowView : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kDefaultGlideMilliseconds = 250;
  static constexpr int kCacheCovers = 64;

  explicit CoverFlowView(QWidget* parent = nullptr);

  // Neither is owned.
  void setDataSource(CoverFlowDataSource* source) { dataSource_ = source; }
  void setDelegate(CoverFlowDelegate* delegate) { delegate_ = delegate; }
  // How long the flow glides to a new selection; tests set zero.
  void setGlideMilliseconds(int milliseconds) { glideMilliseconds_ = milliseconds; }

  std::int64_t selectedIndex() const { return selectedIndex_; }
  // Selects without telling the delegate (the window's own moves).
  void setSelectedIndex(std::int64_t index);
  void reloadData();
  void reloadCellDataAtIndex(std::int64_t index);
  std::int64_t itemsCount() const { return itemsCount_; }
  void setNeedsDisplay(bool needed) {
    if (needed) update();
  }
  void freeCache() { cache_.clear(); }
  // The flow's position: the selected index once a glide has ended.
  double position() const { return position_; }
  // The cover under a point of the view; kCNNotFound when none.
  std::int64_t indexAt(QPointF point) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  struct Look {
    QString uid;
    std::int64_t version = -1;
    QImage cover;       // the picture fitted into the square, on its foot
    QImage reflection;  // its mirror, fading out
    QRectF picture;     // where the picture lies in the square
  };
  const Look& LookOf(std::int64_t index, double side);
  void moveTo(std::int64_t index);
  void glideTo(double target);

  CoverFlowDataSource* dataSource_ = nullptr;
  CoverFlowDelegate* delegate_ = nullptr;
  std::int64_t itemsCount_ = 0;
  std::int64_t selectedIndex_ = 0;
  double position_ = 0;
  int glideMilliseconds_ = kDefaultGlideMilliseconds;
  QVariantAnimation* glide_ = nullptr;
  QHash<std::int64_t, Look> cache_;
  double wheelRemainder_ = 0;
};

}  // namespace quellsy::ui
