#pragma once
// The results window at the end of a scan, ready to recover: the recovery's folder panel answered with a folder
// the test names (or cancelled), the alerts and windows it shows noted and answered as the test says.

#include <QFileDialog>
#include <QPushButton>
#include <QTimer>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ResultsWindowFixture.h"
#include "UI/Kit/ModalRunner.h"
#include "UI/Results/ResultsRecovery.h"

namespace quellsy::ui::test {

class RecoveryFixture : public ResultsWindowFixture {
 protected:
  void SetUp() override {
    ResultsWindowFixture::SetUp();
    ModalRunner::setRunObserver([this](QWidget* window) { Answer(window); });
  }

  // The folder the panel is answered with; nothing cancels it.
  void ChooseFolder(std::optional<std::string> folder) { folder_ = std::move(folder); }
  void AnswerWith(const std::string& alert, const char* button) { answers_[alert] = button; }
  const std::vector<std::string>& Shown() const { return shown_; }
  std::size_t TimesShown(const std::string& name) const {
    return static_cast<std::size_t>(std::count(shown_.begin(), shown_.end(), name));
  }
  bool WaitShown(const std::string& name, std::size_t times = 1) {
    return QTest::qWaitFor([&] { return TimesShown(name) >= times; });
  }
  // The panel's size and the folder it started in when it was last shown.
  QSize panelSize_;
  QString panelStartedIn_;

 private:
  void Answer(QWidget* window) {
    const std::string name = window->objectName().toStdString();
    shown_.push_back(name);
    if (auto* panel = window->findChild<QFileDialog*>()) {
      panelSize_ = window->size();
      panelStartedIn_ = panel->directory().absolutePath();
      // Answered from the event loop, once the run that shows it is in place.
      QTimer::singleShot(0, panel, [panel, folder = folder_] {
        if (!folder) {
          panel->reject();
          return;
        }
        panel->setDirectory(QString::fromStdString(*folder));
        QMetaObject::invokeMethod(panel, "accept");
      });
      return;
    }
    const auto answer = answers_.find(name);
    if (answer == answers_.end()) return;
    if (auto* button = window->findChild<QPushButton*>(QString::fromLatin1(answer->second)))
      QTimer::singleShot(0, button, [button] { QTest::mouseClick(button, Qt::LeftButton); });
  }

  std::optional<std::string> folder_;
  std::map<std::string, const char*> answers_;
  std::vector<std::string> shown_;
};

}  // namespace quellsy::ui::test
