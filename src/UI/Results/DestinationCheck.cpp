#include "UI/Results/DestinationCheck.h"

#include <atomic>
#include <charconv>

#include "Bridge/BackgroundTasks.h"
#include "Bridge/BridgeServices.h"
#include "Platform/DestinationFolder.h"
#include "UI/Kit/NotificationObserver.h"

namespace quellsy::ui {
namespace {

constexpr const char* kLookKey = "look";
constexpr const char* kWritableKey = "writable";
constexpr const char* kFreeKey = "free";

// Every look in the process gets its own number, so each checker (one per results window) knows its answer.
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

}  // namespace

DestinationCheck::DestinationCheck(QObject* parent) : QObject(parent) {
  probe_.writable = [](const std::string& folder) { return platform::InvokingUserCanWrite(folder); };
  probe_.freeBytes = [](const std::string& folder) { return platform::FreeBytes(folder); };
  // Ends with this object: an answer that comes later reaches no one.
  ObserveNotification(this, kLookedNotification, [this](const bridge::Notification& note) { Looked(note); });
}

void DestinationCheck::Start(const std::string& folder, Answer answer) {
  waitingFor_ = NextLook();
  answer_ = std::move(answer);
  // The task holds its own copies: nothing of this object is touched off the GUI thread.
  bridge::BackgroundTasks::Instance().Run([probe = probe_, folder, look = waitingFor_] {
    bridge::NotificationInfo info{{kLookKey, std::to_string(look)}};
    const bool writable = probe.writable && probe.writable(folder);
    info.emplace(kWritableKey, writable ? "1" : "0");
    if (writable && probe.freeBytes)
      if (const auto free = probe.freeBytes(folder)) info.emplace(kFreeKey, std::to_string(*free));
    bridge::PostOnMainThread(bridge::Notification{kLookedNotification, std::move(info), {}});
  });
}

void DestinationCheck::Looked(const bridge::Notification& notification) {
  if (waitingFor_ == 0 || NumberIn(notification.info, kLookKey) != waitingFor_) return;
  waitingFor_ = 0;
  DestinationLooks looks;
  looks.writable = NumberIn(notification.info, kWritableKey) == 1u;
  looks.freeBytes = NumberIn(notification.info, kFreeKey);
  // The answer may start another look.
  const Answer answer = std::move(answer_);
  answer_ = nullptr;
  if (answer) answer(looks);
}

}  // namespace quellsy::ui
