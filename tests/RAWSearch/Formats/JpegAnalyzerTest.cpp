#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>

#include "JpegTestData.h"
#include "RAWSearch/Formats/Image/FileJPGAnalyser.h"
#include "RAWSearch/Formats/Image/JpegAnalyzer.h"
#include "RAWSearch/Registry/RawAnalyserTables.h"
#include "RawSearchTestSupport.h"
#include "support/ImageBuilder.h"
#include "support/MemoryDevice.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

using BruteForce::JpegAnalyzer;
using Record = JpegAnalyzer::JpegRawFileInfo;

constexpr unsigned kSector = 512;

// SOI, the application segments, a table, a frame, a scan, entropy-coded bytes and (unless left
// out) EOI, grown to `total` bytes.
Bytes Picture(const Bytes& apps, std::size_t total, std::uint16_t height = 120, std::uint16_t width = 160,
              bool endMarker = true) {
  const Bytes head = Concat({Soi(), apps, Dqt(), Frame(0xC0, 8, height, width, 3), Scan(3)});
  const std::size_t tail = endMarker ? 2 : 0;
  return Concat(
      {head, Entropy(total - head.size() - tail, static_cast<std::uint32_t>(total)), endMarker ? Eoi() : Bytes{}});
}

// An Exif segment naming a camera; empty texts are left out. `extra` entries go into the same directory.
Bytes CameraExif(const std::string& make, const std::string& model, std::vector<TiffEntry> extra = {}) {
  TiffBuilder t(false);
  std::vector<TiffEntry> entries;
  if (!make.empty()) entries.push_back(t.Ascii(0x010F, make));
  if (!model.empty()) entries.push_back(t.Ascii(0x0110, model));
  entries.push_back(t.Ascii(0x9003, "2015:03:04 05:06:07"));
  entries.insert(entries.end(), extra.begin(), extra.end());
  t.AddIfd(entries);
  return ExifApp1(t.Build());
}

class JpegAnalyzerTest : public RawSearchTest {
 protected:
  // A record of the analyser for a hit at `start`, grown over `image` as the search would.
  std::unique_ptr<Record> Grow(const Bytes& image, long long start, long long maxSectors = 4096,
                               long long sectorsPerBlock = 64) {
    return Grow(ImageSectors(image, kSector), start, maxSectors, sectorsPerBlock);
  }
  std::unique_ptr<Record> Grow(const SectorSource& source, long long start, long long maxSectors,
                               long long sectorsPerBlock) {
    std::unique_ptr<Record> record(dynamic_cast<Record*>(analyser_.CreateRawFileInfo()));
    record->m_llStartSector = start;
    record->m_pAnalyser = &analyser_;
    outcome_ = GrowRecord(*record, source, kSector, sectorsPerBlock, maxSectors);
    return record;
  }

  JpegAnalyzer analyser_;
  GrowOutcome outcome_;
};

struct EndCase {
  const char* name;
  std::function<Bytes()> jpeg;
  long long sector;
  ImageFill around;
  // Empty: the record must still be growing after 200 sectors.
  std::optional<std::string> fileName;
  // Bytes placed right behind the file.
  Bytes after = {};
};

void PrintTo(const EndCase& c, std::ostream* os) { *os << c.name; }

