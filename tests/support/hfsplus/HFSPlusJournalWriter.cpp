#include "support/hfsplus/HFSPlusJournalWriter.h"

#include <stdexcept>

#include "Utility/ByteReader.h"

namespace quellsy::test {
namespace {

constexpr std::uint32_t kMagic = 0x4A4E4C78;
constexpr std::uint32_t kEndian = 0x12345678;
constexpr std::size_t kBlockInfo = 16;
constexpr std::uint8_t kInfoBlockFill = 0xDB;

// Fields in the journal's own byte order.
class OrderedWriter {
 public:
  OrderedWriter(MutableByteSpan bytes, bool big) : w_(bytes), big_(big) {}
  void u16(std::size_t at, std::uint16_t v) { big_ ? w_.be16(at, v) : w_.le16(at, v); }
  void u32(std::size_t at, std::uint32_t v) { big_ ? w_.be32(at, v) : w_.le32(at, v); }
  void u64(std::size_t at, std::uint64_t v) { big_ ? w_.be64(at, v) : w_.le64(at, v); }
  bool ok() const { return w_.ok(); }

 private:
  FieldWriter w_;
  bool big_;
};

}  // namespace

HFSPlusJournalImage WriteHFSPlusJournal(const HFSPlusJournalOptions& options,
                                        const std::vector<HFSPlusTransaction>& transactions) {
  const std::uint64_t size = options.bytes;
  const std::uint64_t jhdr = options.headerSize;
  const std::uint64_t blhdr = options.blockListSize;
  HFSPlusJournalImage image;
  image.bytes.assign(size, 0);

  std::uint64_t total = 0;
  for (const auto& t : transactions) {
    total += blhdr;
    for (const auto& block : t) total += block.bytes.size();
  }
  if (total > size - jhdr) throw std::length_error("the transactions do not fit the journal");
  std::uint64_t start = jhdr;
  if (options.wrapLast && !transactions.empty()) {
    // The last block list header lies just before the end, so its first block is cut by the wrap.
    const std::uint64_t lastStart = size - blhdr - jhdr;
    std::uint64_t last = blhdr;
    for (const auto& block : transactions.back()) last += block.bytes.size();
    if (lastStart < jhdr + (total - last)) throw std::length_error("no room to wrap the last transaction");
    start = lastStart - (total - last);
  }

  std::uint64_t position = start;
  auto put = [&](const std::vector<std::uint8_t>& bytes) {
    for (std::uint8_t byte : bytes) {
      image.bytes[position++] = byte;
      if (position == size) position = jhdr;
    }
  };
  for (const auto& t : transactions) {
    if (t.size() + 1 > blhdr / kBlockInfo - 1) throw std::length_error("too many blocks for one block list");
    std::vector<std::uint8_t> list(blhdr, 0);
    OrderedWriter w(list, options.bigEndian);
    std::uint64_t used = blhdr;
    for (const auto& block : t) used += block.bytes.size();
    w.u16(0, static_cast<std::uint16_t>(blhdr / kBlockInfo - 1));
    w.u16(2, static_cast<std::uint16_t>(t.size() + 1));
    w.u32(4, static_cast<std::uint32_t>(used));
    for (std::size_t i = 0; i < t.size(); ++i) {
      const std::size_t at = kBlockInfo * (i + 2);
      if (t[i].volumeOffset % jhdr != 0 || t[i].bytes.size() % jhdr != 0) throw std::logic_error("unaligned block");
      w.u64(at, t[i].volumeOffset / jhdr);
      w.u32(at + 8, static_cast<std::uint32_t>(t[i].bytes.size()));
    }
    put(list);
    for (const auto& block : t) put(block.bytes);
  }
  image.start = start;
  image.end = position;

  OrderedWriter h(image.bytes, options.bigEndian);
  h.u32(0, kMagic);
  h.u32(4, kEndian);
  h.u64(8, image.start);
  h.u64(16, image.end);
  h.u64(24, size);
  h.u32(32, options.blockListSize);
  h.u32(40, options.headerSize);
  return image;
}

std::vector<std::uint8_t> WriteHFSPlusJournalInfoBlock(std::uint64_t offset, std::uint64_t size,
                                                       std::uint32_t blockSize) {
  std::vector<std::uint8_t> block(blockSize, kInfoBlockFill);
  std::fill(block.begin(), block.begin() + 180, 0);
  FieldWriter w(block);
  w.be32(0, 1);  // the journal lies in this file system
  w.be64(36, offset);
  w.be64(44, size);
  return block;
}

}  // namespace quellsy::test
