// The plain analysers on real samples and hand-built headers, each placed in a synthetic image between
// junk and zero fill: found at its sector, measured, and copied out byte for byte.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "RAWSearch/CPlainRawFileAnalyser.h"
#include "RAWSearch/CRawFileInfo.h"
#include "RAWSearch/FileAUAnalyser.h"
#include "RAWSearch/FileBMPAnalyser.h"
#include "RAWSearch/FileCABAnalyser.h"
#include "RAWSearch/FileCHMAnalyser.h"
#include "RAWSearch/FileCPTAnalyser.h"
#include "RAWSearch/FileCRWAnalyser.h"
#include "RAWSearch/FileEMFAnalyser.h"
#include "RAWSearch/FileEMLXAnalyser.h"
#include "RAWSearch/FileGZAnalyser.h"
#include "RAWSearch/FileHLPAnalyser.h"
#include "RAWSearch/FileHTMAnalyser.h"
#include "RAWSearch/FileICNSAnalyser.h"
#include "RAWSearch/FileICOAnalyser.h"
#include "RAWSearch/FileLZHAnalyser.h"
#include "RAWSearch/FileLowDocAnalyser.h"
#include "RAWSearch/FileMDBAnalyser.h"
#include "RAWSearch/FileMIDAnalyser.h"
#include "RAWSearch/FileMNYAnalyser.h"
#include "RAWSearch/FileMP4Analyser.h"
#include "RawSearchTestSupport.h"
#include "Utility/ByteReader.h"
#include "support/ImageBuilder.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

using quellsy::test::ImageBuilder;
using quellsy::test::ImageFill;
using quellsy::test::MemoryDevice;
using quellsy::test::PatternBytes;
using quellsy::test::RawSearchTest;
using Bytes = std::vector<std::uint8_t>;
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
Carved Carve(CPlainRawFileAnalyser& analyser, MemoryDevice& device, long long sector) {
  Carved out;
  CRawFileInfo hit;
  out.claimed = analyser.AnalyseBuffer(device.bytes().data() + sector * kSector, hit);
  if (!out.claimed) return out;
  hit.m_llStartSector = sector;
  if (hit.m_ullSize == 0) out.measured = analyser.GetRawFileSize(hit, &device);
  out.type = hit.m_uRawFileType;
  out.size = hit.m_ullSize;
  out.name = hit.GetRawFileName();
  return out;
}

// Junk, a zero sector, the file at kPlacedAt (zero slack), two zero sectors, then junk again.
ImageBuilder ImageAround(const Bytes& file, const std::string& path, std::uint64_t minBytes = 0) {
  const long long fileSectors =
      static_cast<long long>((std::max<std::uint64_t>(file.size(), minBytes) + kSector - 1) / kSector);
  ImageBuilder image(kPlacedAt + fileSectors + 6, kSector, ImageFill::kJunk, 11);
  image.Fill(kPlacedAt - 1, 1, ImageFill::kZero);
  image.Fill(kPlacedAt, fileSectors + 2, ImageFill::kZero);
  image.Place(path, kPlacedAt, file);
  return image;
}

std::uint64_t WholeSectors(std::uint64_t size) { return (size + kSector - 1) / kSector * kSector; }

// The carved range holds the file (or the stated prefix of it) and, behind it, only the zero slack.
void ExpectCopiedOut(const ImageBuilder& image, const std::string& path, std::uint64_t size) {
  const auto placed = image.Placed(path);
  const std::size_t begin = static_cast<std::size_t>(kPlacedAt) * kSector;
  ASSERT_LE(begin + size, image.bytes().size());
  const std::span<const std::uint8_t> carved(image.bytes().data() + begin, static_cast<std::size_t>(size));
  if (size >= placed.size()) {
    EXPECT_EQ(quellsy::test::Sha256Hex(carved.first(placed.size())), image.manifest().front().sha256);
    EXPECT_TRUE(std::all_of(carved.begin() + static_cast<std::ptrdiff_t>(placed.size()), carved.end(),
                            [](std::uint8_t b) { return b == 0; }))
        << "carved beyond the file's slack";
  } else {
    EXPECT_TRUE(std::equal(carved.begin(), carved.end(), placed.begin()));
  }
}

struct FileCase {
  std::string name;
  Factory make;
  std::function<Bytes()> file;  // empty result: sample missing
  std::uint32_t type;
  Expect expect;
  std::uint64_t stated = 0;
  std::uint64_t imageBytes = 0;  // room the image must give the file (fixed-length formats)
};

