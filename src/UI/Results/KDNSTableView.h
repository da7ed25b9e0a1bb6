#pragma once
// The results window's file table: its own header (CustomHeaderCell) with a select-all box over the check
// column, fixed-height rows so that a listing of any length opens at once, the note over an empty listing, and
// the space bar, which posts "SpacePreviewFile" for the preview of the row selected last.

#include <QTableView>

class QLabel;
class QToolButton;

namespace quellsy::ui {

class CustomHeaderCell;

class KDNSTableView : public QTableView {
  Q_OBJECT

 public:
  static constexpr const char* kSpacePreviewNotification = "SpacePreviewFile";
  static constexpr int kRowHeight = 22;
  static constexpr QSize kNoteSize{400, 50};

  explicit KDNSTableView(QWidget* parent = nullptr);

  CustomHeaderCell* headerCell() const { return header_; }
  QToolButton* selectAllButton() const { return selectAllButton_; }
  // Shows the select-all box with the image of state.
  void setSelectAllState(int state);
  int selectAllState() const { return selectAllState_; }
  // 0 shows the note over the table, anything else removes it.
  void changeNoValue(int remove);
  QWidget* noValueView() const { return noValueView_; }
  // Re-centres the note.
  void changeFrame();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  CustomHeaderCell* header_ = nullptr;
  QToolButton* selectAllButton_ = nullptr;
  int selectAllState_ = 0;
  QWidget* noValueView_ = nullptr;
  QWidget* nodeView_ = nullptr;
};

}  // namespace quellsy::ui
