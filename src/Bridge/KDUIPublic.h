#pragma once
// Class methods the rest of the bridge shares: telling the windows that something changed, FILETIME times
// as calendar values and text, a found file's path, the search match over found files, and the names of the
// per-file-system folders recovery creates.

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "include/IFileNode.h"

// FILETIME (100-ns units since 1601) to seconds since 1970.
std::int64_t convertWindowsTimeToUnixTime(std::uint64_t fileTime);

class KDUIPublic {
 public:
  // The setting under which the search matches files in folders named "Desktop" instead of by name.
  static constexpr const char* kSelectDesktopDiskKey = "isSelectDesktopDisk";
  // The parents the climbs of this class and of the node utilities follow at most.
  static constexpr int kMaxClimb = 1024;

  KDUIPublic() = delete;

  // From any thread, without waiting: the windows receive name on the GUI thread.
  static void NotifyMainThread(const std::string& name);
  // What the GUI thread does with it: posts name on the default notification centre.
  static void NotifyMainThreadCB(const std::string& name);
  // Runs work on a background thread, then notifies the windows of name once work has returned.
  static void NotifyMainThreadByPostKey(const std::string& name, std::function<void()> work);

  // Long date and short time in the current locale's language; "" for 0 (no time).
  static std::string FormatFileTimeToString(std::uint64_t fileTime);
  // Local calendar year and month (1-12) of the time; either pointer may be null. Returns the month, 0
  // without a month pointer or when the time has no local date.
  static int GetYearAndMonthByFileTime(int* year, int* month, std::uint64_t fileTime);
  // The same for seconds since 1970; false when the time has no local date (out values untouched).
  static bool GetLocalYearMonth(std::time_t seconds, int* year, int* month);

  // Null or empty needle: true. Null haystack: false. Else whether haystack holds needle, ignoring case.
  static bool IsStringInString(const char* needle, const char* haystack);
  // A file by its name (or, in Desktop mode, by its folder); a folder when any file below it matches.
  static bool IsStringInFileNode(const char* needle, IFileNode* node);
  // Whether the name of any node holds needle; true for a null or empty needle.
  static bool IsStringInFileNodeVector(const char* needle, const std::vector<IFileNode*>& nodes);

  // "/Volume/dir/file": each component made safe to use in a path; "" for null.
  static std::string GetPathByFileNode(IFileNode* node);

  // Stem of the folder recovery writes one searcher's files into; the recovery appends an index.
  static std::string GetFileSystemStrByType(_tagSearcherType type);
  static std::string GetFileSystemStrByType(_tagSearcherType type, const std::tm& today);
};
