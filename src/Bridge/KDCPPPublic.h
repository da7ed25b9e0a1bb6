#pragma once
// Questions the bridge classes ask about engine nodes: their file-system root and searcher, year and month of
// their times, their order in lists, the titles of the file-type groups, text search, and whether other
// programs run.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "Platform/InstanceLock.h"
#include "include/IFileNode.h"
#include "include/IRecoveryFilter.h"

class KDCPPPublic {
 public:
  static constexpr const char* kDiskFileAppName = "Kestravue";
  static constexpr const char* kDataProtectAppName = "Fendrolock";

  static KDCPPPublic* instance();

  // The topmost node reached by at most KDUIPublic::kMaxClimb parents, when it is a file-system root (it has a
  // volume name); null otherwise and for null.
  IFilesystemNode* GetFileSystemNode(IFileNode* node) const;
  // The searcher of the node's file-system root; SEARCHER_NONE without one.
  _tagSearcherType GetNodeSearcheType(IFileNode* node) const;

  // Local year and month (1-12); null pointers are skipped.
  void GetYearMonthByTimeT(int* year, int* month, std::time_t seconds) const;
  void GetYearMonthByFileTime(int* year, int* month, std::uint64_t fileTime) const;

  // Sorted with cmpFileNode(key): newest or greatest first, nulls last.
  void SortFileNodeVector(std::vector<IFileNode*>& nodes, int key) const;

  // Localised title of one group bit; "" for any other value.
  std::string FilterTypeToString(_FILTER_TYPE type) const;
  // The first bit, from 1 up to 64, whose title is text; FILTER_TYPE_OTHER when none is or text is null.
  _FILTER_TYPE StringToFilterType(const char* text) const;
  // Whether text is that bit's title exactly; false for null.
  bool IsTypeString(const char* text, _FILTER_TYPE type) const;
  std::string GetStringByID(unsigned int id) const;
  bool IsStringInFileNode(const char* needle, IFileNode* node) const;

  // The windowed program claims to be its user's only one (a lock in the user's state folder, held until the
  // process ends or the reset); true unless another program holds it. Processes that never claim, such as tests
  // that build windows, stand beside any program.
  bool ClaimSingleInstance();
  // Whether another program of this application held the lock when this process claimed it.
  bool IsAppRunning() const;
  // Another process of the two companion programs, by name.
  bool IsDiskFileAppRunning() const;
  bool IsDataProtectAppRunning() const;

  // Lets the claim go: the lock is released and IsAppRunning answers false again.
  static void ResetForTests();

 private:
  KDCPPPublic() = default;

  std::optional<quellsy::platform::InstanceLock> instanceLock_;
};
