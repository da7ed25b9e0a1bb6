#pragma once
// The window buttons that light up together: one shared group per identifier counts how many of its buttons
// hold the mouse pointer and tells every button when that count changes, so that pointing at any button of a
// group shows the rollover image on all of its enabled buttons. The groups live in one process-wide registry
// (never emptied while the program runs; emptied for tests by ResetRegistryForTests).

#include <QObject>
#include <QString>
#include <memory>

namespace quellsy::ui {

// The identifier of the group of buttons made without one.
inline constexpr const char* kTCWindowButtonGroupDefault = "org.quellsy.window-button-group.default";

class TCWindowButtonGroup : public QObject {
  Q_OBJECT

 public:
  // The registered group of identifier (the default group for an empty one), made and registered when missing.
  static TCWindowButtonGroup* groupWithIdentifier(const QString& identifier = QString());
  // The same, shared: a button keeps its group alive across a reset of the registry.
  static std::shared_ptr<TCWindowButtonGroup> sharedGroupWithIdentifier(const QString& identifier = QString());
  // Forgets every group; buttons still holding one keep it, alone (tests).
  static void ResetRegistryForTests();

  explicit TCWindowButtonGroup(const QString& identifier);

  const QString& identifier() const { return identifier_; }
  qint64 numberOfCaptures() const { return numberOfCaptures_; }
  // Stores a count that differs and is not negative, and announces it; anything else is ignored.
  void setNumberOfCaptures(qint64 count);
  void didCaptureMousePointer() { setNumberOfCaptures(numberOfCaptures_ + 1); }
  void didReleaseMousePointer() { setNumberOfCaptures(numberOfCaptures_ - 1); }
  void resetMouseCaptures() { setNumberOfCaptures(0); }
  bool shouldDisplayRollOver() const { return numberOfCaptures_ > 0; }

 signals:
  // The count changed.
  void didUpdateRolloverState();

 private:
  const QString identifier_;
  qint64 numberOfCaptures_ = 0;
};

}  // namespace quellsy::ui