void PrintTo(const FileCase& c, std::ostream* os) { *os << c.name; }

std::filesystem::path SampleDir() {
  const char* fixtures = std::getenv("QUELLSY_FIXTURES");
  return std::filesystem::path(fixtures ? fixtures : "") / "mimetype-testdata";
}

std::function<Bytes()> Sample(const std::string& file) {
  return [file] {
    const auto path = SampleDir() / file;
    return std::filesystem::exists(path) ? quellsy::test::ReadFile(path) : Bytes{};
  };
}

void PutText(Bytes& b, std::size_t at, std::string_view text) { std::memcpy(b.data() + at, text.data(), text.size()); }

// Pattern bytes (no zero run) with the header fields a case writes on top.
Bytes Body(std::size_t size, std::uint32_t seed = 21) {
  Bytes b = PatternBytes(size, seed);
  for (auto& byte : b)
    if (byte == 0) byte = 0x5A;
  return b;
}

Bytes ChmFile() {
  Bytes b = Body(3000);
  PutText(b, 0, "ITSF");
  quellsy::FieldWriter w(b);
  w.le32(4, 3);
  w.le32(8, 0x60);
  const std::uint8_t guid[16] = {0x10, 0xFD, 0x01, 0x7C, 0xAA, 0x7B, 0xD0, 0x11,
                                 0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC};
  std::memcpy(b.data() + 24, guid, 16);
  std::memcpy(b.data() + 40, guid, 16);
  b[40] = 0x11;
  w.le32(96, 0x1FE);
  w.le32(100, 0);
  w.le64(104, b.size());
  w.le32(112, 0);
  w.le32(116, 0);
  return b;
}

// An index of two entries at 316; the last object at 600 points (through its record at 660) to the
// trailer field pair at 892 that gives the file's extent: 800 + 300.
Bytes CptFile(std::uint32_t extra = 0) {
  Bytes b = Body(1100);
  PutText(b, 0, "CPT9FILE");
  quellsy::FieldWriter w(b);
  w.le32(40, 2);
  w.le32(52, 316);
  w.le32(316, 400);
  w.le32(324, 600);
  w.le32(600 + 32, extra);
  const std::uint32_t q = 660 + extra;
  if (extra) w.le32(660, extra);
  w.le32(q, 900);
  w.le32(q + 4, 1);
  w.le32(892, 800);
  w.le32(896, 300);
  return b;
}

Bytes CrwFile(std::size_t size, std::size_t recordAt, std::uint8_t kind) {
  Bytes b = Body(size);
  PutText(b, 0, "II\x1A");
  b[3] = 0;
  b[4] = b[5] = 0;
  PutText(b, 6, "HEAPCCDR\x02");
  const std::uint8_t record[6] = {0x07, 0x28, kind, 0, 0, 0};
  std::memcpy(b.data() + recordAt, record, 6);
  return b;
}

Bytes EmfFile() {
  Bytes b = Body(2000);
  quellsy::FieldWriter w(b);
  w.le32(0, 1);
  w.le32(40, 0x464D4520);
  w.le32(48, static_cast<std::uint32_t>(b.size()));
  w.le16(58, 0);
  return b;
}

Bytes EmlxFile() {
  Bytes b = Body(1636);
  PutText(b, 0, "      1234\nX-QQ-FEAT: 1\n");
  return b;
}

Bytes HlpFile() {
  Bytes b = Body(5000);
  quellsy::FieldWriter w(b);
  w.le32(0, 0x00035F3F);
  w.le32(4, 0x200);
  w.le32(8, 0xFFFFFFFF);
  w.le32(12, static_cast<std::uint32_t>(b.size()));
  return b;
}

Bytes LowDocFile() {
  Bytes b = Body(2048);
  quellsy::FieldWriter w(b);
  w.le32(0, 0x002DA5DB);
  w.le32(292, 1500);
  w.le16(296, 100);
  return b;
}

Bytes MnyFile() {
  Bytes b = Body(0x100000);
  PutText(b, 0, "MS");
  PutText(b, 4, "MSISAM Database");
  return b;
}

Bytes CurFile() {
  Bytes b = Body(6 + 16 + 744);
  quellsy::FieldWriter w(b);
  w.le16(0, 0);
  w.le16(2, 2);
  w.le16(4, 1);
  b[6 + 3] = 0;
  w.le16(6 + 4, 5);
  w.le16(6 + 6, 7);
  w.le32(6 + 8, 744);
  w.le32(6 + 12, 22);
  return b;
}

