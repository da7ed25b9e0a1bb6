#pragma once
// The tile of a collection of found files, always 120 x 100 points: a background that lights up under the
// pointer, the thumbnail, the file's name, a check box and the mark of a deleted file. It shows the file whose
// key it holds (listData); its delegate knows the files' check states and whether checks are refused now.

#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <cstdint>

namespace quellsy::ui {

class BVViewDelegate {
 public:
  virtual ~BVViewDelegate() = default;
  // True while a scan runs: the check box then changes nothing.
  virtual bool checksLocked() const = 0;
  // 0 unchecked, 1 partly checked, 2 checked.
  virtual int fileNodeState(std::uint64_t listData) const = 0;
  virtual void setFileNodeState(std::uint64_t listData, int state) = 0;
  // A check box changed a file's state.
  virtual void reLoadItemData() = 0;
};

class BVView : public QWidget {
  Q_OBJECT

 public:
  static QSize itemSize() { return QSize(120, 100); }

  // Of itemSize whatever size is asked for; origin is where it stands in its parent.
  explicit BVView(QPoint origin = QPoint(), QWidget* parent = nullptr);

  void setDelegate(BVViewDelegate* delegate) { delegate_ = delegate; }
  std::uint64_t listData() const { return listData_; }
  void setListData(std::uint64_t listData) { listData_ = listData; }

  QLabel* bgImageView() const { return bgImageView_; }
  QLabel* imageView() const { return imageView_; }
  QLabel* titleLabel() const { return titleLabel_; }
  QPushButton* button() const { return button_; }
  QLabel* deleteIamgeView() const { return deleteIamgeView_; }
  // The drawing now on the background and on the check box.
  const QString& backgroundImage() const { return backgroundImage_; }
  const QString& checkBoxImage() const { return checkBoxImage_; }

  void setImage(const QImage& image);
  void setCheckBoxImage(const QString& name);
  // The check box's action.
  void changeButtonState();

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void setBackgroundImage(const QString& name);

  QLabel* bgImageView_;
  QLabel* imageView_;
  QLabel* titleLabel_;
  QPushButton* button_;
  QLabel* deleteIamgeView_;
  QString backgroundImage_;
  QString checkBoxImage_;
  std::uint64_t listData_ = 0;
  BVViewDelegate* delegate_ = nullptr;
};

}  // namespace quellsy::ui
