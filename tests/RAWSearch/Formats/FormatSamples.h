#pragma once
// Sample files of every format family, shared by the family test files: real samples from the public
// fixtures and hand-built files, the way a test carves one (the analyser's test, then its measurement),
// the image a sample is placed in, and the samples that the complete-scan test finds through the
// registry.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"
#include "RawSearchTestSupport.h"
#include "support/samples/HandBuiltSamples.h"
#include "support/ImageBuilder.h"
#include "support/MemoryDevice.h"

namespace quellsy::test::formats {

using Factory = std::function<std::unique_ptr<CPlainRawFileAnalyser>()>;

template <typename T>
Factory Make() {
  return [] { return std::make_unique<T>(); };
}

constexpr unsigned kSector = 512;
constexpr long long kPlacedAt = 5;

// How the measured size relates to the placed file.
enum class Expect {
  kExact,         // the file's own length
  kWholeSectors,  // its length rounded up to whole sectors
  kStated,        // the length given in the case (the file says so, or a cap applies)
};

struct Carved {
  int claimed = 0;
  int measured = -1;  // -1: the test gave the size, nothing measured
  std::uint32_t type = 0;
  std::uint64_t size = 0;
  std::string name;
};

// What the search does with one sector: the test, then the measurement of a hit without size.
Carved Carve(CPlainRawFileAnalyser& analyser, MemoryDevice& device, long long sector);
// Junk, a zero sector, the file at kPlacedAt (zero slack), two zero sectors, then junk again.
ImageBuilder ImageAround(const Bytes& file, const std::string& path, std::uint64_t minBytes = 0);
std::uint64_t WholeSectors(std::uint64_t size);
// The carved range holds the file (or the stated prefix of it) and, behind it, only the zero slack.
void ExpectCopiedOut(const ImageBuilder& image, const std::string& path, std::uint64_t size);
// The size a case expects of a file of `fileSize` bytes.
std::uint64_t ExpectedSize(Expect expect, std::uint64_t fileSize, std::uint64_t stated);
// Measures `file` placed at sector 1 of a device of `sectors` sectors (zero elsewhere).
Carved MeasurePlaced(CPlainRawFileAnalyser& analyser, const Bytes& file, long long sectors,
                     const std::function<void(MemoryDevice&)>& tweak = {});

// A public sample file of the mimetype test data; a missing one fails the test.
std::function<Bytes()> Sample(const std::string& file);
// An MPEG audio file made by make-mp3-samples.sh (run once per test process); a failed script fails
// the test.
std::function<Bytes()> MadeMp3(const std::string& file);
// A movie made by make-movie-samples.sh (run once per test process); a failed script fails the test.
std::function<Bytes()> MadeMovie(const std::string& file);
// A file made by the fixture script `script` (relative to the source tree, run once per test process
// into a folder of its own); a failed script fails the test.
std::function<Bytes()> Made(const std::string& script, const std::string& file);

// Hand-built files, each in the layout its analyser reads (more in support/samples/HandBuiltSamples.h).
Bytes EmfFile();
Bytes EmlxFile();
// One track; `written` bytes of it are there (all of them unless told).
Bytes MidiFile(std::uint32_t trackBytes, std::size_t written = SIZE_MAX);
Bytes JetFile(int pages);
// A gzip member: the fixed header (flags as given), an optional stored name, then `body` bytes.
Bytes GzFile(std::uint8_t flags, const std::string& name, const Bytes& body);
Bytes Mp4File(const char* brand);

// Headers for the near-miss cases.
Bytes BmpHeader();
Bytes IcoHeader();
Bytes CabHeader();
Bytes AuHeader();
Bytes GzHeader();
Bytes Mp4Header();
Bytes MidiHeader();
Bytes JetHeader();
Bytes HtmlHeader();
Bytes LzhHeader();
Bytes CrwHeader();
Bytes CptHeader();
Bytes IcnsHeader();

// A file of the family found at its sector, measured and copied out (the body is in
// PlainAnalyserCasesTest.cpp; each family file instantiates it with its cases).
struct FileCase {
  std::string name;
  Factory make;
  std::function<Bytes()> file;
  std::uint32_t type;
  Expect expect;
  std::uint64_t stated = 0;
  std::uint64_t imageBytes = 0;  // room the image must give the file (fixed-length formats)
};
inline void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }
class PlainAnalyserFiles : public RawSearchTest, public ::testing::WithParamInterface<FileCase> {};

// A header refused once spoiled, while the unspoiled one is taken.
struct NearMiss {
  std::string name;
  Factory make;
  std::function<void(Bytes&)> spoil;
  Bytes (*file)();
};
inline void PrintTo(const NearMiss& c, std::ostream* os) { *os << c.name; }
class PlainAnalyserNearMisses : public RawSearchTest, public ::testing::WithParamInterface<NearMiss> {};

using PlainAnalyserMeasure = RawSearchTest;

// A sample the complete scan must find through the registry: `analyserClass` is the class name of
// the registry row that claims it.
struct ScanSample {
  std::string analyserClass;
  std::string name;
  std::function<Bytes()> file;
  std::uint32_t type;
  Expect expect;
  std::uint64_t stated = 0;
  // When set, the size the file must be found with (for made files whose end rule depends on where
  // their last sector ends); it overrides `expect`.
  std::function<std::uint64_t(const Bytes&)> sizeOf = {};
  std::uint64_t zeroBehind = 0;  // zero bytes the format needs behind the file to be ended there
};
// Every family file adds its samples at start-up; the registry coverage test reads them all.
std::vector<ScanSample>& ScanSamples();
struct ScanSampleRegistrar {
  explicit ScanSampleRegistrar(std::vector<ScanSample> samples);
};

}  // namespace quellsy::test::formats
