#pragma once
// The compressed-data reader of a node from a saved scan result: such a node has no volume of its own, so the
// reader opens the volume (without its catalog) on the partition's device and keeps it while it or a clone lives.

#include <memory>

#include "HFSPlus/HFSPlusLib/CHFSPlusCompressFileReader.h"

class CFileNode;
class CHFSPlusVolume;
class IStorageDevice;

class CHFSPlusRestoredCompressReader final : public IFileReader {
 public:
  // Null when the volume cannot be opened on device.
  static IFileReader* Create(CFileNode& node, IStorageDevice* device);

  unsigned int ReadData(long long offset, char* buffer, unsigned int length, int* error) override;
  IFileReader* Clone() override;
  long long GetDataSize() const override { return reader_.GetDataSize(); }
  int IsCompressFile() override { return reader_.IsCompressFile(); }
  void Release() override { delete this; }

 private:
  CHFSPlusRestoredCompressReader(std::shared_ptr<CHFSPlusVolume> volume, CFileNode& node);

  std::shared_ptr<CHFSPlusVolume> volume_;
  CFileNode& node_;
  CHFSPlusCompressFileReader reader_;
};
