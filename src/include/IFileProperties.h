#pragma once
// The properties a file system keeps for a node (FAT, NTFS and signature-search records).

#include <string>

class IDataRunList;

class IFileProperties {
 public:
  virtual ~IFileProperties() = default;
  virtual unsigned short GetFileNameLength() = 0;
  // Renames the node that owns the record.
  virtual void SetFileName(const char* name) = 0;
  virtual const char* GetFileName() = 0;
  virtual long long GetFileSize() = 0;
  virtual unsigned short GetAttribute() = 0;
  // A creation time taken from the file's contents, as text; empty when there is none.
  virtual std::string GetRawFileCreateTime() = 0;
  virtual unsigned long long GetCreationTime() = 0;  // FILETIME, 0 = no time
  virtual unsigned long long GetModificationTime() = 0;
  virtual unsigned long long GetLastAccessTime() = 0;
  virtual unsigned short GetState() = 0;
  virtual void SetState(unsigned short state) = 0;
  // Owned by the record.
  virtual IDataRunList* GetDataRunList() = 0;
  // A new record owned by the caller.
  virtual IFileProperties* Clone() = 0;
};
