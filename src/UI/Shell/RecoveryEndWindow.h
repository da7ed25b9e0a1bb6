#pragma once
// What the two windows that close a recovery share: a small fading window with a title, a sentence, the
// destination folder as a link that opens it in the user's file manager (as the user who started us), and OK.
// KDScanEndSaveWindowController and KDScanNotEndSaveWindowController fill it. The controller is a child of its
// window.

#include <QObject>
#include <QSize>
#include <QString>

class QLabel;
class QPushButton;

namespace quellsy::ui {

class KDHandButton;
class TCImageWindow;
class WindowFade;

class RecoveryEndWindow : public QObject {
  Q_OBJECT

 public:
  static constexpr QSize kWindowSize{460, 210};
  static constexpr double kTitleBarHeight = 40;

  TCImageWindow* window() const { return aWindow_; }
  WindowFade* fade() const { return fade_; }
  QLabel* titleText() const { return title_; }
  QLabel* noteText() const { return note_; }
  KDHandButton* savePathLabel() const { return savePathLabel_; }
  QPushButton* okButton() const { return okButton_; }

  // The link's action: opens the folder shown; nothing for none.
  void jumpToSavePath();
  // Ends the window's run and closes it.
  void okButtonAction();

 protected:
  RecoveryEndWindow(const QString& objectName, const QString& title);
  // The folder shown as the link (and its tool tip), kept for jumpToSavePath.
  void ShowFolder(const QString& folder);
  void SetNote(const QString& text);

 private:
  TCImageWindow* aWindow_ = nullptr;
  WindowFade* fade_ = nullptr;
  QLabel* title_ = nullptr;
  QLabel* note_ = nullptr;
  KDHandButton* savePathLabel_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QString folder_;
};

}  // namespace quellsy::ui
