#pragma once
// The process-wide result filter: which found nodes the tree builder keeps, by kind of file and scan type.

#include <set>

#include "RecoveryFilter/FileTypeManager.h"
#include "include/IRecoveryFilter.h"

class CRecoveryFilter : public IRecoveryFilter {
 public:
  // Fills the extension table from the lists as they stand now.
  CRecoveryFilter();

  int ShowNormalFiles() const override;
  void SetScanType(_SCAN_TYPE type) override;
  // 0 for null; 1 when every kind is accepted, for a directory, and for a file of an accepted kind.
  int IsFileNodeValid(IFileNode* node) override;
  // 127, 0 or a mask without any of the seven bits accepts everything.
  void SetFilterTypes(unsigned int mask) override;
  _FILTER_TYPE GetNodeFileType(IFileNode* node) override;
  // The filter lives as long as the process.
  void Release() override {}

  // Kind of a node by the text after the last "." of its name; FILE_TYPE_OTHER without a name or a dot.
  FILE_TYPE_ID GetFileTypeID(IFileNode* node) const;
  // Back to a new filter's state, with the table refilled from the current lists (tests).
  void Reset();

 private:
  unsigned int m_scanType = SCAN_TYPE_QUICK;
  unsigned int m_filterMask = 0;
  CFileTypeManager m_fileTypes;
  std::set<FILE_TYPE_ID> m_accepted;  // empty = everything accepted
};

// The one process-wide filter, built on first use; every call returns the same object.
IRecoveryFilter* CreateFilter();
