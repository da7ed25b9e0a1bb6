#include "Bridge/DmgImageParser.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "Utility/ByteReader.h"
#include "Utility/CatchExeception.h"

namespace quellsy {
namespace {

constexpr std::uint64_t kSector = 512;
constexpr std::size_t kTrailerSize = 512;
constexpr std::size_t kMishHeaderSize = 204;
constexpr std::size_t kChunkSize = 40;

constexpr std::uint32_t kChunkZeroFill = 0x00000000;
constexpr std::uint32_t kChunkRaw = 0x00000001;
constexpr std::uint32_t kChunkIgnored = 0x00000002;
constexpr std::uint32_t kChunkTerminator = 0xFFFFFFFF;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

int Refuse(std::string* reason, std::string text) {
  CatchExeception::WriteLog("DMG image refused: %s\r\n", text.c_str());
  if (reason) *reason = std::move(text);
  return 0;
}

// Compressed kinds (ADC, zlib, bzip2 and the later ones) all have the top bit set; their bytes
// are no sectors.
const char* CompressedKind(std::uint32_t type) {
  switch (type) {
    case 0x80000004: return "ADC";
    case 0x80000005: return "zlib";
    case 0x80000006: return "bzip2";
    case 0x80000007: return "LZFSE";
    case 0x80000008: return "LZMA";
    default: break;
  }
  return (type & 0x80000000u) && type != kChunkTerminator ? "an unknown compression" : nullptr;
}

bool CarriesSectors(std::uint32_t type) {
  return type == kChunkZeroFill || type == kChunkRaw || type == kChunkIgnored;
}

bool ReadAt(std::FILE* file, std::uint64_t offset, std::uint8_t* out, std::size_t length) {
  if (fseeko(file, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
  return std::fread(out, 1, length, file) == length;
}

int CheckChunk(ByteSpan chunk, std::uint64_t tableFirst, std::uint64_t tableDataOffset, const DmgTrailerLayout& layout,
               std::size_t index, std::string* reason) {
  FieldReader f(chunk);
  const auto type = f.be32(0);
  const auto first = f.be64(8);
  const auto count = f.be64(16);
  const auto storedOffset = f.be64(24);
  const auto storedLength = f.be64(32);
  if (const char* kind = CompressedKind(type))
    return Refuse(reason, std::string("the image holds chunks compressed with ") + kind);
  CatchExeception::WriteLog("Bkl %zu,start sector:%llu (have %llu sectors) - Compressed to %llu, %llu bytes, type = %u\r\n",
                            index, static_cast<unsigned long long>(first), static_cast<unsigned long long>(count),
                            static_cast<unsigned long long>(storedOffset),
                            static_cast<unsigned long long>(storedLength), type);
  if (!CarriesSectors(type)) return 1;
  const std::uint64_t absolute = tableFirst + first;
  if (absolute < tableFirst || count > layout.sectorCount || absolute > layout.sectorCount - count)
    return Refuse(reason, "a chunk lies outside the image's sectors");
  if (type != kChunkRaw) return 1;
  // Zero-fill and ignored chunks take no bytes, so a packed image would shift every later sector:
  // a stored chunk must sit exactly where a flat read looks for it.
  const std::uint64_t fileOffset = layout.dataForkOffset + tableDataOffset + storedOffset;
  if (fileOffset < storedOffset || fileOffset != absolute * kSector || storedLength != count * kSector)
    return Refuse(reason, "the image's sectors are not stored in order, so they cannot be read directly");
  return 1;
}

int CheckTable(ByteSpan data, const DmgTrailerLayout& layout, std::string* reason) {
  if (data.size() < kMishHeaderSize || std::memcmp(data.data(), "mish", 4) != 0)
    return Refuse(reason, "a block table is damaged");
  FieldReader f(data);
  const auto first = f.be64(8);
  const auto sectors = f.be64(16);
  const auto dataOffset = f.be64(24);
  const auto buffers = f.be32(32);
  const std::uint64_t chunks = f.be32(200);
  CatchExeception::WriteLog("sectorcount: %llu, start sectorNum: %llu\r\nmish dataoffset: %llu, bufferneed: %u\r\n",
                            static_cast<unsigned long long>(sectors), static_cast<unsigned long long>(first),
                            static_cast<unsigned long long>(dataOffset), buffers);
  if (chunks > (data.size() - kMishHeaderSize) / kChunkSize)
    return Refuse(reason, "a block table claims more chunks than it holds");
  for (std::size_t i = 0; i < chunks; ++i) {
    if (!CheckChunk(data.subspan(kMishHeaderSize + kChunkSize * i, kChunkSize), first, dataOffset, layout, i, reason))
      return 0;
  }
  return 1;
}

}  // namespace

int ParseChunkEntry(const platform::PlistNode& blkx, const DmgTrailerLayout& layout, std::string* reason) {
  CatchExeception::WriteLog("========= mish info begin =============\r\n");
  for (std::uint32_t i = 0; i < blkx.Size(); ++i) {
    const auto data = blkx.At(i).Get("Data").Data();
    if (!data) return Refuse(reason, "a block table entry has no data");
    if (!CheckTable(*data, layout, reason)) return 0;
  }
  return 1;
}

int ParseDmgFile(const std::string& path, CDMGDeviceInfoStruct& record, std::string* reason) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) return Refuse(reason, "the image file cannot be opened");
  std::uint8_t head[8] = {};
  if (std::fread(head, 1, sizeof head, file.get()) == sizeof head && std::memcmp(head, "encrcdsa", 8) == 0)
    return Refuse(reason, "the image is encrypted");
  if (fseeko(file.get(), 0, SEEK_END) != 0) return Refuse(reason, "the image file cannot be read");
  const off_t end = ftello(file.get());
  if (end <= static_cast<off_t>(kTrailerSize)) return Refuse(reason, "the image file is too small");
  const auto fileSize = static_cast<std::uint64_t>(end);
  record.fileSize = fileSize;

