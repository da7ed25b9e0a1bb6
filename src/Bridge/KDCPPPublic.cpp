#include "Bridge/KDCPPPublic.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "Bridge/BridgeServices.h"
#include "Bridge/CmpFileNode.h"
#include "Bridge/KDUIPublic.h"
#include "Bridge/ProcessNames.h"

namespace {

constexpr std::array<std::pair<_FILTER_TYPE, const char*>, 7> kTitleKeys{{
    {FILTER_TYPE_DOCUMENT, "RVT_TWO_DOCUMENT_TITLE"},
    {FILTER_TYPE_PICTURE, "RVT_TWO_PICTURE_TITLE"},
    {FILTER_TYPE_MOVIE, "RVT_TWO_MOVIE_TITLE"},
    {FILTER_TYPE_MUSIC, "RVT_TWO_MUSIC_TITLE"},
    {FILTER_TYPE_ARCHIVES, "RVT_TWO_ARCHIVES_TITLE"},
    {FILTER_TYPE_EMAIL, "RVT_TWO_EMAIL_TITLE"},
    {FILTER_TYPE_OTHER, "RVT_TWO_OTHER_TITLE"},
}};

}  // namespace

KDCPPPublic* KDCPPPublic::instance() {
  static KDCPPPublic utilities;
  return &utilities;
}

IFilesystemNode* KDCPPPublic::GetFileSystemNode(IFileNode* node) const {
  if (!node) return nullptr;
  IFileNode* top = node;
  for (int climbs = 0; climbs < KDUIPublic::kMaxClimb; ++climbs) {
    IFileNode* parent = top->GetParent();
    if (!parent) break;
    top = parent;
  }
  auto* root = dynamic_cast<IFilesystemNode*>(top);
  return root && root->GetVolumeName() ? root : nullptr;
}

_tagSearcherType KDCPPPublic::GetNodeSearcheType(IFileNode* node) const {
  IFilesystemNode* root = GetFileSystemNode(node);
  return root ? root->GetSearcheType() : SEARCHER_NONE;
}

void KDCPPPublic::GetYearMonthByTimeT(int* year, int* month, std::time_t seconds) const {
  KDUIPublic::GetLocalYearMonth(seconds, year, month);
}

void KDCPPPublic::GetYearMonthByFileTime(int* year, int* month, std::uint64_t fileTime) const {
  GetYearMonthByTimeT(year, month, static_cast<std::time_t>(convertWindowsTimeToUnixTime(fileTime)));
}

void KDCPPPublic::SortFileNodeVector(std::vector<IFileNode*>& nodes, int key) const {
  std::sort(nodes.begin(), nodes.end(), cmpFileNode(key));
}

std::string KDCPPPublic::FilterTypeToString(_FILTER_TYPE type) const {
  for (const auto& [bit, key] : kTitleKeys)
    if (bit == type) return quellsy::bridge::Translator().Translate(key, "");
  return "";
}

_FILTER_TYPE KDCPPPublic::StringToFilterType(const char* text) const {
  for (const auto& entry : kTitleKeys)
    if (IsTypeString(text, entry.first)) return entry.first;
  return FILTER_TYPE_OTHER;
}

bool KDCPPPublic::IsTypeString(const char* text, _FILTER_TYPE type) const {
  return text && FilterTypeToString(type) == std::string_view(text);
}

std::string KDCPPPublic::GetStringByID(unsigned int /*id*/) const { return "abc"; }

bool KDCPPPublic::IsStringInFileNode(const char* needle, IFileNode* node) const {
  return KDUIPublic::IsStringInFileNode(needle, node);
}

bool KDCPPPublic::ClaimSingleInstance() {
  if (!instanceLock_) instanceLock_ = quellsy::platform::InstanceLock::TryForUser();
  return !IsAppRunning();
}

// The program runs under its installed name, not the product's, and a test process may be named anything: the
// lock says it, not a process name.
bool KDCPPPublic::IsAppRunning() const {
  return instanceLock_ && instanceLock_->outcome() == quellsy::platform::InstanceLock::Outcome::kHeldElsewhere;
}

void KDCPPPublic::ResetForTests() { instance()->instanceLock_.reset(); }

bool KDCPPPublic::IsDiskFileAppRunning() const { return quellsy::bridge::IsProcessRunning(kDiskFileAppName); }

bool KDCPPPublic::IsDataProtectAppRunning() const { return quellsy::bridge::IsProcessRunning(kDataProtectAppName); }
