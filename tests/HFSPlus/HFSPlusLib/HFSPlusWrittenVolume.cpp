#include "HFSPlusWrittenVolume.h"

#include "HFSPlusTestSupport.h"
#include "support/TempDir.h"

namespace quellsy::test {

void WrittenVolume::Open(unsigned sectorSize, bool restore) {
  volume.reset();
  device = std::make_unique<SparseDevice>(image, sectorSize);
  volume = std::make_unique<CHFSPlusVolume>(device.get(), restore);
}

std::string VolumeContent::PathOf(std::uint32_t parent, const std::u16string& name) const {
  const auto up = folderPaths_.find(parent);
  const std::string own = Utf8(Units(name));
  return up == folderPaths_.end() ? own : up->second + "/" + own;
}

std::uint32_t VolumeContent::Folder(std::uint32_t parent, const std::u16string& name) {
  const std::uint32_t id = writer_.AddFolder(parent, name);
  folderPaths_[id] = PathOf(parent, name);
  out_.ids[folderPaths_[id]] = id;
  return id;
}

std::uint32_t VolumeContent::File(std::uint32_t parent, const std::u16string& name, std::size_t size,
                                  std::uint32_t pieces) {
  auto data = PatternBytes(size, static_cast<std::uint32_t>(out_.files.size() + 3));
  const std::string path = PathOf(parent, name);
  out_.files[path] = data;
  const std::uint32_t id = writer_.AddFile(parent, name, std::move(data), pieces);
  out_.ids[path] = id;
  return id;
}

std::uint32_t VolumeContent::Compressed(std::uint32_t parent, const std::u16string& name,
                                        std::vector<std::uint8_t> data, std::uint32_t type, std::uint32_t pieces,
                                        bool stored) {
  const std::string path = PathOf(parent, name);
  out_.files[path] = data;
  const std::uint32_t id = writer_.AddCompressedFile(parent, name, std::move(data), type, pieces, stored);
  out_.ids[path] = id;
  return id;
}

WrittenVolume WriteVolume(const HFSPlusWriterOptions& options, const std::function<void(VolumeContent&)>& fill,
                          unsigned sectorSize) {
  WrittenVolume out;
  out.writer = std::make_unique<HFSPlusWriter>(options);
  VolumeContent content(*out.writer, out);
  fill(content);
  out.image = out.writer->Build();
  out.Open(sectorSize);
  return out;
}

void StandardContent(VolumeContent& c, std::uint32_t blockSize) {
  const std::uint32_t users = c.Folder(2, u"Users");
  const std::uint32_t alice = c.Folder(users, u"alice");
  const std::uint32_t docs = c.Folder(alice, u"Documents");
  const std::uint32_t pictures = c.Folder(alice, u"Pictures");
  c.File(docs, u"Re\u0301sume\u0301 \u2013 Jose\u0301.pdf", 5000);
  c.File(docs, u"empty.txt", 0);
  c.File(docs, u"ABC.txt", 1);
  c.File(docs, u"abd.txt", blockSize - 1);
  c.File(docs, u"exact.bin", blockSize);
  c.File(pictures, u"IMG_0001.JPG", 3 * std::size_t{blockSize} + 5, 3);
  c.File(pictures, u"fragments.bin", 20 * std::size_t{blockSize} + 17, 20);
  c.File(2, u"top.txt", 77);
  for (int i = 0; i < 12; ++i) {
    std::u16string name = u"log_00.txt";
    name[4] = static_cast<char16_t>(u'0' + i / 10);
    name[5] = static_cast<char16_t>(u'0' + i % 10);
    c.File(alice, name, 100 + 37 * static_cast<std::size_t>(i));
  }
}

}  // namespace quellsy::test
