// The log-file finder over arbitrary log pages: a small volume whose $MFT holds a $LogFile record naming the
// input as its pages (cut to whole 4 KiB pages, at most 16) and a deleted file cleared to size 0; the finder mines
// the pages for record images and undo data, then restores the deleted file from them. The record walker also
// sees the pages directly.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "FuzzBytesDevice.h"
#include "NTFSLib/NTFSLogRecords.h"
#include "NTFSLib/NTFSMappingPairs.h"
#include "NTFSSearch/CFindFileFromLogFile.h"
#include "NTFSSearch/CNTFSFilePropertiesBuilder.h"
#include "Utility/ByteReader.h"

namespace {

constexpr std::size_t kPage = 4096;
constexpr std::size_t kMaxPages = 16;
constexpr std::int64_t kMftCluster = 1;
constexpr std::int64_t kMftClusters = 8;
constexpr std::int64_t kLogCluster = kMftCluster + kMftClusters;
constexpr std::uint32_t kVictim = 30;

// A FILE record in fixed-up form (no strides protected): standard information, one name in the root, and an
// unnamed non-resident data attribute.
std::vector<std::uint8_t> Record(std::uint32_t number, std::uint16_t flags, std::uint32_t dos, const char* name,
                                 const std::vector<std::uint8_t>& pairs, std::int64_t clusters) {
  std::vector<std::uint8_t> r(1024, 0);
  quellsy::FieldWriter w(r);
  std::memcpy(r.data(), "FILE", 4);
  w.le16(0x04, 0x30);
  w.le16(0x06, 3);
  w.le16(0x10, 1);
  w.le16(0x14, 0x38);
  w.le16(0x16, flags);
  w.le32(0x1C, 1024);
  w.le32(0x2C, number);
  std::size_t at = 0x38;
  w.le32(at, 0x10);  // standard information
  w.le32(at + 4, 0x60);
  w.le32(at + 0x10, 0x48);
  w.le16(at + 0x14, 0x18);
  w.le32(at + 0x18 + 0x20, dos);
  at += 0x60;
  const std::size_t nameLength = std::strlen(name);
  const std::size_t nameBytes = (0x18 + 0x42 + 2 * nameLength + 7) & ~std::size_t{7};
  w.le32(at, 0x30);
  w.le32(at + 4, static_cast<std::uint32_t>(nameBytes));
  w.le32(at + 0x10, static_cast<std::uint32_t>(0x42 + 2 * nameLength));
  w.le16(at + 0x14, 0x18);
  w.le64(at + 0x18, 5);
  w.u8(at + 0x18 + 0x40, static_cast<std::uint8_t>(nameLength));
  w.u8(at + 0x18 + 0x41, 1);
  for (std::size_t i = 0; i < nameLength; ++i) w.le16(at + 0x18 + 0x42 + 2 * i, static_cast<std::uint8_t>(name[i]));
  at += nameBytes;
  const std::size_t dataBytes = (0x40 + pairs.size() + 7) & ~std::size_t{7};
  w.le32(at, 0x80);
  w.le32(at + 4, static_cast<std::uint32_t>(dataBytes));
  w.u8(at + 8, 1);
  w.le64(at + 0x18, static_cast<std::uint64_t>(clusters - 1));
  w.le16(at + 0x20, 0x40);
  w.le64(at + 0x28, static_cast<std::uint64_t>(clusters) * kPage);
  w.le64(at + 0x30, static_cast<std::uint64_t>(clusters) * kPage);
  w.le64(at + 0x38, static_cast<std::uint64_t>(clusters) * kPage);
  std::memcpy(r.data() + at + 0x40, pairs.data(), pairs.size());
  at += dataBytes;
  w.le32(at, 0xFFFFFFFF);
  w.le32(0x18, static_cast<std::uint32_t>(at + 8));
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::size_t pages = std::min(size / kPage, kMaxPages);
  if (pages == 0) return 0;
  std::vector<std::uint8_t> log(data, data + pages * kPage);

  std::vector<std::uint8_t> copy = log;
  quellsy::ntfs::LogRecordWalker walker([](const quellsy::ntfs::LogRecord& record) {
    if (record.bytes.size() != quellsy::ntfs::kLogRecordHeaderSize + record.clientDataLength) std::abort();
    if (record.Undo().size() > record.ClientData().size()) std::abort();
  });
  for (std::size_t i = 0; i < pages; ++i) walker.Feed(i, quellsy::MutableByteSpan(copy).subspan(i * kPage, kPage));

  std::vector<std::uint8_t> volume(static_cast<std::size_t>(kLogCluster) * kPage + log.size(), 0);
  const auto put = [&](std::size_t at, const std::vector<std::uint8_t>& bytes) {
    std::memcpy(volume.data() + at, bytes.data(), bytes.size());
  };
  const std::size_t mft = static_cast<std::size_t>(kMftCluster) * kPage;
  put(mft + 2 * 1024,
      Record(2, 1, 0x06, "$LogFile",
             quellsy::ntfs::PackMappingPairs({{kLogCluster, 0, static_cast<std::int64_t>(pages)}}),
             static_cast<std::int64_t>(pages)));
  put(mft + kVictim * 1024, Record(kVictim, 0, 0x20, "victim.bin", {0}, 0));
  put(static_cast<std::size_t>(kLogCluster) * kPage, log);
  FuzzBytesDevice device(std::move(volume), 512);

  CNTFSDataRunList mftRuns;
  mftRuns.AddDataRun({kMftCluster, 0, kMftClusters});
  CFindFileFromLogFile finder;
  if (!finder.Init(&device, mftRuns, 8) || !finder.IsReady()) std::abort();
  finder.Analyzer();
  for (const auto& found : finder.FoundFiles())
    if (!found.properties || found.properties->GetFileSize() <= 0) std::abort();

  const std::vector<std::uint8_t> victim(device.bytes().begin() + static_cast<std::ptrdiff_t>(mft + kVictim * 1024),
                                         device.bytes().begin() + static_cast<std::ptrdiff_t>(mft + kVictim * 1024 + 1024));
  NTFSVolumeGeometry geometry;
  geometry.sectorsPerCluster = 8;
  CNTFSMultiFileRecord multi(victim, static_cast<std::int64_t>(mft / 512) + kVictim * 2, &device, geometry, mftRuns, {});
  std::int64_t parent = -1;
  std::unique_ptr<CNTFSFileProperties> properties(
      CNTFSFilePropertiesBuilder::BuildFileProperties(0, multi, static_cast<std::uint32_t>(kPage), parent));
  if (!properties) std::abort();
  finder.ReplaceFileRecordInfo(victim, *properties, 5, {});
  finder.ReplaceFileRecordInfo(victim, *properties, -1, {});
  if (properties->GetFileSize() < 0) std::abort();
  return 0;
}
