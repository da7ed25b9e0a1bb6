#pragma once
// A row of segments of which one is selected, each showing one of our drawings (the view switch of the results
// window: list, grid, cover flow). A click on a segment selects it and reports it; selecting it from code
// reports nothing. A control that is not enabled shows its segments faded and takes no clicks.

#include <QStringList>
#include <QWidget>

namespace quellsy::ui {

class SegmentedControl : public QWidget {
  Q_OBJECT

 public:
  // images: one drawing's name per segment; labels: each segment's accessible name.
  SegmentedControl(const QStringList& images, const QStringList& labels, QWidget* parent = nullptr);

  int segmentCount() const { return static_cast<int>(images_.size()); }
  int selectedSegment() const { return selected_; }
  // Out of range: nothing changes.
  void setSelectedSegment(int segment);
  QString segmentLabel(int segment) const { return labels_.value(segment); }
  // The segment's rectangle in the control.
  QRect segmentRect(int segment) const;

 signals:
  void segmentSelected(int segment);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QStringList images_;
  QStringList labels_;
  int selected_ = 0;
};

}  // namespace quellsy::ui