class JpegEndTest : public JpegAnalyzerTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(JpegEndTest, EndsExactlyAfterTheEndMarker) {
  const EndCase& c = GetParam();
  const Bytes jpeg = c.jpeg();
  ImageBuilder image(c.sector + 300, kSector, c.around);
  image.Place("photo.jpg", c.sector, Concat({jpeg, c.after}));
  const auto record = Grow(image.bytes(), c.sector, 200);
  if (!c.fileName) {
    EXPECT_EQ(outcome_.result, 2);
    EXPECT_EQ(record->m_ullSize, 0u);
    return;
  }
  ASSERT_EQ(outcome_.result, 1);
  EXPECT_EQ(record->m_ullSize, jpeg.size());
  EXPECT_EQ(record->GetRawFileName(), *c.fileName);
  EXPECT_EQ(record->m_uRawFileType, RAW_FILE_TYPE_JPG);
  EXPECT_FALSE(record->m_bIncomplete);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JpegEndTest,
    ::testing::Values(
        EndCase{"InsideAZeroPaddedSector", [] { return Picture(Jfif(), 3000); }, 5, ImageFill::kJunk, "5-10"},
        EndCase{"AcrossABlockBoundary", [] { return Picture(Jfif(), 5000); }, 60, ImageFill::kJunk, "60-69"},
        // FF closes one sector, D9 opens the next.
        EndCase{"MarkerStraddlingTwoSectors", [] { return Picture(Jfif(), 6 * kSector + 1); }, 3, ImageFill::kJunk,
                "3-9"},
        // FF D9 as a sector's last two bytes ends the picture in that sector, whatever follows.
        EndCase{"MarkerClosingTheLastSector", [] { return Picture(Jfif(), 6 * kSector); }, 3, ImageFill::kZero, "3-8"},
        EndCase{"MarkerClosingASectorBeforeJunk", [] { return Picture(Jfif(), 6 * kSector); }, 3, ImageFill::kJunk,
                "3-8"},
        // FF D9 followed by fewer zero bytes than a zero tail of whole words, then junk.
        EndCase{"MarkerBeforeOneZero", [] { return Picture(Jfif(), 6 * kSector - 1); }, 3, ImageFill::kJunk, "3-8"},
        EndCase{"MarkerBeforeSevenZeros", [] { return Picture(Jfif(), 6 * kSector - 7); }, 3, ImageFill::kJunk,
                "3-8"},
        EndCase{"ExifMarkerBeforeFiveZeros", [] { return Picture(CameraExif("Canon", "EOS 5D"), 8 * kSector - 5); }, 3,
                ImageFill::kJunk, "CANON_EOS 5D_3-10"},
        EndCase{"ExifMarkerClosingASector", [] { return Picture(CameraExif("Canon", "EOS 5D"), 8 * kSector); }, 3,
                ImageFill::kJunk, "CANON_EOS 5D_3-10"},
        EndCase{"PlainStartWithoutJfif", [] { return Picture({}, 2500); }, 7, ImageFill::kJunk, "7-11"},
        // Data after FF D9 in the same sector: they follow the file, whose structure ends at the marker.
        EndCase{"MarkerFollowedByData",
                [] {
                  return Picture(Jfif(), 2000);
                },
                2, ImageFill::kZero, "2-5", {1, 2, 3, 4, 5}}),
    [](const auto& test) { return std::string(test.param.name); });

Bytes Dht() { return Segment(0xC4, Bytes(29, 0x11)); }

// A head whose entropy-coded data put `pair` across a sector boundary (its FF closing a sector), then
// more data and the end marker.
Bytes PairAcrossSectors(const Bytes& head, const Bytes& pair) {
  const std::size_t before = 2 * kSector - head.size() - 1;
  return Concat({head, Entropy(before, 4), pair, Entropy(700, 5), Eoi()});
}

struct StructureCase {
  const char* name;
  std::function<Bytes()> jpeg;
};

void PrintTo(const StructureCase& c, std::ostream* os) { *os << c.name; }

class JpegStructureEndTest : public JpegAnalyzerTest,
                             public ::testing::WithParamInterface<std::tuple<StructureCase, long long>> {};

