#pragma once
// Which found nodes are shown: by kind of file (extension) and by scan type.

class IFileNode;

// Filter bits of the user's choice; 127 is every kind.
enum _FILTER_TYPE : unsigned int {
  FILTER_TYPE_DOCUMENT = 1,
  FILTER_TYPE_PICTURE = 2,
  FILTER_TYPE_MOVIE = 4,
  FILTER_TYPE_MUSIC = 8,
  FILTER_TYPE_ARCHIVES = 16,
  FILTER_TYPE_EMAIL = 32,
  FILTER_TYPE_OTHER = 64,
  FILTER_TYPE_ALL = 127,
};

enum FILE_TYPE_ID : unsigned int {
  FILE_TYPE_DOCUMENT = 2,
  FILE_TYPE_PICTURE = 3,
  FILE_TYPE_MUSIC = 4,
  FILE_TYPE_MOVIE = 5,
  FILE_TYPE_ARCHIVE = 6,
  FILE_TYPE_EMAIL = 7,
  FILE_TYPE_OTHER = 8,
};

enum _SCAN_TYPE : unsigned int {
  SCAN_TYPE_QUICK = 0,
  SCAN_TYPE_DEEP = 1,
};

class IRecoveryFilter {
 public:
  virtual ~IRecoveryFilter() = default;
  // Non-zero for a deep scan: files that were not deleted are shown too.
  virtual int ShowNormalFiles() const = 0;
  virtual void SetScanType(_SCAN_TYPE type) = 0;
  virtual int IsFileNodeValid(IFileNode* node) = 0;
  virtual void SetFilterTypes(unsigned int mask) = 0;
  virtual _FILTER_TYPE GetNodeFileType(IFileNode* node) = 0;
  virtual void Release() = 0;
};
