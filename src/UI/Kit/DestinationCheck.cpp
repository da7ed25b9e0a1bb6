#include "UI/Kit/DestinationCheck.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <charconv>

#include "Bridge/BackgroundTasks.h"
#include "Bridge/BridgeServices.h"
#include "Platform/InvokingUser.h"
#include "UI/Kit/NotificationObserver.h"

namespace quellsy::ui {
namespace {

constexpr const char* kLookKey = "look";

// Every look in the process gets its own number, so each checker knows its answer.
std::uint64_t NextLook() {
  static std::atomic<std::uint64_t> last{0};
  return ++last;
}

std::optional<std::uint64_t> NumberIn(const bridge::NotificationInfo& info, const char* key) {
  const auto found = info.find(key);
  if (found == info.end()) return std::nullopt;
  std::uint64_t value = 0;
  const std::string& text = found->second;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

bool Asked(const std::function<bool(const std::string&)>& probe, const std::string& path) {
  return probe && probe(path);
}

// Everything asked of path, on the worker.
void Look(const DestinationProbe& probe, const std::string& path, unsigned looks, DestinationLooks& found) {
  found.path = path;
  found.device.folder = path;
  if (looks & kLookWritable) {
    found.writable = Asked(probe.writable, path);
    if (found.writable && probe.freeBytes) found.freeBytes = probe.freeBytes(path);
  }
  if (looks & kLookKind) {
    found.isFolder = Asked(probe.isFolder, path);
    found.isFile = !found.isFolder && Asked(probe.isFile, path);
  }
  // An empty path (nothing saved yet) is no file in the working folder.
  if ((looks & kLookParentIsFolder) && !path.empty())
    found.parentIsFolder = Asked(probe.isFolder, QFileInfo(QString::fromStdString(path)).absolutePath().toStdString());
  if (looks & kLookTakesFiles) found.takesFiles = Asked(probe.takesFiles, path);
  if ((looks & kLookDevice) && probe.device) found.device = probe.device(path);
  if ((looks & kLookHome) && probe.home) found.home = probe.home();
}

}  // namespace

DestinationCheck::DestinationCheck(QObject* parent) : QObject(parent) {
  probe_.writable = [](const std::string& folder) { return platform::InvokingUserCanWrite(folder); };
  probe_.freeBytes = [](const std::string& folder) { return platform::FreeBytes(folder); };
  probe_.isFolder = [](const std::string& path) { return QFileInfo(QString::fromStdString(path)).isDir(); };
  probe_.isFile = [](const std::string& path) { return QFileInfo(QString::fromStdString(path)).isFile(); };
  // A read-only mount refuses even root.
  probe_.takesFiles = [](const std::string& folder) {
    return QFileInfo(QString::fromStdString(folder)).isDir() && ::access(folder.c_str(), W_OK | X_OK) == 0;
  };
  probe_.device = [](const std::string& folder) { return platform::DeviceOfFolder(folder); };
  probe_.home = [] {
    if (const auto user = platform::FindInvokingUser(); user && !user->home.empty()) return user->home;
    return QDir::homePath().toStdString();
  };
  // Ends with this object: an answer that comes later reaches no one.
  ObserveNotification(this, kLookedNotification, [this](const bridge::Notification& note) { Looked(note); });
}

void DestinationCheck::Start(const std::string& path, unsigned looks, Answer answer) {
  waitingFor_ = NextLook();
  answer_ = std::move(answer);
  found_ = std::make_shared<DestinationLooks>();
  // The task holds its own copies: nothing of this object is touched off the GUI thread. What it finds is read
  // only once its notification has come, which it posts after the last write.
  bridge::BackgroundTasks::Instance().Run([probe = probe_, path, looks, look = waitingFor_, found = found_] {
    Look(probe, path, looks, *found);
    bridge::PostOnMainThread(bridge::Notification{kLookedNotification, {{kLookKey, std::to_string(look)}}, {}});
  });
}

void DestinationCheck::Looked(const bridge::Notification& notification) {
  if (waitingFor_ == 0 || NumberIn(notification.info, kLookKey) != waitingFor_) return;
  waitingFor_ = 0;
  const std::shared_ptr<DestinationLooks> found = std::move(found_);
  // The answer may start another look.
  const Answer answer = std::move(answer_);
  answer_ = nullptr;
  if (answer) answer(*found);
}

}  // namespace quellsy::ui
