#pragma once
// The file-type page, the first page of the main window: the scan mode (deleted files and formatted drives get
// the quick scan, complete recovery the deep one) and the set of file kinds to look for, as decimal strings of
// single type bits ("1" documents ... "64" other). It reports every choice to its delegate, the main window, and
// hands the set on when the user presses Continue.
//
// The page shows the three scan-mode tiles and Continue. It adds no file-kind tiles of its own, so the set stays
// at all seven kinds unless a caller adds some; the state of the all-kinds box (the image it would show) follows
// the set.

#include <QRectF>
#include <QString>
#include <QWidget>
#include <string>
#include <vector>

namespace quellsy::ui {

class RVTCustemButton;
class TCImageButton;

class KDSelectTypeViewControllerDelegate {
 public:
  virtual void nextButtonActionWithAllTypeArr(const std::vector<std::string>& types) = 0;
  // 1 quick scan, 2 deep scan.
  virtual void changeScanTypeWithNum(int type) = 0;
  virtual void isSelectOffice(bool selected) = 0;

 protected:
  ~KDSelectTypeViewControllerDelegate() = default;
};

class KDSelectTypeViewController : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 900;
  static constexpr int kHeight = 550;

  explicit KDSelectTypeViewController(KDSelectTypeViewControllerDelegate* delegate, QWidget* parent = nullptr);

  // Adds a file-kind tile for bit 1 << tag at frame (the title and description are not shown on it).
  RVTCustemButton* buildTypeButtonWithTitleStr(const QString& title, const QString& node, const QString& icon,
                                               const QString& hoverIcon, int tag, const QRectF& frame);
  void selectButtonClick(RVTCustemButton* tile);
  void changeAllSelectState(RVTCustemButton* tile);
  void allTypesButtonClick();
  // tile: the scan-mode tile pressed (deleteButton, formatButton or completeButton).
  void selectScanTypeButtonClick(TCImageButton* tile);
  void nextButtonAction();
  void removeSelectOffice();

  int selectAllCount() const { return selectAllCount_; }
  void setSelectAllCount(int count) { selectAllCount_ = count; }
  const std::vector<std::string>& selectArr() const { return selectArr_; }
  const std::vector<RVTCustemButton*>& allTypeButton() const { return allTypeButton_; }

  TCImageButton* deleteButton() const { return deleteButton_; }
  TCImageButton* formatButton() const { return formatButton_; }
  TCImageButton* completeButton() const { return completeButton_; }
  TCImageButton* nextButton() const { return nextButton_; }
  // The image of the all-kinds box: "checkbox_yes" (all), "checkbox_half" (some) or "checkbox_no" (none).
  const QString& alltypesImage() const { return alltypesImage_; }

 private:
  TCImageButton* MakeModeTile(const char* name, const char* stem, int tag, const QRectF& frame, const char* titleKey,
                              const char* noteKey);
  void SetNextUsable(bool usable);

  KDSelectTypeViewControllerDelegate* delegate_;
  std::vector<std::string> selectArr_;
  std::vector<RVTCustemButton*> allTypeButton_;
  int selectAllCount_ = 0;
  TCImageButton* labelTextButton_ = nullptr;
  TCImageButton* diskButton_ = nullptr;
  TCImageButton* deleteButton_ = nullptr;
  TCImageButton* formatButton_ = nullptr;
  TCImageButton* completeButton_ = nullptr;
  TCImageButton* nextButton_ = nullptr;
  QString alltypesImage_;
};

}  // namespace quellsy::ui
