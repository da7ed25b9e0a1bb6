#pragma once
// Recognises Windows recycle bins among found nodes: the bin folders themselves, the "$I" files that keep
// a deleted file's original path, and the "$R" files that keep its data.

class CFileNode;
class IFileNode;

class CRecyclerFilter {
 public:
  // True when node or one of its linked ancestors is a folder with a recycle-bin name.
  static bool IsRecycleBin(CFileNode* node);
  // "Recycler", "Recycled", "$Recycle.Bin", "$RECYCLE.BI0", in any case.
  static bool IsRecycleBinName(const char* name);
  // Names beginning "$I" or "#I".
  static bool IsInfoFileName(const char* name);
  // Names beginning "$R" or "#R", except NTFS's own "$RmMetadata", "$Reparse" and "$Repair".
  static bool IsDataFileName(const char* name);
  // A folder (attribute bit 16) with a recycle-bin name.
  static bool IsRecycleBinFolder(const IFileNode* node);
};
