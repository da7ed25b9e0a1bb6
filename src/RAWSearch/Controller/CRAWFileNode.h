#pragma once
// The node of a signature-search hit or of a folder of the type and label trees. Files are named
// from the hit's metadata (or "FILE") with a per-type counter and the type's extension; their times
// come from the time text the content gave.

#include <cstddef>
#include <string>
#include <vector>

#include "include/FileNode.h"

class CRAWFileProperties;
class CRawFileInfo;

// Next number of a generated name, per RAW_FILE_TYPE; process-wide, reset for every search.
extern std::vector<int> g_s_CountPerFileTypeVector;
// Empties the counters and makes room for kRawFileCounterSlots types, all at 0.
void ResetRawFileCounters();
constexpr std::size_t kRawFileCounterSlots = 2000;

class CRAWFileNode : public CFileNode {
 public:
  // The metadata part of a generated name is cut to this many bytes (at a character boundary), so
  // that counter and extension still fit a 255-byte file name.
  static constexpr std::size_t kMaxNamePartBytes = 150;

  CRAWFileNode() = default;
  ~CRAWFileNode() override;
  CRAWFileNode& operator=(const CRAWFileNode&) = delete;

  const char* GetFileName() const override { return m_strName.c_str(); }
  long long GetFileSize() const override;
  unsigned short GetAttribute() const override;
  unsigned long long GetCreationTime() const override { return GetLastAccessTime(); }
  unsigned long long GetModificationTime() const override { return GetLastAccessTime(); }
  // The local time the time text gives, as FILETIME; 0 without a valid time.
  unsigned long long GetLastAccessTime() const override;
  int IsDirectory() const override;
  int IsDeleted() const override { return 0; }
  // A real copy (properties and run list included), owned by the caller; not linked into any tree.
  IFileNode* Clone() override;
  void MarkDeleted() override {}
  void FilterFileNameByDot() override {}
  IFileProperties* GetFileProperties() override;
  // True for a file cut off by the end of the searched device.
  bool IsIncomplete() const;

  // Folders (attribute 16) are named after the hit's name; files get a generated name. False for a
  // null hit or when memory is short.
  bool Initilaize(CRawFileInfo* info, unsigned int attribute, long long parentID, long long nodeID);

  // "<name><nnn>.<EXT>", or "FILE<nnn>.<EXT>" when the name is empty or not valid UTF-8; takes the
  // type's next counter value.
  static std::string BuildFileName(unsigned int rawFileType, const std::string& name);
  // A name from file content made fit to show: leading dots and blanks go (a hidden name would be
  // dropped by the tree builder), and it is cut to kMaxNamePartBytes at a character boundary.
  static std::string ShownNamePart(const std::string& name);
  // Splits at every blank, hyphen and colon, leaving out empty fields. False when no field is left.
  static bool FileTimeStructs(const std::string& text, std::vector<std::string>& fields);
  // "Y-M-D h:m:s" (any of blank, hyphen, colon between fields) as local time in FILETIME. 0 unless
  // the first six fields are numbers of a real date and time between the years 1900 and 2100.
  static unsigned long long TimeTextToFileTime(const std::string& text);

 private:
  CRAWFileNode(const CRAWFileNode& other);

  CRAWFileProperties* m_pProperties = nullptr;  // owned
  std::string m_strName;
};
