#pragma once
// Which searcher found a node or built a tree; the numbers are stored in scan-result files.

enum _tagSearcherType : int {
  SEARCHER_HFSPLUS = 31,
  SEARCHER_FAT = 32,
  SEARCHER_EXFAT = 33,
  SEARCHER_RAW = 34,  // signature search
  SEARCHER_NTFS = 35,
  SEARCHER_LABEL = 36,  // labelled signature tree
  SEARCHER_APFS = 37,
  SEARCHER_NONE = 38,
};