// Junk right behind the end marker, in its sector and beyond (or a second picture's start): the growing
// record, whatever part of the file the search holds at a time, and the plain analyser measuring from
// the device both end the file at the marker.
TEST_P(JpegStructureEndTest, EndsAtTheMarkerBehindTheLastScanWhateverFollows) {
  const auto& [c, sectorsPerBlock] = GetParam();
  const Bytes jpeg = c.jpeg();
  for (const Bytes& after : {Bytes{}, Concat({Soi(), Jfif(), Dqt()})}) {
    SCOPED_TRACE(after.empty() ? "junk behind" : "a picture's start behind");
    ImageBuilder image(300, kSector, ImageFill::kJunk);
    image.Place("photo.jpg", 5, Concat({jpeg, after}), ImageFill::kJunk);
    const auto record = Grow(image.bytes(), 5, 290, sectorsPerBlock);
    ASSERT_EQ(outcome_.result, 1);
    EXPECT_EQ(record->m_ullSize, jpeg.size());
    EXPECT_FALSE(record->m_bIncomplete);
    const long long last = 5 + static_cast<long long>((jpeg.size() - 1) / kSector);
    // Named by the sectors the file covers (behind the camera, when the Exif block names one).
    EXPECT_TRUE(record->GetRawFileName().ends_with("5-" + std::to_string(last))) << record->GetRawFileName();

    MemoryDevice device(image.bytes(), kSector);
    CRawFileInfo hit;
    hit.m_llStartSector = 5;
    ASSERT_EQ(analyser_.Fallback()->GetRawFileSize(hit, &device), 1);
    EXPECT_EQ(hit.m_ullSize, jpeg.size());
    EXPECT_FALSE(hit.m_bIncomplete);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JpegStructureEndTest,
    ::testing::Combine(
        ::testing::Values(
            StructureCase{"StuffedBytesAndRestarts",
                          [] {
                            return Concat({Soi(), Jfif(), Dqt(), Frame(0xC0, 8, 120, 160, 3),
                                           Segment(0xDD, {0, 4}), Dht(), Scan(3), StuffedEntropy(5000, 3, 700),
                                           Eoi()});
                          }},
            StructureCase{"FillBytesBeforeTheEnd",
                          [] {
                            return Concat({Picture(Jfif(), 3000, 120, 160, false), {0xFF, 0xFF, 0xFF}, Eoi()});
                          }},
            StructureCase{"ProgressiveScans",
                          [] {
                            return Concat({Soi(), Jfif(), Dqt(), Frame(0xC2, 8, 120, 160, 3), Dht(), Scan(3),
                                           StuffedEntropy(900, 6), Dht(), Scan(1), StuffedEntropy(1400, 7), Dht(),
                                           Scan(1), StuffedEntropy(2100, 8), Eoi()});
                          }},
            StructureCase{"ExifThumbnailWithItsOwnEnd",
                          [] {
                            const Bytes thumbnail = Concat({Soi(), Dqt(), Frame(0xC0, 8, 8, 8, 3), Scan(3),
                                                            StuffedEntropy(1500, 9), Eoi(), Bytes(600, 0)});
                            const auto tiffWithThumbnailAt = [&](std::uint32_t offset) {
                              TiffBuilder tiff(true);
                              tiff.AddIfd({tiff.Ascii(0x010F, "Canon"), tiff.Ascii(0x0110, "EOS 5D")}, 1);
                              tiff.AddIfd({tiff.Long(0x0201, offset),
                                           tiff.Long(0x0202, static_cast<std::uint32_t>(thumbnail.size()))});
                              return tiff.Build();
                            };
                            const auto offset = static_cast<std::uint32_t>(tiffWithThumbnailAt(0).size());
                            return Picture(ExifApp1(Concat({tiffWithThumbnailAt(offset), thumbnail})), 6000);
                          }},
            StructureCase{"StuffedByteAcrossSectors",
                          [] {
                            return PairAcrossSectors(Concat({Soi(), Jfif(), Dqt(), Frame(0xC0, 8, 9, 9, 3), Scan(3)}),
                                                     {0xFF, 0x00});
                          }},
            StructureCase{"MarkerAcrossSectors",
                          [] {
                            return PairAcrossSectors(Concat({Soi(), Jfif(), Dqt(), Frame(0xC2, 8, 9, 9, 3), Scan(3)}),
                                                     Concat({{0xFF, 0xC4, 0x00, 0x1F}, Bytes(29, 0x11), Scan(1)}));
                          }},
            StructureCase{"TablesFirstWithoutJfif",
                          [] { return Concat({Soi(), Dqt(), Frame(0xC0, 8, 120, 160, 3), Scan(3), Entropy(2500), Eoi()}); }}),
        // The search holds one sector at a time, or blocks of 64.
        ::testing::Values(1, 64)),
    [](const auto& test) {
      return std::string(std::get<0>(test.param).name) + "_" + std::to_string(std::get<1>(test.param));
    });

TEST_F(JpegAnalyzerTest, AWalkThatCannotFinishFallsBackToTheZeroTailAndMarksTheFileIncomplete) {
  struct Case {
    const char* name;
    Bytes jpeg;
  };
  const Bytes head = Concat({Soi(), Jfif(), Dqt(), Frame(0xC0, 8, 120, 160, 3), Scan(3)});
  const std::vector<Case> cases = {
      // A marker code that has no place in a scan.
      {"BadMarkerInTheScan", Concat({head, Entropy(1200, 2), {0xFF, 0x01}, Entropy(800, 3), Eoi()})},
      // A scan before any frame.
      {"ScanBeforeTheFrame", Concat({Soi(), Jfif(), Dqt(), Scan(3), Entropy(2000, 4), Eoi()})},
      // An end marker before any scan.
      {"EndBeforeAnyScan", Concat({Soi(), Jfif(), Dqt(), Segment(0xFE, Bytes(1800, 'c')), Eoi()})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ImageBuilder image(64, kSector, ImageFill::kJunk);
    image.Place("photo.jpg", 3, c.jpeg);
    const auto record = Grow(image.bytes(), 3, 60);
    ASSERT_EQ(outcome_.result, 1);
    // The zero tail behind the file's end marker ends it.
    EXPECT_EQ(record->m_ullSize, c.jpeg.size());
    EXPECT_TRUE(record->m_bIncomplete);
  }
}

TEST_F(JpegAnalyzerTest, ThumbnailEndClosingASectorBeforeTheMinimumEndIsIgnored) {
  const Bytes thumbnail = Picture(Jfif(), 700);
  // Filler between the directory and the thumbnail puts the thumbnail's FF D9 at a sector's end: the
  // segment's 10 header bytes and the picture's 2 start bytes lie before the TIFF data.
  const auto tiffWithThumbnailAt = [&](std::uint32_t offset) {
    TiffBuilder t(true);
    t.AddIfd({t.Ascii(0x010F, "Canon"), t.Ascii(0x0110, "EOS 5D")}, 1);
    t.AddIfd({t.Long(0x0201, offset), t.Long(0x0202, static_cast<std::uint32_t>(thumbnail.size()))});
    return t.Build();
  };
  const std::size_t directory = tiffWithThumbnailAt(0).size();
  const std::size_t filler = (2 * kSector - (12 + directory + thumbnail.size()) % kSector) % kSector;
  const auto offset = static_cast<std::uint32_t>(directory + filler);
  const Bytes app1 = ExifApp1(Concat({tiffWithThumbnailAt(offset), Bytes(filler, 'f'), thumbnail, Bytes(300, 'p')}));
  const Bytes jpeg = Picture(app1, 8000);
  ASSERT_EQ((12 + offset + thumbnail.size()) % kSector, 0u);
  ImageBuilder image(64, kSector, ImageFill::kJunk);
  image.Place("photo.jpg", 4, jpeg);

  const auto record = Grow(image.bytes(), 4);
  ASSERT_EQ(outcome_.result, 1);
  EXPECT_EQ(record->m_ullSize, jpeg.size());
}

TEST_F(JpegAnalyzerTest, EndMarkerOfTheThumbnailBeforeTheMinimumEndIsIgnored) {
  const Bytes thumbnail = Concat({Soi(), Entropy(1500, 3), Eoi()});
  // Zeros behind the thumbnail inside the segment give its end marker a zero tail of its own.
  const Bytes padding(600, 0);
  const auto tiffWithThumbnailAt = [&](std::uint32_t offset) {
    TiffBuilder t(true);
    t.AddIfd({t.Ascii(0x010F, "Canon"), t.Ascii(0x0110, "EOS 5D")}, 1);
    t.AddIfd({t.Long(0x0201, offset), t.Long(0x0202, static_cast<std::uint32_t>(thumbnail.size()))});
    return t.Build();
  };
  const auto offset = static_cast<std::uint32_t>(tiffWithThumbnailAt(0).size());
  const Bytes app1 = ExifApp1(Concat({tiffWithThumbnailAt(offset), thumbnail, padding}));
  const Bytes jpeg = Picture(app1, 6000);
  ImageBuilder image(64, kSector, ImageFill::kJunk);
  image.Place("photo.jpg", 4, jpeg);

  const auto record = Grow(image.bytes(), 4);
  ASSERT_EQ(outcome_.result, 1);
  EXPECT_EQ(record->m_uExif, 1u);
  EXPECT_EQ(record->m_llMinEnd, Record::kInitialMinimumEnd + offset + static_cast<long long>(thumbnail.size()));
  EXPECT_EQ(record->m_ullSize, jpeg.size());
  EXPECT_EQ(record->GetRawFileName(), "CANON_EOS 5D_4-15");
}

TEST_F(JpegAnalyzerTest, PixelCountEndsAPictureWithoutEndMarker) {
  // 1000 x 800 baseline, no Exif: the data never end in zeros and hold no end marker.
  const Bytes jpeg = Picture(Jfif(), 900000, 800, 1000, false);
  ImageBuilder image(1800, kSector, ImageFill::kJunk);
  image.Place("photo.jpg", 0, jpeg);
  const auto record = Grow(image.bytes(), 0, 1800, 256);
  ASSERT_EQ(outcome_.result, 1);
  EXPECT_EQ(record->m_llPixelCount, 800000);
  EXPECT_EQ(record->m_llMinEnd, Record::kInitialMinimumEnd + 100000);
  // The walk fails in the junk behind the data; the first sector whose offset passes 800000 counts
  // whole, and the file is marked incomplete.
  EXPECT_EQ(record->m_ullSize, 1563u * kSector + kSector);
  EXPECT_EQ(record->GetRawFileName(), "0-1563");
  EXPECT_TRUE(record->m_bIncomplete);
}

TEST_F(JpegAnalyzerTest, PictureHeightsThatSetThePixelCount) {
  struct Case {
    const char* name;
    Bytes apps;
    std::uint16_t frameHeight;
    long long pixels;
    long long minimumEnd;
  };
  TiffBuilder t(true);
  t.AddIfd({t.Long(0xA002, 1000), t.Long(0xA003, 400)});
  const Bytes exif400 = ExifApp1(t.Build());
  constexpr long long kStart = Record::kInitialMinimumEnd;
  const std::vector<Case> cases = {
      {"Frame400", Jfif(), 400, 0, kStart},
      {"Frame401", Jfif(), 401, 401000, kStart + 401000 / 8},
      {"ExifDirectory400", exif400, 120, 400000, 400000 / 8},
  };
  for (const Case& c : cases) {
    const auto record = Grow(Picture(c.apps, 4000, c.frameHeight, 1000), 0, 1);
    EXPECT_EQ(record->m_llPixelCount, c.pixels) << c.name;
    EXPECT_EQ(record->m_llMinEnd, c.minimumEnd) << c.name;
  }
}

TEST_F(JpegAnalyzerTest, ARecordWithoutEndStopsAtItsCap) {
  struct Case {
    const char* name;
    Bytes apps;
    std::uint64_t cap;
  };
  const std::vector<Case> cases = {{"Jfif", Jfif(), Record::kPlainCap},
                                   {"ExifFirst", CameraExif("", ""), Record::kExifCap}};
  for (const Case& c : cases) {
    const Bytes head = Picture(c.apps, 2000, 120, 160, false);
    const SectorSource source = [&](long long sector) {
      if (sector == 0) return Bytes(head.begin(), head.begin() + kSector);
      Bytes junk = PatternBytes(kSector, static_cast<std::uint32_t>(sector));
      junk.back() = 0x5A;  // never a zero tail
      return junk;
    };
    const auto record = Grow(source, 0, static_cast<long long>(c.cap / kSector) + 2, 1024);
    ASSERT_EQ(outcome_.result, 1) << c.name;
    EXPECT_EQ(record->m_ullSize, c.cap) << c.name;
    EXPECT_EQ(outcome_.sector, static_cast<long long>(c.cap / kSector) + 1) << c.name;
    EXPECT_TRUE(record->m_bIncomplete) << c.name;
  }
}

TEST_F(JpegAnalyzerTest, NamesFromTheCameraInFourFormats) {
  struct Case {
    const char* make;
    const char* model;
    const char* name;
    const char* label;  // nullptr: no label
  };
  const std::vector<Case> cases = {
      {"Canon", "EOS 5D", "CANON_EOS 5D_3-8", "CANON"},
      {"nikon corp", "d90", "NIKON CORP_d90_3-8", "NIKON CORP"},
      {"", "EOS 5D", "EOS 5D_EOS 5D_3-8", "EOS 5D"},
      {"Canon", "", "CANON_Canon_3-8", "CANON"},
      // A character outside the allowed set drops the text; one the name filter replaces does not.
      {"Canon", "EOS#5D", "CANON_3-8", "CANON"},
      {"Canon", "EOS/5D", "CANON_EOS_5D_3-8", "CANON"},
      {"Can<on", "X-1", "X-1_3-8", nullptr},
      {"", "", "3-8", nullptr},
  };
  for (const Case& c : cases) {
    const Bytes jpeg = Picture(CameraExif(c.make, c.model), 3000);
    ImageBuilder image(64, kSector, ImageFill::kJunk);
    image.Place("photo.jpg", 3, jpeg);
    const auto record = Grow(image.bytes(), 3);
    ASSERT_EQ(outcome_.result, 1) << c.make << "/" << c.model;
    EXPECT_EQ(record->m_ullSize, jpeg.size());
    EXPECT_EQ(record->GetRawFileName(), c.name);
    EXPECT_EQ(record->GetRawFileTime(), "2015:03:04 05:06:07");
    RAW_FILE_TAG tag = RAW_FILE_TAG_NONE;
    std::string value;
    record->GetRawFileTagAndValue(tag, value);
    EXPECT_EQ(tag, c.label ? RAW_FILE_TAG_CAMERA : RAW_FILE_TAG_NONE) << c.name;
    EXPECT_EQ(value, c.label ? c.label : "") << c.name;
  }
}

TEST_F(JpegAnalyzerTest, MarkerWalkReachesExifBehindALongJfifSegment) {
  // The Exif segment does not start at offset 20, so only the walk over the segments finds it.
  const Bytes jpeg = Picture(Concat({Jfif(10), CameraExif("Canon", "EOS 5D")}), 3000);
  ImageBuilder image(64, kSector, ImageFill::kJunk);
  image.Place("photo.jpg", 3, jpeg);
  const auto record = Grow(image.bytes(), 3);
  ASSERT_EQ(outcome_.result, 1);
  EXPECT_EQ(record->GetRawFileName(), "CANON_EOS 5D_3-8");
  EXPECT_EQ(record->m_uExif, 0u);
}

TEST_F(JpegAnalyzerTest, ARecordLeavingWithoutEndIsMeasuredByThePlainAnalyser) {
  // The record is let go after four of the file's six sectors, before anything could end it (the search
  // holds one sector at a time, so the walk cannot look ahead).
  const Bytes jpeg = Picture(Jfif(), 6 * kSector);
  ImageBuilder image(64, kSector, ImageFill::kJunk);
  image.Place("photo.jpg", 2, jpeg, ImageFill::kJunk);
  const auto record = Grow(image.bytes(), 2, 4, 1);
  ASSERT_EQ(outcome_.result, 2);

  record->WillBeRemove(nullptr, -1);
  ASSERT_NE(dynamic_cast<FileJPGAnalyser*>(record->m_pAnalyser), nullptr);
  EXPECT_EQ(record->m_pAnalyser, analyser_.Fallback());
  MemoryDevice device(image.bytes(), kSector);
  EXPECT_EQ(analyser_.GetRawFileSize(*record, &device), 0);  // the growing analyser never measures
  ASSERT_EQ(record->m_pAnalyser->GetRawFileSize(*record, &device), 1);
  EXPECT_EQ(record->m_ullSize, jpeg.size());
  EXPECT_FALSE(record->m_bIncomplete);
}

struct HeaderCase {
  const char* name;
  std::function<Bytes()> start;
  long long bufferedSectors;
  int accepted;
};

void PrintTo(const HeaderCase& c, std::ostream* os) { *os << c.name; }

class JpegHeaderTest : public JpegAnalyzerTest, public ::testing::WithParamInterface<HeaderCase> {};

TEST_P(JpegHeaderTest, TablesOrAdobeStartsNeedAWalkableHeader) {
  const HeaderCase& c = GetParam();
  Bytes block = c.start();
  block.resize(static_cast<std::size_t>(c.bufferedSectors) * kSector, 0x11);
  CRawFileInfo scratch;
  EXPECT_EQ(analyser_.AnalyseBufferEx(block.data(), scratch, kSector, 100, 36, 100 + c.bufferedSectors), c.accepted);
  EXPECT_EQ(scratch.m_uRawFileType, c.accepted ? RAW_FILE_TYPE_JPG : RAW_FILE_TYPE_NONE);
}

Bytes TablesFirst(std::uint8_t precision, std::uint8_t frameComponents, std::uint8_t scanComponents) {
  return Concat({Soi(), Dqt(), Frame(0xC0, precision, 100, 100, frameComponents), Scan(scanComponents), Entropy(200)});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JpegHeaderTest,
    ::testing::Values(
        HeaderCase{"Colour", [] { return TablesFirst(8, 3, 3); }, 1, 1},
        HeaderCase{"Greyscale", [] { return TablesFirst(8, 1, 1); }, 1, 0},
        HeaderCase{"TwelveBit", [] { return TablesFirst(12, 3, 3); }, 1, 0},
        HeaderCase{"ScanOfOneComponent", [] { return TablesFirst(8, 3, 1); }, 1, 0},
        HeaderCase{"ScanBeforeFrame",
                   [] {
                     return Concat({Soi(), Dqt(), Scan(3), Frame(0xC0, 8, 100, 100, 3), Entropy(50)});
                   },
                   1, 0},
        HeaderCase{"AdobeProgressive",
                   [] {
                     return Concat({Soi(), Segment(0xEE, Text("Adobe\x64\x00\x00\x00\x00\x01")), Dqt(),
                                    Frame(0xC2, 8, 100, 100, 3), Scan(3), Entropy(100)});
                   },
                   1, 1},
        // The frame lies past the one sector the search holds; with three sectors it is there.
        HeaderCase{"FrameBeyondTheBlock",
                   [] {
                     return Concat({Soi(), Dqt(), Segment(0xFE, Bytes(700, 'c')), Frame(0xC0, 8, 9, 9, 3), Scan(3)});
                   },
                   1, 0},
        HeaderCase{"FrameWithinTheBlock",
                   [] {
                     return Concat({Soi(), Dqt(), Segment(0xFE, Bytes(700, 'c')), Frame(0xC0, 8, 9, 9, 3), Scan(3)});
                   },
                   3, 1},
        HeaderCase{"JfifWordNeedsNoWalk",
                   [] {
                     return Concat({Soi(), Jfif(), Dqt(), Frame(0xC0, 8, 9, 9, 1)});
                   },
                   1, 1},
        HeaderCase{"ExifWordAnyCase",
                   [] {
                     return Concat({Soi(), Segment(0xE1, Text("exif\0\0II"))});
                   },
                   1, 1},
        HeaderCase{"OtherApp0",
                   [] {
                     return Concat({Soi(), Segment(0xE0, Text("AVI1\0\0\0\0"))});
                   },
                   1, 0}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(JpegAnalyzerTest, HeaderWalkSetsTheMinimumEndPastTheScanHeader) {
  const Bytes start = TablesFirst(8, 3, 3);
  Bytes block = start;
  block.resize(kSector, 0x11);
  Record probe(nullptr);
  ASSERT_TRUE(probe.GetRawFileSizeForJpgNonJFIFFile(block.data(), 0, kSector, 0, 1));
  EXPECT_EQ(probe.m_llMinEnd, static_cast<long long>(start.size() - 200));
  // The plain test takes a greyscale start without a walk.
  Bytes grey = TablesFirst(8, 1, 1);
  grey.resize(kSector, 0);
  CRawFileInfo scratch;
  EXPECT_EQ(analyser_.AnalyseBuffer(grey.data(), scratch), 1);
  EXPECT_EQ(scratch.m_uRawFileType, RAW_FILE_TYPE_JPG);
}

TEST_F(JpegAnalyzerTest, EveryJpegKeyHasItsOwnAnalyserAndFallback) {
  std::map<unsigned int, IRawFileAnalyser*> map;
  BuildRawFileAnalyserMap(map);
  std::set<IRawFileAnalyser*> analysers;
  std::set<IRawFileAnalyser*> fallbacks;
  for (std::uint8_t fourth : {0xE0, 0xE1, 0xDB, 0xEE}) {
    const unsigned key = 0xFFu | 0xD8u << 8 | 0xFFu << 16 | static_cast<unsigned>(fourth) << 24;
    auto* jpeg = dynamic_cast<JpegAnalyzer*>(map.at(key));
    ASSERT_NE(jpeg, nullptr) << std::hex << key;
    EXPECT_EQ(jpeg->GetType(), RAW_FILE_TYPE_JPG);
    EXPECT_EQ(jpeg->GetSpecialRawFile(), static_cast<ISpecialRawFileAnalyser*>(jpeg));
    analysers.insert(jpeg);
    fallbacks.insert(jpeg->Fallback());
  }
  EXPECT_EQ(analysers.size(), 4u);
  EXPECT_EQ(fallbacks.size(), 4u);
  const auto placeholders = PlaceholderAnalyserClasses();
  EXPECT_EQ(std::count(placeholders.begin(), placeholders.end(), "BruteForce::JpegAnalyzer"), 0);
  for (auto& [key, analyser] : map) delete analyser;
}

}  // namespace
}  // namespace quellsy::test
