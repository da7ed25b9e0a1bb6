#include "Bridge/KDUIPublic.h"

#include <array>
#include <cstring>
#include <utility>

#include "Bridge/BackgroundTasks.h"
#include "Bridge/BridgeServices.h"
#include "Bridge/CaseInsensitive.h"
#include "Bridge/NotificationCenter.h"
#include "Bridge/PathComponent.h"
#include "Utility/TimeUtil.h"

using quellsy::bridge::Notification;

std::int64_t convertWindowsTimeToUnixTime(std::uint64_t fileTime) { return quellsy::FileTimeToUnixSeconds(fileTime); }

namespace {

std::string NameOf(const char* name) { return name ? name : ""; }

bool DesktopMode() { return quellsy::bridge::Settings().GetBool(KDUIPublic::kSelectDesktopDiskKey); }

bool FileMatches(const char* needle, IFileNode* file, bool desktopMode) {
  if (!desktopMode) return KDUIPublic::IsStringInString(needle, file->GetFileName());
  const IFileNode* parent = file->GetParent();
  return parent && NameOf(parent->GetFileName()) == "Desktop";
}

// Pre-order walk below folder without recursion: a folder deep enough to matter must not cost stack.
bool AnyFileBelowMatches(const char* needle, IFileNode* folder, bool desktopMode) {
  IFileNode* node = folder->GetFirstChild();
  while (node) {
    if (!node->IsDirectory()) {
      if (FileMatches(needle, node, desktopMode)) return true;
    } else if (IFileNode* child = node->GetFirstChild()) {
      node = child;
      continue;
    }
    // Next sibling, else the next sibling of the nearest ancestor below folder that has one.
    while (node && node != folder && !node->GetNextNode()) node = node->GetParent();
    if (!node || node == folder) return false;
    node = node->GetNextNode();
  }
  return false;
}

}  // namespace

void KDUIPublic::NotifyMainThread(const std::string& name) {
  quellsy::bridge::PostOnMainThread(Notification{name, {}, {}});
}

void KDUIPublic::NotifyMainThreadCB(const std::string& name) {
  quellsy::bridge::NotificationCenter::Default().Post(Notification{name, {}, {}});
}

void KDUIPublic::NotifyMainThreadByPostKey(const std::string& name, std::function<void()> work) {
  quellsy::bridge::BackgroundTasks::Instance().Run([name, work = std::move(work)] {
    if (work) work();
    NotifyMainThread(name);
  });
}

std::string KDUIPublic::FormatFileTimeToString(std::uint64_t fileTime) {
  if (fileTime == 0) return "";
  const std::time_t seconds = static_cast<std::time_t>(convertWindowsTimeToUnixTime(fileTime));
  std::tm local{};
  if (!localtime_r(&seconds, &local)) return "";
  std::array<char, 128> text{};
  const std::size_t length = std::strftime(text.data(), text.size(), "%e %B %Y %H:%M", &local);
  std::string out(text.data(), length);
  return out.starts_with(' ') ? out.substr(1) : out;
}

bool KDUIPublic::GetLocalYearMonth(std::time_t seconds, int* year, int* month) {
  std::tm local{};
  if (!localtime_r(&seconds, &local)) return false;
  if (year) *year = local.tm_year + 1900;
  if (month) *month = local.tm_mon + 1;
  return true;
}

int KDUIPublic::GetYearAndMonthByFileTime(int* year, int* month, std::uint64_t fileTime) {
  const auto seconds = static_cast<std::time_t>(convertWindowsTimeToUnixTime(fileTime));
  if (!GetLocalYearMonth(seconds, year, month) || !month) return 0;
  return *month;
}

bool KDUIPublic::IsStringInString(const char* needle, const char* haystack) {
  if (!needle || !*needle) return true;
  if (!haystack) return false;
  return quellsy::bridge::ContainsIgnoringCase(haystack, needle);
}

bool KDUIPublic::IsStringInFileNode(const char* needle, IFileNode* node) {
  if (!needle || !*needle) return true;
  if (!node) return false;
  const bool desktopMode = DesktopMode();
  if (node->IsDirectory()) return AnyFileBelowMatches(needle, node, desktopMode);
  return FileMatches(needle, node, desktopMode);
}

bool KDUIPublic::IsStringInFileNodeVector(const char* needle, const std::vector<IFileNode*>& nodes) {
  if (!needle || !*needle) return true;
  for (IFileNode* node : nodes)
    if (node && IsStringInString(needle, node->GetFileName())) return true;
  return false;
}

std::string KDUIPublic::GetPathByFileNode(IFileNode* node) {
  if (!node) return "";
  std::vector<std::string> components;
  const IFileNode* current = node;
  for (int climbs = 0;; ++climbs) {
    const IFileNode* parent = current->GetParent();
    if (!parent || climbs == kMaxClimb) {
      // The top of the tree: a file-system root stands for its volume.
      const auto* root = dynamic_cast<const IFilesystemNode*>(current);
      components.push_back(quellsy::bridge::SanitisePathComponent(NameOf(root ? root->GetVolumeName() : nullptr)));
      break;
    }
    components.push_back(quellsy::bridge::SanitisePathComponent(NameOf(current->GetFileName())));
    current = parent;
  }
  std::string path;
  for (auto it = components.rbegin(); it != components.rend(); ++it) path += "/" + *it;
  return path;
}

std::string KDUIPublic::GetFileSystemStrByType(_tagSearcherType type) {
  const std::time_t now = std::time(nullptr);
  std::tm today{};
  localtime_r(&now, &today);
  return GetFileSystemStrByType(type, today);
}

std::string KDUIPublic::GetFileSystemStrByType(_tagSearcherType type, const std::tm& today) {
  std::array<char, 16> date{};
  const std::size_t length = std::strftime(date.data(), date.size(), "%Y-%m-%d", &today);
  const std::string recovered = "Recovered Data " + std::string(date.data(), length);
  switch (type) {
    case SEARCHER_HFSPLUS:
      return "HFS+_" + recovered + "_";
    case SEARCHER_FAT:
      return "Fat_" + recovered + "_";
    case SEARCHER_EXFAT:
      return "ExFat_" + recovered + "_";
    case SEARCHER_RAW:
      return "RAW_";
    case SEARCHER_LABEL:
      return "Lable_RAW_" + recovered + "_";
    case SEARCHER_APFS:
      return "APFS_" + recovered + "_";
    default:
      return "";
  }
}
