#pragma once
// The alert of every question the windows ask: the "warning" picture, a message in bold, an informative text
// below it and up to three buttons that answer 1 (the default button, at the right), 0 (the alternate button,
// left of it) or -1 (the other button, at the far left). Return presses the default button. It runs as a sheet
// on the asking window, or application-modal where a window asks so:
//
//   auto* alert = AlertPanel::alertWithMessageText(Text("RVT_FOUR_SCAN_STOP_TITLE"),
//       Text("RVT_FOUR_SCAN_STOP_YES_BUTTON"), Text("RVT_FOUR_SCAN_STOP_NO_BUTTON"), QString(),
//       Text("RVT_FOUR_SCAN_STOP_NODE"));
//   alert->beginSheetModalForWindow(window, [this](int code) { alertEnded(code); });
//
// Tests answer it by clicking its buttons ("alertDefaultButton", "alertAlternateButton", "alertOtherButton"),
// for instance from ModalRunner's run observer.

#include <QString>
#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;

namespace quellsy::ui {

class TCImageWindow;

class AlertPanel : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kDefaultReturn = 1;
  static constexpr int kAlternateReturn = 0;
  static constexpr int kOtherReturn = -1;
  // The panel's width, unless its buttons need more.
  static constexpr int kWidth = 420;

  // An alternate or other button with an empty title is left out; an empty default title reads "OK".
  static AlertPanel* alertWithMessageText(const QString& message, const QString& defaultButton,
                                          const QString& alternateButton, const QString& otherButton,
                                          const QString& informativeText);

  AlertPanel(const QString& message, const QString& defaultButton, const QString& alternateButton,
             const QString& otherButton, const QString& informativeText, QWidget* parent = nullptr);

  QString messageText() const;
  QString informativeText() const;
  // The button that answers code (1, 0 or -1); none when the alert has no such button.
  QPushButton* button(int code) const;
  // The picture beside the texts, by name ("warning" unless set).
  void setIconName(const QString& name);

  // Runs application-modal and returns the answer.
  int runModal();
  // Runs as a sheet on window; done(answer) when answered, after which the alert deletes itself.
  void beginSheetModalForWindow(TCImageWindow* window, std::function<void(int)> done);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QPushButton* AddButton(const QString& title, int code, const char* objectName, bool isDefault);

  QLabel* icon_ = nullptr;
  QLabel* message_ = nullptr;
  QLabel* informative_ = nullptr;
  QPushButton* defaultButton_ = nullptr;
  QPushButton* alternateButton_ = nullptr;
  QPushButton* otherButton_ = nullptr;
};

}  // namespace quellsy::ui
