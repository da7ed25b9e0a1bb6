#pragma once
// A folder the windows are about to use, looked at off the GUI thread: what it is, whether the user who started
// us may write there or the process may make files there, how much room its file system has, which device it
// lives on, and the invoking user's home. Any of these can stall as long as the folder's mount does (a network
// share gone quiet, a failing disk, a user directory served over the network), so a bridge background task
// asks and the answer comes back as a notification on the GUI thread. An answer is taken only by the check that
// asked for it and only while that check waits for it: one that arrives after the checker is gone, or after a
// newer look began, is dropped.

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Bridge/Notification.h"
#include "Platform/DestinationFolder.h"

namespace quellsy::ui {

// How a path is looked at (on a worker); tests put their own answers in. A look with no function here finds
// nothing (false, none, the folder with no device).
struct DestinationProbe {
  std::function<bool(const std::string&)> writable = nullptr;  // by the invoking user
  std::function<std::optional<std::uint64_t>(const std::string&)> freeBytes = nullptr;
  std::function<bool(const std::string&)> isFolder = nullptr;
  std::function<bool(const std::string&)> isFile = nullptr;
  std::function<bool(const std::string&)> takesFiles = nullptr;  // by this process: a folder it may write in and enter
  std::function<platform::FolderDevice(const std::string&)> device = nullptr;
  std::function<std::string()> home = nullptr;  // the invoking user's, else ours
};

// What to look at, or-ed together.
enum DestinationLook : unsigned {
  kLookWritable = 1u << 0,  // and, when writable, the free room
  kLookKind = 1u << 1,
  kLookParentIsFolder = 1u << 2,  // whether the folder holding the path is one
  kLookTakesFiles = 1u << 3,
  kLookDevice = 1u << 4,
  kLookHome = 1u << 5,
};

// What was found; the room is asked only of a folder we may write to.
struct DestinationLooks {
  std::string path;
  bool writable = false;
  std::optional<std::uint64_t> freeBytes;
  bool isFolder = false;
  bool isFile = false;
  bool parentIsFolder = false;
  bool takesFiles = false;
  platform::FolderDevice device;  // its folder the path as asked, and no device unless looked for
  std::string home;
};

class DestinationCheck final : public QObject {
  Q_OBJECT

 public:
  using Answer = std::function<void(const DestinationLooks&)>;
  static constexpr const char* kLookedNotification = "RecoveryDestinationLooked";

  // Looks with the platform's probe until told otherwise.
  explicit DestinationCheck(QObject* parent = nullptr);

  const DestinationProbe& probe() const { return probe_; }
  void setProbe(DestinationProbe probe) { probe_ = std::move(probe); }
  // Starts looking at path (looks: DestinationLook flags) and returns at once; answer runs later on the GUI
  // thread. A look still under way is given up.
  void Start(const std::string& path, unsigned looks, Answer answer);
  bool running() const { return waitingFor_ != 0; }

 private:
  void Looked(const bridge::Notification& notification);

  DestinationProbe probe_;
  std::uint64_t waitingFor_ = 0;  // the look whose answer is wanted; 0: none
  std::shared_ptr<DestinationLooks> found_;  // filled by that look's task before it posts
  Answer answer_;
};

}  // namespace quellsy::ui