// A level-0 LHA entry: header size, checksum, method, sizes, time, attribute, level, name, CRC, data.
Bytes LzhEntry(const char* method, const std::string& name, std::uint32_t packed, std::size_t dataBytes) {
  Bytes e(2 + 22 + name.size(), 0);
  e[0] = static_cast<std::uint8_t>(22 + name.size());
  PutText(e, 2, method);
  quellsy::FieldWriter w(e);
  w.le32(7, packed);
  w.le32(11, packed);
  e[21] = static_cast<std::uint8_t>(name.size());
  PutText(e, 22, name);
  const Bytes data = Body(dataBytes, 33);
  e.insert(e.end(), data.begin(), data.end());
  return e;
}

Bytes LzhArchive() {
  Bytes a = LzhEntry("-lh0-", "readme.txt", 700, 700);
  const Bytes second = LzhEntry("-lh5-", "data.bin", 900, 900);
  a.insert(a.end(), second.begin(), second.end());
  a.push_back(0);  // end of archive
  return a;
}

// One track; `written` bytes of it are there (all of them unless told).
Bytes MidiFile(std::uint32_t trackBytes, std::size_t written = SIZE_MAX) {
  Bytes b = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 0};
  quellsy::FieldWriter(b).be32(18, trackBytes);
  const Bytes events = Body(std::min<std::size_t>(trackBytes, written), 9);
  b.insert(b.end(), events.begin(), events.end());
  return b;
}

Bytes JetFile(int pages) {
  Bytes b(static_cast<std::size_t>(pages) * 4096, 0x11);
  PutText(b, 0, std::string_view("\x00\x01\x00\x00Standard Jet DB\x00", 20));
  for (int page = 1; page < pages; ++page) b[static_cast<std::size_t>(page) * 4096 + 1] = 0x01;
  return b;
}