  std::vector<std::uint8_t> trailer(kTrailerSize);
  if (!ReadAt(file.get(), fileSize - kTrailerSize, trailer.data(), trailer.size()))
    return Refuse(reason, "the image file cannot be read");
  if (std::memcmp(trailer.data(), "koly", 4) != 0) {
    // A raw image: a final partial sector is left out, since a flat read cannot fill it.
    record.sectorCount = fileSize / kSector;
    return 1;
  }

  FieldReader koly(trailer);
  DmgTrailerLayout layout{koly.be64(0x18), koly.be64(0x20), koly.be64(0x1EC)};
  const std::uint64_t xmlOffset = koly.be64(0xD8);
  const std::uint64_t xmlLength = koly.be64(0xE0);
  record.sectorCount = layout.sectorCount;
  CatchExeception::WriteLog(
      "========= koly info begin =============\r\nXML plist from: %llu, spanning %llu types\r\n"
      "Original total sectors: %llu\r\n========= koly info end ===============\r\n",
      static_cast<unsigned long long>(xmlOffset), static_cast<unsigned long long>(xmlLength),
      static_cast<unsigned long long>(layout.sectorCount));

  const std::uint64_t body = fileSize - kTrailerSize;
  if (xmlLength == 0 || xmlOffset > body || xmlLength > body - xmlOffset || xmlLength > kMaxDmgPropertyListBytes)
    return Refuse(reason, "the image's block list lies outside the file");
  std::vector<std::uint8_t> xml(static_cast<std::size_t>(xmlLength));
  if (!ReadAt(file.get(), xmlOffset, xml.data(), xml.size())) return Refuse(reason, "the image file cannot be read");
  const auto plist = platform::PlistDocument::FromMemory(xml);
  const auto blkx = plist ? plist->Root().Get("resource-fork").Get("blkx") : platform::PlistNode();
  if (!blkx.IsArray()) return Refuse(reason, "the image has no readable block list");
  if (!ParseChunkEntry(blkx, layout, reason)) return 0;
  // Sectors past the data fork would be read from the property list and the trailer.
  if (layout.dataForkOffset > body || layout.dataForkLength > body - layout.dataForkOffset ||
      layout.sectorCount > (layout.dataForkOffset + layout.dataForkLength) / kSector)
    return Refuse(reason, "the image's sector count does not fit its data");
  return 1;
}

}  // namespace quellsy
