#pragma once
// TIFF and camera raw samples for the TIFF tests: files made at test time by ImageMagick, libtiff-tools
// and exiftool, and hand-built structures (sub-directories, maker notes, the wrapping container, the
// 49 49 55 00 header) whose extents are worked out where they are built.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "JpegTestData.h"

namespace quellsy::test::tiff {

// A camera maker and model as the camera writes them, and the extension the maker's table gives.
struct MakerCase {
  const char* make;
  const char* model;
  const char* extension;
};
// Every row of the maker's table, and makers it does not know.
extern const std::vector<MakerCase> kMakerCases;

// A TIFF made by ImageMagick from a plasma picture; `args` go between input and output (byte order,
// tiles). Empty when the tool is missing or fails.
std::optional<Bytes> MakeTiff(const std::filesystem::path& dir, const std::string& name, int seed,
                              const std::string& size, const std::string& args);
// Runs a libtiff-tools or exiftool command line on the file and returns its new bytes; empty on failure.
std::optional<Bytes> Retag(const std::filesystem::path& file, const std::string& command);

// `file` grown to `size` with pattern bytes without zeros.
Bytes PadTo(Bytes file, std::size_t size);
// `part` written over `file` at `at` (the file grows as needed).
void Put(Bytes& file, std::size_t at, const Bytes& part);

// The main directory's camera fields and one strip from `stripOffset` of `stripBytes`; the file ends
// with the strip.
Bytes CameraTiff(bool little, const std::string& make, const std::string& model, std::uint32_t stripOffset,
                 std::uint32_t stripBytes, std::vector<TiffEntry> extra = {});

// The furthest strip is named only by a sub-directory (tag 330) of the main one.
constexpr std::uint32_t kSubIfdStripOffset = 20000;
constexpr std::uint32_t kSubIfdStripBytes = 30000;
Bytes SubIfdTiff(bool little);

enum class Maker { kNikon, kEpson, kOther };
// An Exif directory whose maker note (at kMakerNoteAt) holds a directory with one strip; the file ends
// with that strip. The strip's offset counts from the maker note's own TIFF header for kNikon (which
// is big-endian inside a little-endian file) and from the file's header otherwise.
constexpr std::uint32_t kMakerNoteAt = 4096;
constexpr std::uint32_t kMakerStripOffset = 30000;
constexpr std::uint32_t kMakerStripBytes = 20000;
Bytes MakerNoteTiff(Maker maker);
// Where the file built by MakerNoteTiff ends.
std::uint64_t MakerNoteTiffEnd(Maker maker);

// The container: its 160-byte header, an Exif JPEG picture at kRafJpegAt naming the camera, a TIFF
// structure 160 bytes in whose model ends the measurement, and the sensor data running to kRafEnd.
// Off a sector boundary, so the picture is not found as a file of its own.
constexpr std::uint32_t kRafJpegAt = 2100;
constexpr std::uint32_t kRafCfaAt = 40960;
constexpr std::uint32_t kRafEnd = 90000;
Bytes RafFile();

// A TIFF that ends with its only directory, every value of which is inline but the maker's name in
// front of the strip; the maker PENTAX.
constexpr std::uint32_t kDirectoryLastStripBytes = 20000;
Bytes DirectoryLastTiff();

// An 8-bit RGB TIFF 171 pixels wide (513 bytes a row, so every row moves its end one byte on in its
// sector) and `rows` high made by ImageMagick, then retagged by `retag` unless it is empty.
std::optional<Bytes> MakeRowTiff(const std::filesystem::path& dir, const std::string& name, int rows,
                                 const std::string& retag);
// The same made as high as it takes to end `slack` bytes before a sector's end (even, below 32, so
// that the rows stay even and no pad byte moves the end); empty when the tools fail.
std::optional<Bytes> MakeTiffEndingShortOfSector(const std::filesystem::path& dir, const std::string& name,
                                                 unsigned slack, const std::string& retag);

// The 49 49 55 00 header with a maker and model and one strip up to `end`.
Bytes PanasonicRaw(const std::string& make, const std::string& model, std::uint32_t end);

}  // namespace quellsy::test::tiff
