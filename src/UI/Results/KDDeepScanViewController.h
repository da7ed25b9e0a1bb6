#pragma once
// The content of the small pop-over the results window shows after a quick scan: one line pointing the user to
// the deep scan, its words "Deep Scan" set apart in their own font, and a button that closes it. The results
// window decides when it is shown and carries it in an attached pop-over (MAAttachedWindow), which owns it.

#include <QWidget>

class QLabel;

namespace quellsy::ui {

class TCImageButton;

class KDDeepScanViewControllerDelegate {
 public:
  virtual ~KDDeepScanViewControllerDelegate() = default;
  // The user closed the hint.
  virtual void popupViewHidden() = 0;
};

class KDDeepScanViewController : public QWidget {
  Q_OBJECT

 public:
  static constexpr QSize kSize{330, 58};

  explicit KDDeepScanViewController(QWidget* parent = nullptr);

  QLabel* deepScanNodeLabel() const { return deepScanNodeLabel_; }
  TCImageButton* closeButton() const { return closeButton_; }
  // Not owned; none makes the close button do nothing.
  KDDeepScanViewControllerDelegate* delegate() const { return delegate_; }
  void setDelegate(KDDeepScanViewControllerDelegate* delegate) { delegate_ = delegate; }

  // Fills the label from the text "RVT_FOUR_DEEPSCAN_NODE", the words of "Deep Scan" in it set apart; a text
  // without those words leaves the label as it was (logged).
  void setTextFiled();
  void closeButtonAction();

 private:
  QLabel* deepScanNodeLabel_;
  TCImageButton* closeButton_;
  KDDeepScanViewControllerDelegate* delegate_ = nullptr;
};

}  // namespace quellsy::ui
