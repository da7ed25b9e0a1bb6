#pragma once
// The catalogue of file extensions by file-type group, read from the property list "FileType" installed in the
// program's data folder: a dictionary whose keys are the decimal texts of the group bits 1 to 32 and whose
// values are arrays of extensions, lower case and without the dot. Group 64 (other) has no list: it is every
// extension no list names.

#include <array>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "Utility/ByteReader.h"
#include "include/IRecoveryFilter.h"

class FileTypeCatalogue {
 public:
  static constexpr const char* kFileName = "FileType.plist";
  // The groups that have a list, in the order they are read (an extension listed twice ends in the later one).
  static constexpr std::array<_FILTER_TYPE, 6> kListedGroups{FILTER_TYPE_DOCUMENT, FILTER_TYPE_PICTURE,
                                                            FILTER_TYPE_MOVIE,    FILTER_TYPE_MUSIC,
                                                            FILTER_TYPE_ARCHIVES, FILTER_TYPE_EMAIL};
  // Larger files, longer extensions and longer lists are not a catalogue this program wrote.
  static constexpr std::uintmax_t kMaxFileBytes = 1u << 20;
  static constexpr std::size_t kMaxExtensionBytes = 16;
  static constexpr std::size_t kMaxExtensionsPerGroup = 4096;

  // Empty: every extension is "other".
  FileTypeCatalogue() = default;
  // Empty when the file is missing, too large or no property list; entries that are no extension are skipped.
  static FileTypeCatalogue FromFile(const std::filesystem::path& path);
  static FileTypeCatalogue FromMemory(quellsy::ByteSpan bytes);
  // The installed catalogue's path.
  static std::filesystem::path InstalledPath();

  // The group's extensions as listed; empty for group 64 and any other value.
  const std::vector<std::string>& Extensions(_FILTER_TYPE group) const;
  // The group's extensions joined with ";"; "" when it has none.
  std::string JoinedExtensions(_FILTER_TYPE group) const;
  // The group of a lower-case extension; FILTER_TYPE_OTHER when no list names it.
  _FILTER_TYPE GroupOf(std::string_view extension) const;
  bool Knows(std::string_view extension) const;
  // Every listed extension with its group.
  const std::map<std::string, _FILTER_TYPE, std::less<>>& Groups() const { return groups_; }

 private:
  std::map<_FILTER_TYPE, std::vector<std::string>> lists_;
  std::map<std::string, _FILTER_TYPE, std::less<>> groups_;
};
