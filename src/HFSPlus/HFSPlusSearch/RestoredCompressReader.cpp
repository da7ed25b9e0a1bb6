#include "HFSPlus/HFSPlusSearch/RestoredCompressReader.h"

#include <new>

#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"
#include "include/FileNode.h"

CHFSPlusRestoredCompressReader::CHFSPlusRestoredCompressReader(std::shared_ptr<CHFSPlusVolume> volume,
                                                               CFileNode& node)
    : volume_(std::move(volume)), node_(node), reader_(volume_.get(), &node) {}

IFileReader* CHFSPlusRestoredCompressReader::Create(CFileNode& node, IStorageDevice* device) {
  if (device == nullptr) return nullptr;
  auto volume = std::make_shared<CHFSPlusVolume>(device, true);
  if (volume->GetLastError() != quellsy::kResultOk || volume->GetVolumeHeader() == nullptr) return nullptr;
  return new (std::nothrow) CHFSPlusRestoredCompressReader(std::move(volume), node);
}

unsigned int CHFSPlusRestoredCompressReader::ReadData(long long offset, char* buffer, unsigned int length,
                                                      int* error) {
  return reader_.ReadData(offset, buffer, length, error);
}

IFileReader* CHFSPlusRestoredCompressReader::Clone() {
  return new (std::nothrow) CHFSPlusRestoredCompressReader(volume_, node_);
}
