#pragma once
// A volume made by the test-side writer and opened on a device of a chosen sector size.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"
#include "support/hfsplus/HFSPlusWriter.h"
#include "support/hfsplus/SparseImage.h"

namespace quellsy::test {

struct WrittenVolume {
  std::unique_ptr<HFSPlusWriter> writer;
  std::shared_ptr<SparseImage> image;
  std::unique_ptr<SparseDevice> device;
  std::unique_ptr<CHFSPlusVolume> volume;
  std::map<std::string, std::vector<std::uint8_t>> files;  // path -> data written
  std::map<std::string, std::uint32_t> ids;                // path -> catalog node ID

  // Opens (again) on a device with that reported sector size.
  void Open(unsigned sectorSize, bool restore = false);
};

// Adds folders and files, recording paths and contents.
class VolumeContent {
 public:
  VolumeContent(HFSPlusWriter& writer, WrittenVolume& out) : writer_(writer), out_(out) {}
  std::uint32_t Folder(std::uint32_t parent, const std::u16string& name);
  std::uint32_t File(std::uint32_t parent, const std::u16string& name, std::size_t size, std::uint32_t pieces = 1);
  // A compressed file (HFSPlusWriter::AddCompressedFile) holding data.
  std::uint32_t Compressed(std::uint32_t parent, const std::u16string& name, std::vector<std::uint8_t> data,
                           std::uint32_t type, std::uint32_t pieces = 1, bool stored = false);
  HFSPlusWriter& writer() { return writer_; }

 private:
  std::string PathOf(std::uint32_t parent, const std::u16string& name) const;
  HFSPlusWriter& writer_;
  WrittenVolume& out_;
  std::map<std::uint32_t, std::string> folderPaths_;
};

WrittenVolume WriteVolume(const HFSPlusWriterOptions& options, const std::function<void(VolumeContent&)>& fill,
                          unsigned sectorSize = 512);

// Folders in three levels, decomposed and mixed-case names, empty, small, block-sized and fragmented files.
void StandardContent(VolumeContent& content, std::uint32_t blockSize);

}  // namespace quellsy::test
