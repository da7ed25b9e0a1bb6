#pragma once
// Reads a node's contents through its data runs; the tree builder reads recycle-bin information files
// with it. The NTFS engine provides it through the engine registry.

class CFileNode;
class IStorageDevice;

class IFileReaderEx {
 public:
  virtual ~IFileReaderEx() = default;
  // False on failure; the tree builder passes 0 as the third argument.
  virtual bool Open(IStorageDevice* device, CFileNode* node, long long start, int sectorsPerCluster) = 0;
  // got receives the number of bytes read.
  virtual bool Read(long long offset, unsigned char* buffer, int length, int& got) = 0;
};
