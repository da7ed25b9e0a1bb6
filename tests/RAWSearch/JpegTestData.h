#pragma once
// Hand-built EXIF blocks and JPEG files for the JPEG and EXIF tests, a driver that shows a growing
// record the sectors of an image as the signature search does, and real pictures made at test time
// with ImageMagick and exiftool.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/IRawFileAnalyser.h"

namespace quellsy::test {

using Bytes = std::vector<std::uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts);
Bytes Text(const std::string& text);

// One directory entry. The value is `data` (inline when it fits in four bytes), the offset of the
// directory `link` points to, or `raw` as the value field exactly.
struct TiffEntry {
  TiffEntry(std::uint16_t tag_, std::uint16_t format_, std::uint32_t count_, Bytes data_ = {}, int link_ = -1,
            std::optional<std::uint32_t> raw_ = {})
      : tag(tag_), format(format_), count(count_), data(std::move(data_)), link(link_), raw(raw_) {}

  std::uint16_t tag = 0;
  std::uint16_t format = 0;
  std::uint32_t count = 0;
  Bytes data;
  int link = -1;
  std::optional<std::uint32_t> raw;
};

// A TIFF structure: header, directories laid out one after another from offset 8, then the values
// that do not fit in their entries.
class TiffBuilder {
 public:
  explicit TiffBuilder(bool littleEndian) : little_(littleEndian) {}

  TiffEntry Ascii(std::uint16_t tag, const std::string& text) const;
  TiffEntry Short(std::uint16_t tag, std::uint16_t value) const;
  TiffEntry Long(std::uint16_t tag, std::uint32_t value) const;
  TiffEntry Rational(std::uint16_t tag, std::uint32_t numerator, std::uint32_t denominator) const;
  TiffEntry Link(std::uint16_t tag, int directory) const;
  TiffEntry Raw(std::uint16_t tag, std::uint16_t format, std::uint32_t count, std::uint32_t valueField) const;

  // Returns the directory's index. `next` links to another directory by index; `rawNext` stores a
  // link field as given.
  int AddIfd(std::vector<TiffEntry> entries, int next = -1, std::optional<std::uint32_t> rawNext = {});
  void SetNext(int directory, int next) { dirs_[static_cast<std::size_t>(directory)].next = next; }
  // Overrides the entry count stored for a directory.
  void SetStoredCount(int directory, std::uint16_t count) {
    dirs_[static_cast<std::size_t>(directory)].storedCount = count;
  }
  void SetMagic(std::uint16_t magic) { magic_ = magic; }
  void SetFirstIfdOffset(std::uint32_t offset) { firstIfd_ = offset; }

  std::uint32_t DirectoryOffset(int directory) const;
  Bytes Build() const;

  void Put16(Bytes& out, std::uint16_t v) const;
  void Put32(Bytes& out, std::uint32_t v) const;

 private:
  struct Dir {
    std::vector<TiffEntry> entries;
    int next = -1;
    std::optional<std::uint32_t> rawNext;
    std::optional<std::uint16_t> storedCount;
  };
  bool little_;
  std::uint16_t magic_ = 42;
  std::uint32_t firstIfd_ = 8;
  std::vector<Dir> dirs_;
};

// JPEG segments.
Bytes Soi();
Bytes Eoi();
Bytes Segment(std::uint8_t code, const Bytes& payload);
// A 16-byte JFIF APP0 segment (or a longer one with `extra` bytes of thumbnail).
Bytes Jfif(std::size_t extra = 0);
// "Exif" APP1 segment holding the TIFF data.
Bytes ExifApp1(const Bytes& tiff);
Bytes Dqt();
Bytes Frame(std::uint8_t code, std::uint8_t precision, std::uint16_t height, std::uint16_t width,
            std::uint8_t components);
Bytes Scan(std::uint8_t components);
// Entropy-coded bytes that never form a marker (no 0xFF) and are never zero.
Bytes Entropy(std::size_t count, std::uint32_t seed = 1);
// Entropy-coded bytes as an encoder writes them: an FF stuffed with 00 every 97 bytes, and a restart
// marker (FF D0 to FF D7 in turn) every `restartEvery` bytes (0: none).
Bytes StuffedEntropy(std::size_t count, std::uint32_t seed = 1, std::size_t restartEvery = 0);
// Drops a leading JFIF segment, so the file starts FF D8 FF DB as a stripped camera file does.
Bytes WithoutJfif(Bytes jpeg);
// Puts a comment segment behind the application segments and tables, so the file's length leaves
// `residue` bytes in its last sector of `sectorSize` (0: it fills the sector).
Bytes PaddedToResidue(Bytes jpeg, std::size_t residue, std::size_t sectorSize = 512);

// Which sector is shown, and what the search would put around it.
using SectorSource = std::function<Bytes(long long sector)>;

struct GrowOutcome {
  int result = 0;         // the last CalcRawSize answer
  long long sector = -1;  // the sector it answered for
};

// Shows `record` the sectors from its start sector on, as the search does: blocks of `sectorsPerBlock`
// sectors behind the previous block, a zero tail behind the block, the context of each sector. Stops
// at the first answer 1 or after `maxSectors` sectors.
GrowOutcome GrowRecord(CRawFileInfo& record, const SectorSource& source, unsigned sectorSize, long long sectorsPerBlock,
                       long long maxSectors);
// The sectors of an image held in memory (zeros past its end).
SectorSource ImageSectors(const Bytes& image, unsigned sectorSize);

struct Grown {
  std::unique_ptr<CRawFileInfo> record;  // empty when the analyser did not claim the sector
  GrowOutcome outcome;
};
// What the search does with a sector an analyser may claim in an image held in memory: the analyser's test on
// sector `start`, its record, then the sectors from there in blocks of 64 until the record decides or
// `maxSectors` have been shown. A size the test already stated is kept, not grown.
Grown GrowFromSector(IRawFileAnalyser& analyser, const Bytes& image, long long start, unsigned sectorSize,
                     long long maxSectors);

// The context the search builds for a sector: the trailing zero bytes in whole words, at most 32.
std::uint32_t TrailingZeroWords(const std::uint8_t* sector, unsigned sectorSize);

// Real pictures. Empty when ImageMagick is missing (a stand-in convert that is not ImageMagick does
// not count) or the command fails. `args` come between the input and the output of convert.
std::optional<Bytes> MakeImageMagickJpeg(const std::filesystem::path& dir, const std::string& name,
                                         const std::string& input, const std::string& args);
bool HaveExiftool();
// Runs exiftool with `args` on the file (overwriting it) and returns the new bytes; empty on failure.
std::optional<Bytes> Exiftool(const std::filesystem::path& file, const std::string& args);
// Runs a shell command; true when it exits with 0.
bool RunCommand(const std::string& command);

// Byte offset of the first occurrence of `needle`, or npos.
std::size_t Find(const Bytes& haystack, const Bytes& needle, std::size_t from = 0);

}  // namespace quellsy::test