// A gzip member: the fixed header (flags as given), an optional stored name, then `body` bytes.
Bytes GzFile(std::uint8_t flags, const std::string& name, const Bytes& body) {
  Bytes b = {0x1F, 0x8B, 0x08, flags, 0, 0, 0, 0, 0x02, 0x03};
  if (flags & 8) {
    b.insert(b.end(), name.begin(), name.end());
    b.push_back(0);
  }
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

Bytes Mp4File(const char* brand) {
  Bytes b;
  auto box = [&b](std::uint32_t size, const char* type) {
    const std::size_t at = b.size();
    b.resize(at + size, 0x33);
    quellsy::FieldWriter(b).be32(at, size);
    std::memcpy(b.data() + at + 4, type, 4);
  };
  box(24, "ftyp");
  std::memcpy(b.data() + 8, brand, 4);
  box(1000, "moov");
  box(3000, "mdat");
  return b;
}

class PlainAnalyserFiles : public RawSearchTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(PlainAnalyserFiles, FoundAtItsSectorMeasuredAndCopiedOut) {
  const FileCase& c = GetParam();
  const Bytes file = c.file();
  if (file.empty()) GTEST_SKIP() << "sample for " << c.name << " not found under " << SampleDir();
  const ImageBuilder image = ImageAround(file, c.name, c.imageBytes);
  auto device = image.MakeDevice();
  auto analyser = c.make();

  const Carved carved = Carve(*analyser, *device, kPlacedAt);
  ASSERT_EQ(carved.claimed, 1);
  EXPECT_NE(carved.measured, 0);
  EXPECT_EQ(carved.type, c.type);
  const std::uint64_t expected = c.expect == Expect::kExact          ? file.size()
                                 : c.expect == Expect::kWholeSectors ? WholeSectors(file.size())
                                                                     : c.stated;
  EXPECT_EQ(carved.size, expected);
  ExpectCopiedOut(image, c.name, carved.size);

  // Neither the junk nor the zero sector before the file is taken for one (old Word and AU test no
  // more than the registry's key does).
  if (c.type != RAW_FILE_TYPE_DOC) {
    if (c.type != RAW_FILE_TYPE_AU) {
      EXPECT_EQ(Carve(*analyser, *device, 0).claimed, 0);
    }
    EXPECT_EQ(Carve(*analyser, *device, kPlacedAt - 1).claimed, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Samples, PlainAnalyserFiles,
    ::testing::Values(FileCase{"bmp", Make<FileBMPAnalyser>(), Sample("bmp.bmp"), RAW_FILE_TYPE_BMP, Expect::kExact},
                      FileCase{"ico", Make<FileICOAnalyser>(), Sample("ico.ico"), RAW_FILE_TYPE_ICO, Expect::kExact},
                      // The cabinet states its own length; the sample carries more behind it.
                      FileCase{"cab", Make<FileCABAnalyser>(), Sample("cab.cab"), RAW_FILE_TYPE_CAB,
                               Expect::kStated, 567614},
                      FileCase{"au", Make<FileAUAnalyser>(), Sample("au.au"), RAW_FILE_TYPE_AU, Expect::kExact},
                      FileCase{"icns", Make<FileICNSAnalyser>(), Sample("icns.icns"), RAW_FILE_TYPE_ICNS,
                               Expect::kExact},
                      FileCase{"mdb", Make<FileMDBAnalyser>(), Sample("mdb.mdb"), RAW_FILE_TYPE_MDB, Expect::kExact},
                      FileCase{"accdb", Make<FileMDBAnalyser>(), Sample("accdb.accdb"), RAW_FILE_TYPE_ACCDB,
                               Expect::kExact},
                      FileCase{"midi", Make<FileMIDAnalyser>(), Sample("midi.midi"), RAW_FILE_TYPE_MID,
                               Expect::kWholeSectors},
                      FileCase{"html", Make<FileHTMAnalyser>(), Sample("html.html"), RAW_FILE_TYPE_HTM,
                               Expect::kWholeSectors},
                      // A gzip file smaller than a sector ends in its first sector.
                      FileCase{"gz", Make<FileGZAnalyser>(), Sample("gz.gz"), RAW_FILE_TYPE_GZ, Expect::kWholeSectors},
                      FileCase{"mp4", Make<FileMP4Analyser>(), Sample("mp4.mp4"), RAW_FILE_TYPE_MP4, Expect::kExact},
                      FileCase{"mp4.1", Make<FileMP4Analyser>(), Sample("mp4.1.mp4"), RAW_FILE_TYPE_MP4,
                               Expect::kExact},
                      FileCase{"m4a", Make<FileMP4Analyser>(), Sample("m4a.m4a"), RAW_FILE_TYPE_M4A, Expect::kExact}));

INSTANTIATE_TEST_SUITE_P(
    Built, PlainAnalyserFiles,
    ::testing::Values(
        FileCase{"chm", Make<FileCHMAnalyser>(), ChmFile, RAW_FILE_TYPE_CHM, Expect::kExact},
        FileCase{"cpt", Make<FileCPTAnalyser>(), [] { return CptFile(); }, RAW_FILE_TYPE_CPT, Expect::kExact},
        FileCase{"cpt with extra block", Make<FileCPTAnalyser>(), [] { return CptFile(40); }, RAW_FILE_TYPE_CPT,
                 Expect::kExact},
        FileCase{"crw", Make<FileCRWAnalyser>(), [] { return CrwFile(3000, 3000 - 70, 0xA8); }, RAW_FILE_TYPE_CRW,
                 Expect::kExact},
        FileCase{"crw ending with the e4 record", Make<FileCRWAnalyser>(),
                 [] { return CrwFile(2000, 2000 - 50, 0xE4); }, RAW_FILE_TYPE_CRW, Expect::kExact},
        // The table starts 3 bytes before a sector boundary: found by the look-back.
        FileCase{"crw straddling", Make<FileCRWAnalyser>(), [] { return CrwFile(4 * 512 - 3 + 70, 4 * 512 - 3, 0xA8); },
                 RAW_FILE_TYPE_CRW, Expect::kExact},
        FileCase{"emf", Make<FileEMFAnalyser>(), EmfFile, RAW_FILE_TYPE_EMF, Expect::kExact},
        FileCase{"emlx", Make<FileEMLXAnalyser>(), EmlxFile, RAW_FILE_TYPE_EMLX, Expect::kExact},
        FileCase{"hlp", Make<FileHLPAnalyser>(), HlpFile, RAW_FILE_TYPE_HLP, Expect::kExact},
        FileCase{"doc", Make<FileLowDocAnalyser>(), LowDocFile, RAW_FILE_TYPE_DOC, Expect::kExact},
        FileCase{"mny", Make<FileMNYAnalyser>(), MnyFile, RAW_FILE_TYPE_MNY, Expect::kExact},
        FileCase{"cur", Make<FileICOAnalyser>(), CurFile, RAW_FILE_TYPE_CUR, Expect::kExact},
        FileCase{"lzh", Make<FileLZHAnalyser>(), LzhArchive, RAW_FILE_TYPE_LZH, Expect::kWholeSectors},
        // Chunk lengths adding up to whole sectors are not rounded further.
        FileCase{"midi of two sectors", Make<FileMIDAnalyser>(), [] { return MidiFile(1024 - 22); },
                 RAW_FILE_TYPE_MID, Expect::kExact},
        FileCase{"jet of three pages", Make<FileMDBAnalyser>(), [] { return JetFile(3); }, RAW_FILE_TYPE_MDB,
                 Expect::kExact},
        FileCase{"gz with name", Make<FileGZAnalyser>(), [] { return GzFile(8, "notes.txt", Body(3000)); },
                 RAW_FILE_TYPE_GZ, Expect::kWholeSectors},
        // The last sector is full: the file seems to go on to the next sector with a zero tail.
        FileCase{"gz filling its last sector", Make<FileGZAnalyser>(), [] { return GzFile(0, "", Body(1014)); },
                 RAW_FILE_TYPE_GZ, Expect::kStated, 1536},
        FileCase{"m4v", Make<FileMP4Analyser>(), [] { return Mp4File("M4V "); }, RAW_FILE_TYPE_M4V, Expect::kExact},
        FileCase{"mp41 in capitals", Make<FileMP4Analyser>(), [] { return Mp4File("MP41"); }, RAW_FILE_TYPE_MP4,
                 Expect::kExact}));

}  // namespace

namespace {

struct NearMiss {
  std::string name;
  Factory make;
  std::function<void(Bytes&)> spoil;
  Bytes (*file)();
};

void PrintTo(const NearMiss& c, std::ostream* os) { *os << c.name; }

class PlainAnalyserNearMisses : public RawSearchTest, public ::testing::WithParamInterface<NearMiss> {};

TEST_P(PlainAnalyserNearMisses, RefusedWhileTheUnspoiledFileIsTaken) {
  const NearMiss& c = GetParam();
  auto analyser = c.make();
  Bytes good = c.file();
  good.resize(std::max<std::size_t>(good.size(), 4096), 0);
  CRawFileInfo hit;
  EXPECT_EQ(analyser->AnalyseBuffer(good.data(), hit), 1);
  Bytes bad = good;
  c.spoil(bad);
  CRawFileInfo missed;
  EXPECT_EQ(analyser->AnalyseBuffer(bad.data(), missed), 0);
}

Bytes BmpHeader() {
  Bytes b = Body(600);
  PutText(b, 0, "BM");
  quellsy::FieldWriter w(b);
  w.le32(2, 600);
  w.le32(6, 0);
  w.le32(14, 124);
  return b;
}

Bytes IcoHeader() {
  Bytes b = CurFile();
  quellsy::FieldWriter(b).le16(2, 1);
  return b;
}

Bytes CabHeader() {
  Bytes b(600, 0);
  PutText(b, 0, "MSCF");
  quellsy::FieldWriter w(b);
  w.le32(8, 600);
  w.le16(24, 0x0103);
  return b;
}

Bytes AuHeader() {
  Bytes b(600, 0);
  PutText(b, 0, ".snd");
  quellsy::FieldWriter w(b);
  w.be32(4, 24);
  w.be32(8, 576);
  return b;
}

Bytes GzHeader() { return GzFile(8, "a.txt", Body(100)); }
Bytes Mp4Header() { return Mp4File("isom"); }
Bytes MidiHeader() { return MidiFile(100); }
Bytes JetHeader() { return JetFile(1); }
Bytes HtmlHeader() {
  Bytes b(600, 0);
  PutText(b, 0, "<!doctype html><html></html>");
  return b;
}
Bytes LzhHeader() { return LzhArchive(); }
Bytes CrwHeader() { return CrwFile(600, 500, 0xA8); }
Bytes CptHeader() { return CptFile(); }
Bytes IcnsHeader() {
  Bytes b(600, 0);
  PutText(b, 0, "icns");
  quellsy::FieldWriter(b).be32(4, 600);
  return b;
}

INSTANTIATE_TEST_SUITE_P(
    Headers, PlainAnalyserNearMisses,
    ::testing::Values(
        NearMiss{"bmp info header of 56 bytes", Make<FileBMPAnalyser>(),
                 [](Bytes& b) { quellsy::FieldWriter(b).le32(14, 56); }, BmpHeader},
        NearMiss{"bmp reserved field set", Make<FileBMPAnalyser>(), [](Bytes& b) { b[8] = 1; }, BmpHeader},
        NearMiss{"icon without entries", Make<FileICOAnalyser>(), [](Bytes& b) { quellsy::FieldWriter(b).le16(4, 0); },
                 IcoHeader},
        NearMiss{"icon of 17 entries", Make<FileICOAnalyser>(),
                 [](Bytes& b) {
                   quellsy::FieldWriter w(b);
                   w.le16(4, 17);
                   for (int k = 1; k < 17; ++k) std::memcpy(b.data() + 6 + 16 * k, b.data() + 6, 16);
                 },
                 IcoHeader},
        NearMiss{"icon above 1 MiB", Make<FileICOAnalyser>(),
                 [](Bytes& b) {
                   quellsy::FieldWriter w(b);
                   w.le16(4, 2);
                   w.le32(6 + 8, 0x90000);
                   std::memcpy(b.data() + 22, b.data() + 6, 16);
                 },
                 IcoHeader},
        NearMiss{"icon entry's reserved byte", Make<FileICOAnalyser>(), [](Bytes& b) { b[9] = 1; }, IcoHeader},
        NearMiss{"icon of a third kind", Make<FileICOAnalyser>(), [](Bytes& b) { b[2] = 3; }, IcoHeader},
        NearMiss{"cabinet of version 1.2", Make<FileCABAnalyser>(),
                 [](Bytes& b) { quellsy::FieldWriter(b).le16(24, 0x0102); }, CabHeader},
        NearMiss{"cabinet of length 0", Make<FileCABAnalyser>(), [](Bytes& b) { quellsy::FieldWriter(b).le32(8, 0); },
                 CabHeader},
        NearMiss{"au of unstated length", Make<FileAUAnalyser>(),
                 [](Bytes& b) { quellsy::FieldWriter(b).be32(8, 0xFFFFFFFF); }, AuHeader},
        NearMiss{"au data inside its header", Make<FileAUAnalyser>(),
                 [](Bytes& b) { quellsy::FieldWriter(b).be32(4, 23); }, AuHeader},
        NearMiss{"icns of length 0", Make<FileICNSAnalyser>(), [](Bytes& b) { quellsy::FieldWriter(b).be32(4, 0); },
                 IcnsHeader},
        NearMiss{"icns beyond its cap", Make<FileICNSAnalyser>(),
                 [](Bytes& b) { quellsy::FieldWriter(b).be32(4, 0xA66667); }, IcnsHeader},
        NearMiss{"chm stream guid", Make<FileCHMAnalyser>(), [](Bytes& b) { b[40] = 0x10; }, ChmFile},
        NearMiss{"chm section mark", Make<FileCHMAnalyser>(), [](Bytes& b) { b[96] = 0xFF; }, ChmFile},
        NearMiss{"cpt index elsewhere", Make<FileCPTAnalyser>(), [](Bytes& b) { b[52] = 0x3D; }, CptHeader},
        NearMiss{"crw of another heap", Make<FileCRWAnalyser>(), [](Bytes& b) { b[14] = 3; }, CrwHeader},
        NearMiss{"emf signature", Make<FileEMFAnalyser>(), [](Bytes& b) { b[43] = 'G'; }, EmfFile},
        NearMiss{"emf field at 58", Make<FileEMFAnalyser>(), [](Bytes& b) { b[58] = 1; }, EmfFile},
        NearMiss{"emlx without its header", Make<FileEMLXAnalyser>(), [](Bytes& b) { b[12] = 'x'; }, EmlxFile},
        NearMiss{"emlx of negative count", Make<FileEMLXAnalyser>(), [](Bytes& b) { b[5] = '-'; }, EmlxFile},
        NearMiss{"gz of reserved flags", Make<FileGZAnalyser>(), [](Bytes& b) { b[3] = 0x28; }, GzHeader},
        NearMiss{"gz of normal compression", Make<FileGZAnalyser>(), [](Bytes& b) { b[8] = 0; }, GzHeader},
        NearMiss{"hlp shorter than 512", Make<FileHLPAnalyser>(), [](Bytes& b) { quellsy::FieldWriter(b).le32(12, 511); },
                 HlpFile},
        NearMiss{"hlp directory behind its end", Make<FileHLPAnalyser>(),
                 [](Bytes& b) { quellsy::FieldWriter(b).le32(4, 6000); }, HlpFile},
        NearMiss{"htm start", Make<FileHTMAnalyser>(), [](Bytes& b) { b[5] = '-'; }, HtmlHeader},
        NearMiss{"lzh method", Make<FileLZHAnalyser>(), [](Bytes& b) { b[5] = '6'; }, LzhHeader},
        NearMiss{"jet name", Make<FileMDBAnalyser>(), [](Bytes& b) { b[13] = 'X'; }, JetHeader},
        NearMiss{"midi header length", Make<FileMIDAnalyser>(), [](Bytes& b) { b[7] = 7; }, MidiHeader},
        NearMiss{"midi format 3", Make<FileMIDAnalyser>(), [](Bytes& b) { b[9] = 3; }, MidiHeader},
        NearMiss{"midi without tracks", Make<FileMIDAnalyser>(), [](Bytes& b) { b[11] = 0; }, MidiHeader},
        NearMiss{"mny text", Make<FileMNYAnalyser>(), [](Bytes& b) { b[18] = 'X'; }, MnyFile},
        NearMiss{"quicktime brand", Make<FileMP4Analyser>(), [](Bytes& b) { std::memcpy(b.data() + 8, "qt  ", 4); },
                 Mp4Header},
        NearMiss{"ftyp in capitals", Make<FileMP4Analyser>(), [](Bytes& b) { std::memcpy(b.data() + 4, "FTYP", 4); },
                 Mp4Header}));

using PlainAnalyserMeasure = RawSearchTest;

// Measures `file` placed at sector 1 of a device of `sectors` sectors (zero elsewhere).
Carved MeasurePlaced(CPlainRawFileAnalyser& analyser, const Bytes& file, long long sectors,
                     const std::function<void(MemoryDevice&)>& tweak = {}) {
  MemoryDevice device(sectors, kSector);
  device.Put(kSector, file);
  if (tweak) tweak(device);
  return Carve(analyser, device, 1);
}

TEST_F(PlainAnalyserMeasure, GzipNameAndScanStart) {
  FileGZAnalyser gz;
  // A header of exactly one sector: the data, and the zero tail that ends it, are in the next.
  const std::string longName(512 - 10 - 1, 'n');
  const Carved sectorHeader = MeasurePlaced(gz, GzFile(8, longName, Body(100)), 8);
  EXPECT_EQ(sectorHeader.size, 1024u);
  EXPECT_EQ(sectorHeader.name.substr(0, 3), "nnn");

  // A small file followed at once by junk: the file ends in its own sector.
  const Carved small = MeasurePlaced(gz, GzFile(8, "a/b.txt", Body(40)), 8,
                                     [](MemoryDevice& d) { d.Put(2 * kSector, Body(3 * kSector)); });
  EXPECT_EQ(small.size, 512u);
  EXPECT_EQ(small.name, "a_b.txt");

  // Extra field, comment and header CRC are stepped over before the scan.
  Bytes full = {0x1F, 0x8B, 0x08, 0x02 | 0x04 | 0x08 | 0x10, 0, 0, 0, 0, 0x04, 0x03, 600 & 0xFF, 600 >> 8};
  const Bytes extra = Body(600);
  full.insert(full.end(), extra.begin(), extra.end());
  for (const char* text : {"name.tar", "a comment"}) full.insert(full.end(), text, text + std::strlen(text) + 1);
  full.insert(full.end(), {0xAB, 0xCD});
  const Bytes data = Body(700);
  full.insert(full.end(), data.begin(), data.end());
  const Carved withAll = MeasurePlaced(gz, full, 8);
  EXPECT_EQ(withAll.size, WholeSectors(full.size()));
  EXPECT_EQ(withAll.name, "name.tar");

  // A name running off the device, and a header that cannot be read, measure nothing.
  Bytes endless = GzFile(8, std::string(3 * kSector - 10, 'x'), {});
  endless.pop_back();
  const Carved cut = MeasurePlaced(gz, endless, 4);
  EXPECT_EQ(cut.measured, 0);
  EXPECT_EQ(cut.size, 0u);
  const Carved unreadable = MeasurePlaced(gz, GzFile(0, "", Body(100)), 4, [](MemoryDevice& d) { d.FailSectors(1, 1); });
  EXPECT_EQ(unreadable.measured, 0);
}

TEST_F(PlainAnalyserMeasure, CorruptLengthsAreBoundedByCaps) {
  // Packed sizes near 2^32 stop at the cap instead of wrapping or running on.
  FileLZHAnalyser lzh;
  Bytes hugeEntry = LzhEntry("-lh5-", "x", 0xFFFFFFF0, 100);
  EXPECT_EQ(MeasurePlaced(lzh, hugeEntry, 4).size, 0xD000000u);
  Bytes directory = LzhEntry("-lhd-", "dir", 0, 0);
  directory[0] = 0;  // a header that does not advance
  Bytes zeroLength = LzhEntry("-lh0-", "a", 10, 10);
  zeroLength.insert(zeroLength.end(), directory.begin(), directory.end());
  EXPECT_EQ(MeasurePlaced(lzh, zeroLength, 4).size, 512u);
  const Carved unknownFirst = MeasurePlaced(lzh, LzhEntry("-lhd-", "d", 0, 0), 4, [](MemoryDevice& d) {
    d.bytes()[kSector + 2 + 24 + 1 + 3] = 'z';  // entry behind the directory is nothing known
  });
  EXPECT_EQ(unknownFirst.measured, 1);

  FileMIDAnalyser mid;
  EXPECT_EQ(MeasurePlaced(mid, MidiFile(0xFFFFFFF0u, 100), 4).size, 0xD000000u);

  FileAUAnalyser au;
  Bytes auHeader = AuHeader();
  quellsy::FieldWriter(auHeader).be32(8, 0xFFFFFFF0u);
  EXPECT_EQ(MeasurePlaced(au, auHeader, 4).size, 24ull + 0xFFFFFFF0u);

  FileLowDocAnalyser doc;
  Bytes docHeader = LowDocFile();
  quellsy::FieldWriter(docHeader).le32(292, 0xFFFFFFFF);
  EXPECT_EQ(MeasurePlaced(doc, docHeader, 8).size, 0x100000000u + 0x200u);

  FileMDBAnalyser jet;
  EXPECT_EQ(MeasurePlaced(jet, JetFile(2), 40, [](MemoryDevice& d) { d.bytes()[kSector + 2 * 4096] = 0x02; }).size,
            3u * 4096);
  EXPECT_EQ(MeasurePlaced(jet, JetFile(3), 40, [](MemoryDevice& d) { d.bytes()[kSector + 2 * 4096 + 1] = 0x09; }).size,
            2u * 4096);
}

TEST_F(PlainAnalyserMeasure, CptIndexWalkRefusesWhatItCannotRead) {
  FileCPTAnalyser cpt;
  const struct {
    const char* name;
    std::function<void(Bytes&)> spoil;
    int measured;
    std::uint64_t size;
  } cases[] = {
      {"last object points nowhere", [](Bytes& b) { quellsy::FieldWriter(b).le32(660, 0); }, 1, 600},
      {"record inside the header", [](Bytes& b) { quellsy::FieldWriter(b).le32(660, 4); }, 0, 0},
      {"index count past the device", [](Bytes& b) { quellsy::FieldWriter(b).le32(40, 0x40000000); }, 0, 0},
      {"last object past the device", [](Bytes& b) { quellsy::FieldWriter(b).le32(324, 0xFFFFFF00u); }, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = CptFile();
    c.spoil(file);
    const Carved carved = MeasurePlaced(cpt, file, 8);
    EXPECT_EQ(carved.measured, c.measured);
    EXPECT_EQ(carved.size, c.size);
  }
}

TEST_F(PlainAnalyserMeasure, CrwTableSearch) {
  FileCRWAnalyser crw;
  // A b2 record split by a sector boundary still gets the tail of 70.
  const Bytes straddling = CrwFile(3 * 512 - 2 + 60, 3 * 512 - 2, 0xB2);
  EXPECT_EQ(MeasurePlaced(crw, straddling, 8).size, 3u * 512 - 2 + 70);
  EXPECT_EQ(crw.Found(), 1u);
  // Without a table the file is taken up to the device's end as the cap's stand-in.
  const Carved endless = MeasurePlaced(crw, CrwFile(600, 100, 0x00), 6);
  EXPECT_EQ(endless.size, 0x3200000u);
  EXPECT_EQ(endless.measured, 1);
  Bytes other(512, 0);
  CRawFileInfo hit;
  EXPECT_EQ(crw.AnalyseBuffer(other.data(), hit), 0);
  EXPECT_EQ(crw.Found(), 0u);
}

TEST_F(PlainAnalyserMeasure, HtmlEndMarkInEitherCase) {
  FileHTMAnalyser htm;
  Bytes page(1500, 'a');
  PutText(page, 0, "<HTML><BODY>");
  PutText(page, 1500 - 7, "</HTML>");
  EXPECT_EQ(MeasurePlaced(htm, page, 8).size, 1536u);
}

}  // namespace
