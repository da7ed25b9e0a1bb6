#include "JpegTestData.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "RAWSearch/Framework/ISpecialRawFileAnalyser.h"
#include "support/TempDir.h"

namespace quellsy::test {

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

void TiffBuilder::Put16(Bytes& out, std::uint16_t v) const {
  if (little_)
    out.insert(out.end(), {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)});
  else
    out.insert(out.end(), {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)});
}

void TiffBuilder::Put32(Bytes& out, std::uint32_t v) const {
  if (little_) {
    Put16(out, static_cast<std::uint16_t>(v));
    Put16(out, static_cast<std::uint16_t>(v >> 16));
  } else {
    Put16(out, static_cast<std::uint16_t>(v >> 16));
    Put16(out, static_cast<std::uint16_t>(v));
  }
}

TiffEntry TiffBuilder::Ascii(std::uint16_t tag, const std::string& text) const {
  Bytes data = Text(text);
  data.push_back(0);
  return {tag, 2, static_cast<std::uint32_t>(data.size()), data};
}

TiffEntry TiffBuilder::Short(std::uint16_t tag, std::uint16_t value) const {
  Bytes data;
  Put16(data, value);
  return {tag, 3, 1, data};
}

TiffEntry TiffBuilder::Long(std::uint16_t tag, std::uint32_t value) const {
  Bytes data;
  Put32(data, value);
  return {tag, 4, 1, data};
}

TiffEntry TiffBuilder::Rational(std::uint16_t tag, std::uint32_t numerator, std::uint32_t denominator) const {
  Bytes data;
  Put32(data, numerator);
  Put32(data, denominator);
  return {tag, 5, 1, data};
}

TiffEntry TiffBuilder::Link(std::uint16_t tag, int directory) const { return {tag, 4, 1, {}, directory}; }

TiffEntry TiffBuilder::Raw(std::uint16_t tag, std::uint16_t format, std::uint32_t count,
                           std::uint32_t valueField) const {
  return {tag, format, count, {}, -1, valueField};
}

int TiffBuilder::AddIfd(std::vector<TiffEntry> entries, int next, std::optional<std::uint32_t> rawNext) {
  dirs_.push_back({std::move(entries), next, rawNext, std::nullopt});
  return static_cast<int>(dirs_.size()) - 1;
}

std::uint32_t TiffBuilder::DirectoryOffset(int directory) const {
  std::uint32_t offset = 8;
  for (int i = 0; i < directory; ++i)
    offset += static_cast<std::uint32_t>(2 + 12 * dirs_[static_cast<std::size_t>(i)].entries.size() + 4);
  return offset;
}

Bytes TiffBuilder::Build() const {
  Bytes out = little_ ? Text("II") : Text("MM");
  Put16(out, magic_);
  Put32(out, firstIfd_);
  Bytes values;
  const std::uint32_t valuesStart = DirectoryOffset(static_cast<int>(dirs_.size()));
  for (const Dir& dir : dirs_) {
    Put16(out, dir.storedCount.value_or(static_cast<std::uint16_t>(dir.entries.size())));
    for (const TiffEntry& entry : dir.entries) {
      Put16(out, entry.tag);
      Put16(out, entry.format);
      Put32(out, entry.count);
      if (entry.raw) {
        Put32(out, *entry.raw);
      } else if (entry.link >= 0) {
        Put32(out, DirectoryOffset(entry.link));
      } else if (entry.data.size() <= 4) {
        Bytes field = entry.data;
        field.resize(4, 0);
        out.insert(out.end(), field.begin(), field.end());
      } else {
        Put32(out, valuesStart + static_cast<std::uint32_t>(values.size()));
        values.insert(values.end(), entry.data.begin(), entry.data.end());
      }
    }
    Put32(out, dir.rawNext.value_or(dir.next >= 0 ? DirectoryOffset(dir.next) : 0));
  }
  out.insert(out.end(), values.begin(), values.end());
  return out;
}

Bytes Soi() { return {0xFF, 0xD8}; }
Bytes Eoi() { return {0xFF, 0xD9}; }

