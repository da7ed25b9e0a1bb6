#include "UI/Kit/UserDefaults.h"

#include <memory>

#include "Platform/UserPaths.h"

namespace quellsy::ui {
namespace {

struct Holder {
  std::mutex lock;
  std::unique_ptr<UserDefaults> defaults;
  std::filesystem::path path;
};

Holder& TheHolder() {
  static Holder holder;
  return holder;
}

}  // namespace

UserDefaults& UserDefaults::Instance() {
  Holder& holder = TheHolder();
  const std::lock_guard<std::mutex> hold(holder.lock);
  if (!holder.defaults) {
    const std::filesystem::path path = holder.path.empty() ? DefaultPath().value_or(std::filesystem::path()) : holder.path;
    holder.defaults = std::make_unique<UserDefaults>(path);
  }
  return *holder.defaults;
}

void UserDefaults::ResetForTests(const std::filesystem::path& path) {
  Holder& holder = TheHolder();
  const std::lock_guard<std::mutex> hold(holder.lock);
  holder.defaults.reset();
  holder.path = path;
}

std::optional<std::filesystem::path> UserDefaults::DefaultPath() {
  const auto config = platform::UserConfigDir();
  if (!config) return std::nullopt;
  return *config / "Quellsy" / "Defaults.plist";
}

UserDefaults::UserDefaults(std::filesystem::path path) : path_(std::move(path)) {
  if (path_.empty()) return;
  if (auto stored = platform::SettingsFile::Load(path_)) values_ = std::move(*stored);
}

std::optional<std::string> UserDefaults::GetString(std::string_view key) const {
  const std::lock_guard<std::mutex> hold(lock_);
  return values_.GetString(key);
}

std::optional<bool> UserDefaults::GetBool(std::string_view key) const {
  const std::lock_guard<std::mutex> hold(lock_);
  return values_.GetBool(key);
}

std::optional<std::vector<std::string>> UserDefaults::GetStringList(std::string_view key) const {
  const std::lock_guard<std::mutex> hold(lock_);
  return values_.GetStringList(key);
}

std::string UserDefaults::PreferredLanguage() const {
  const auto languages = GetStringList(kLanguages);
  return languages && !languages->empty() ? languages->front() : std::string();
}

bool UserDefaults::SetString(std::string_view key, std::string_view value) {
  const std::lock_guard<std::mutex> hold(lock_);
  values_.SetString(key, value);
  return SaveLocked();
}

bool UserDefaults::SetBool(std::string_view key, bool value) {
  const std::lock_guard<std::mutex> hold(lock_);
  values_.SetBool(key, value);
  return SaveLocked();
}

bool UserDefaults::SetStringList(std::string_view key, const std::vector<std::string>& values) {
  const std::lock_guard<std::mutex> hold(lock_);
  values_.SetStringList(key, values);
  return SaveLocked();
}

bool UserDefaults::Remove(std::string_view key) {
  const std::lock_guard<std::mutex> hold(lock_);
  values_.Remove(key);
  return SaveLocked();
}

bool UserDefaults::SaveLocked() const { return !path_.empty() && values_.Save(path_); }

}  // namespace quellsy::ui
