#pragma once
// Copies found files out of a scanned device, one data-recovery object per searcher of a scan. Calling order:
// CreateDataRecoveryObj (DataRecovery/DataRecovery.h), one Initialize, then per file SetRecoverNode and RecoverTo
// (or RecoverNodeTo, which does both under one lock), and Release.

#include "Utility/ResultCode.h"

class IFileNode;
class IFileReader;
class IFileSystemSearchController;
class IProgress;
class IStorageDevice;

class IDataRecovery {
 public:
  virtual ~IDataRecovery() = default;
  // Takes the searcher's partition records and remembers the device; called once, before anything else.
  virtual quellsy::ResultCode Initialize(IFileSystemSearchController* searcher, IStorageDevice* device) = 0;
  // Prepares the copy of one file; returns a reader copy owned by the caller (free it with Release()), or null.
  virtual IFileReader* SetRecoverNode(IFileNode* node) = 0;
  // Writes the current node's data to path (a link there is refused, never followed); byteLimit 0 copies the whole
  // file, a positive value only that many bytes from the start. progress may be null.
  virtual quellsy::ResultCode RecoverTo(const char* path, IProgress* progress, int byteLimit) = 0;
  // An embedded JPEG picture from the first 64 KiB of the current file; its length, 0 when there is none.
  virtual unsigned int ReadSmallJPG(char* out, unsigned int capacity) = 0;
  virtual void Release() = 0;
  // Folders above a recovered file get their ancestors' times only strictly inside this folder (the folder the
  // user chose); without it only the file's own time is set.
  virtual void SetDestinationFolder(const char* folder) = 0;
  // SetRecoverNode and RecoverTo as one locked step, so threads sharing the object cannot mix up files.
  virtual quellsy::ResultCode RecoverNodeTo(IFileNode* node, const char* path, IProgress* progress,
                                            int byteLimit) = 0;
  // RecoverNodeTo into a file the caller created and keeps open (and closes): the caller decides where files go
  // and how they are named, so nothing here resolves a path. The node's time is set on the open file.
  virtual quellsy::ResultCode RecoverNodeToFile(IFileNode* node, int fd, IProgress* progress, int byteLimit) = 0;
};