Bytes Segment(std::uint8_t code, const Bytes& payload) {
  const std::size_t length = payload.size() + 2;
  Bytes out = {0xFF, code, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

Bytes Jfif(std::size_t extra) {
  Bytes payload = {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  payload.resize(payload.size() + extra, 0x10);
  return Segment(0xE0, payload);
}

Bytes ExifApp1(const Bytes& tiff) { return Segment(0xE1, Concat({{'E', 'x', 'i', 'f', 0, 0}, tiff})); }

Bytes Dqt() {
  Bytes payload(65, 1);
  payload[0] = 0;
  return Segment(0xDB, payload);
}

Bytes Frame(std::uint8_t code, std::uint8_t precision, std::uint16_t height, std::uint16_t width,
            std::uint8_t components) {
  Bytes payload = {precision,
                   static_cast<std::uint8_t>(height >> 8),
                   static_cast<std::uint8_t>(height),
                   static_cast<std::uint8_t>(width >> 8),
                   static_cast<std::uint8_t>(width),
                   components};
  for (std::uint8_t c = 1; c <= components; ++c) payload.insert(payload.end(), {c, 0x11, 0});
  return Segment(code, payload);
}

Bytes Scan(std::uint8_t components) {
  Bytes payload = {components};
  for (std::uint8_t c = 1; c <= components; ++c) payload.insert(payload.end(), {c, 0});
  payload.insert(payload.end(), {0, 63, 0});
  return Segment(0xDA, payload);
}

Bytes Entropy(std::size_t count, std::uint32_t seed) {
  Bytes out = PatternBytes(count, seed);
  for (std::uint8_t& b : out) b = static_cast<std::uint8_t>(1 + b % 0xFE);
  return out;
}

Bytes StuffedEntropy(std::size_t count, std::uint32_t seed, std::size_t restartEvery) {
  Bytes out = Entropy(count, seed);
  std::uint8_t restart = 0xD0;
  for (std::size_t at = 0; at + 2 <= out.size(); ++at) {
    if (at % 97 == 96) {
      out[at] = 0xFF;
      out[++at] = 0x00;
    } else if (restartEvery != 0 && at % restartEvery == restartEvery - 1) {
      out[at] = 0xFF;
      out[++at] = restart;
      restart = restart == 0xD7 ? 0xD0 : static_cast<std::uint8_t>(restart + 1);
    }
  }
  return out;
}

Bytes WithoutJfif(Bytes jpeg) {
  if (jpeg.size() > 6 && jpeg[2] == 0xFF && jpeg[3] == 0xE0)
    jpeg.erase(jpeg.begin() + 2, jpeg.begin() + 4 + (jpeg[4] << 8 | jpeg[5]));
  return jpeg;
}

Bytes PaddedToResidue(Bytes jpeg, std::size_t residue, std::size_t sectorSize) {
  std::size_t at = 2;
  while (at + 4 <= jpeg.size() && ((jpeg[at + 1] >= 0xE0 && jpeg[at + 1] <= 0xEF) || jpeg[at + 1] == 0xDB))
    at += 2 + static_cast<std::size_t>(jpeg[at + 2] << 8 | jpeg[at + 3]);
  const std::size_t padding = (residue + 2 * sectorSize - (jpeg.size() + 4) % sectorSize) % sectorSize;
  const Bytes comment = Segment(0xFE, Bytes(padding, 'p'));
  jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(at), comment.begin(), comment.end());
  return jpeg;
}

std::uint32_t TrailingZeroWords(const std::uint8_t* sector, unsigned sectorSize) {
  std::uint32_t zero = 0;
  while (zero < 32 && zero + 4 <= sectorSize &&
         std::all_of(sector + sectorSize - zero - 4, sector + sectorSize - zero, [](std::uint8_t b) { return b == 0; }))
    zero += 4;
  return zero;
}

Grown GrowFromSector(IRawFileAnalyser& analyser, const Bytes& image, long long start, unsigned sectorSize,
                     long long maxSectors) {
  constexpr long long kSectorsPerBlock = 64;
  Grown grown;
  CRawFileInfo scratch;
  unsigned char* first = const_cast<unsigned char*>(image.data()) + start * sectorSize;
  const int claimed = analyser.GetSpecialRawFile()
                          ? analyser.GetSpecialRawFile()->AnalyseBufferEx(first, scratch, sectorSize, start, 0,
                                                                          kSectorsPerBlock)
                          : analyser.AnalyseBuffer(first, scratch);
  if (!claimed) return grown;
  grown.record.reset(analyser.CreateRawFileInfo());
  grown.record->m_uRawFileType = scratch.m_uRawFileType;
  grown.record->m_ullSize = scratch.m_ullSize;
  grown.record->m_llStartSector = start;
  grown.record->m_pAnalyser = &analyser;
  if (grown.record->m_ullSize == 0) {
    grown.outcome = GrowRecord(*grown.record, ImageSectors(image, sectorSize), sectorSize, kSectorsPerBlock,
                               maxSectors);
  }
  return grown;
}

SectorSource ImageSectors(const Bytes& image, unsigned sectorSize) {
  return [&image, sectorSize](long long sector) {
    Bytes out(sectorSize, 0);
    const std::size_t from = static_cast<std::size_t>(sector) * sectorSize;
    if (from < image.size())
      std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(from),
                  std::min<std::size_t>(sectorSize, image.size() - from), out.begin());
    return out;
  };
}

GrowOutcome GrowRecord(CRawFileInfo& record, const SectorSource& source, unsigned sectorSize, long long sectorsPerBlock,
                       long long maxSectors) {
  const std::size_t blockBytes = static_cast<std::size_t>(sectorsPerBlock) * sectorSize;
  // Previous block, current block, and the zero tail the search keeps behind it.
  Bytes buffer(2 * blockBytes + 4096, 0);
  const auto load = [&](long long first) {
    for (long long k = 0; k < sectorsPerBlock; ++k) {
      const Bytes sector = source(first + k);
      std::copy(sector.begin(), sector.end(),
                buffer.begin() + static_cast<std::ptrdiff_t>(blockBytes + k * sectorSize));
    }
  };
  const long long start = record.m_llStartSector;
  long long blockFirst = start / sectorsPerBlock * sectorsPerBlock;
  if (blockFirst > 0) {
    load(blockFirst - sectorsPerBlock);
    std::copy_n(buffer.begin() + static_cast<std::ptrdiff_t>(blockBytes), blockBytes, buffer.begin());
  }
  load(blockFirst);
  GrowOutcome outcome;
  for (long long n = start; n < start + maxSectors; ++n) {
    if (n >= blockFirst + sectorsPerBlock) {
      std::copy_n(buffer.begin() + static_cast<std::ptrdiff_t>(blockBytes), blockBytes, buffer.begin());
      blockFirst += sectorsPerBlock;
      load(blockFirst);
    }
    CRawFileInfo::SearchContext context;
    context.llBufferFirstSector = blockFirst == 0 ? 0 : blockFirst - sectorsPerBlock;
    context.llBlockEndSector = blockFirst + sectorsPerBlock;
    std::uint8_t* p = buffer.data() + blockBytes + static_cast<std::size_t>(n - blockFirst) * sectorSize;
    context.uLeadingZeroBytes = std::all_of(p, p + 4, [](std::uint8_t b) { return b == 0; }) ? 4 : 0;
    context.uTrailingZeroBytes = TrailingZeroWords(p, sectorSize);
    outcome = {record.CalcRawSize(p, static_cast<int>(sectorSize), n, context), n};
    if (outcome.result == 1) break;
  }
  return outcome;
}

bool RunCommand(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

namespace {

bool HaveImageMagick() {
  static const bool have = [] {
    FILE* pipe = popen("/usr/bin/convert -version 2>/dev/null", "r");
    if (!pipe) return false;
    std::string output;
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, pipe)) output += chunk;
    pclose(pipe);
    return output.find("ImageMagick") != std::string::npos;
  }();
  return have;
}

}  // namespace

std::optional<Bytes> MakeImageMagickJpeg(const std::filesystem::path& dir, const std::string& name,
                                         const std::string& input, const std::string& args) {
  if (!HaveImageMagick()) return std::nullopt;
  const std::filesystem::path out = dir / name;
  if (!RunCommand("/usr/bin/convert " + input + " " + args + " '" + out.string() + "'")) return std::nullopt;
  return ReadFile(out);
}

bool HaveExiftool() { return RunCommand("exiftool -ver"); }

std::optional<Bytes> Exiftool(const std::filesystem::path& file, const std::string& args) {
  if (!RunCommand("exiftool -q -overwrite_original " + args + " '" + file.string() + "'")) return std::nullopt;
  return ReadFile(file);
}

std::size_t Find(const Bytes& haystack, const Bytes& needle, std::size_t from) {
  if (from > haystack.size()) return std::string::npos;
  const auto it =
      std::search(haystack.begin() + static_cast<std::ptrdiff_t>(from), haystack.end(), needle.begin(), needle.end());
  return it == haystack.end() ? std::string::npos : static_cast<std::size_t>(it - haystack.begin());
}

}  // namespace quellsy::test
