#pragma once
// The notice the main window shows instead of starting a scan when the chosen entry cannot be opened for
// scanning: what happened and what to try, a link to the help page (when the program installed the link hook)
// and OK. It changes nothing in the scan workflow; closing it returns to the main window. Its window owns it:
// the window fades in when shown, and asking it to close fades it out, ends its modal run and closes it.
//
//   auto* notice = new APFSScanWindowController;
//   ModalRunner::beginModalForWindow(notice->window(), [](int) {});

#include <QObject>

class QPushButton;

namespace quellsy::ui {

class KDHandButton;
class TCImageWindow;
class WindowFade;

class APFSScanWindowController : public QObject {
  Q_OBJECT

 public:
  static constexpr const char* kHelpLinkKey = "APFS_HELP_URL";

  APFSScanWindowController();

  TCImageWindow* window() const { return aWindow_; }
  QPushButton* okButton() const { return okButton_; }
  KDHandButton* linkButton() const { return linkButton_; }

  // OK (as the window's own close button): ends the modal run and closes the window, which deletes it.
  void okButtonAction();
  // Opens the help page; the notice stays.
  void linkButtonAction();

 private:
  TCImageWindow* aWindow_;
  WindowFade* fade_;
  QPushButton* okButton_ = nullptr;
  KDHandButton* linkButton_ = nullptr;
};

}  // namespace quellsy::ui
