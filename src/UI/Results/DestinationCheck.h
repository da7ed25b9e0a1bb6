#pragma once
// The recovery's destination looked at off the GUI thread: whether the user who started us may write to the
// folder, and how much room its file system has. Either can stall as long as the folder's mount does (a network
// share gone quiet, a failing disk), so a bridge background task asks and the answer comes back as a
// notification on the GUI thread. An answer is taken only by the check that asked for it and only while that
// check waits for it: one that arrives after the checker is gone, or after a newer look began, is dropped.

#include <QObject>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "Bridge/Notification.h"

namespace quellsy::ui {

// How a destination is looked at (on a worker); tests put their own answers in.
struct DestinationProbe {
  std::function<bool(const std::string&)> writable;
  std::function<std::optional<std::uint64_t>(const std::string&)> freeBytes;
};

// What was found. The room is asked only of a folder we may write to.
struct DestinationLooks {
  bool writable = false;
  std::optional<std::uint64_t> freeBytes;
};

class DestinationCheck final : public QObject {
  Q_OBJECT

 public:
  using Answer = std::function<void(const DestinationLooks&)>;
  static constexpr const char* kLookedNotification = "RecoveryDestinationLooked";

  // Looks with the platform's probe until told otherwise.
  explicit DestinationCheck(QObject* parent = nullptr);

  void setProbe(DestinationProbe probe) { probe_ = std::move(probe); }
  // Starts looking at folder and returns at once; answer runs later on the GUI thread. A look still under way is
  // given up.
  void Start(const std::string& folder, Answer answer);
  bool running() const { return waitingFor_ != 0; }

 private:
  void Looked(const bridge::Notification& notification);

  DestinationProbe probe_;
  std::uint64_t waitingFor_ = 0;  // the look whose answer is wanted; 0: none
  Answer answer_;
};

}  // namespace quellsy::ui
