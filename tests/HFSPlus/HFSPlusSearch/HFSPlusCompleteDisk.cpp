#include "HFSPlusCompleteDisk.h"

#include "../HFSPlusLib/HFSPlusWrittenVolume.h"
#include "Utility/ByteReader.h"
#include "support/TempDir.h"

namespace quellsy::test {

namespace {

constexpr std::uint64_t kHeaderOffset = 1024;
constexpr std::size_t kCreateDateAt = 16;
constexpr std::size_t kModifyDateAt = 20;
constexpr std::size_t kIdentifierAt = 104;
// Later than any record the writer dates.
constexpr std::uint32_t kLastChange = 0xE2000000;

void Stamp(std::vector<std::uint8_t>& bytes, std::uint64_t headerAt, std::uint32_t createDate) {
  FieldWriter w(std::span<std::uint8_t>(bytes.data() + headerAt, 512));
  w.be32(kCreateDateAt, createDate);
  w.be32(kModifyDateAt, kLastChange);
  // The writer gives every volume the same identifier; each gets its own from its date.
  w.be32(kIdentifierAt, createDate);
  w.be32(kIdentifierAt + 4, ~createDate);
}

}  // namespace

PlacedVolume PlaceVolume(SparseImage& disk, std::uint64_t offset, HFSPlusWriter& writer, std::uint32_t createDate) {
  const auto image = writer.Build();
  std::vector<std::uint8_t> bytes = image->Flatten();
  Stamp(bytes, kHeaderOffset, createDate);
  Stamp(bytes, bytes.size() - kHeaderOffset, createDate);
  disk.Write(offset, bytes);
  PlacedVolume placed;
  placed.offset = offset;
  placed.live = writer.Manifest();
  placed.deleted = writer.DeletedManifest();
  placed.createDate = createDate;
  placed.blockSize = writer.options().blockSize;
  placed.journalOffset = writer.JournalOffset();
  return placed;
}

PlacedVolume PlaceStandardVolume(SparseImage& disk, std::uint64_t offset, std::uint32_t blocks, std::uint32_t createDate,
                                 const std::u16string& tag) {
  HFSPlusWriterOptions options;
  options.totalBlocks = blocks;
  options.journal.enabled = true;
  HFSPlusWriter writer(options);
  WrittenVolume unused;
  VolumeContent content(writer, unused);
  StandardContent(content, options.blockSize);
  writer.AddFile(2, tag + u" own.bin", PatternBytes(20000, createDate));
  const std::uint32_t gone = writer.AddFile(2, tag + u" gone.txt", PatternBytes(5000, 77));
  writer.Delete(gone);
  return PlaceVolume(disk, offset, writer, createDate);
}

}  // namespace quellsy::test
