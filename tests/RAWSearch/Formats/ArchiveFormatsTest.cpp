// The archive analysers: public samples and hand-built files found at their sector, measured and copied
// out; headers refused once spoiled; measurements of damaged files. The archive samples the complete
// scan must find through the registry are listed here too.

#include <gtest/gtest.h>

#include <cstring>

#include "FormatSamples.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Formats/Archive/FileCABAnalyser.h"
#include "RAWSearch/Formats/Archive/FileGZAnalyser.h"
#include "RAWSearch/Formats/Archive/FileLZHAnalyser.h"
#include "Utility/ByteReader.h"

namespace quellsy::test::formats {
namespace {

INSTANTIATE_TEST_SUITE_P(ArchiveSamples, PlainAnalyserFiles,
                         ::testing::Values(
        // The cabinet states its own length; the sample carries more behind it.
        FileCase{"cab", Make<FileCABAnalyser>(), Sample("cab.cab"), RAW_FILE_TYPE_CAB,
            Expect::kStated, 567614},
        // A gzip file smaller than a sector ends in its first sector.
        FileCase{"gz", Make<FileGZAnalyser>(), Sample("gz.gz"), RAW_FILE_TYPE_GZ, Expect::kWholeSectors}));

INSTANTIATE_TEST_SUITE_P(ArchiveBuilt, PlainAnalyserFiles,
                         ::testing::Values(
        FileCase{"lzh", Make<FileLZHAnalyser>(), LzhArchive, RAW_FILE_TYPE_LZH, Expect::kWholeSectors},
        FileCase{"gz with name", Make<FileGZAnalyser>(), [] { return GzFile(8, "notes.txt", Body(3000)); },
            RAW_FILE_TYPE_GZ, Expect::kWholeSectors},
        // The last sector is full: the file seems to go on to the next sector with a zero tail.
        FileCase{"gz filling its last sector", Make<FileGZAnalyser>(), [] { return GzFile(0, "", Body(1014)); },
            RAW_FILE_TYPE_GZ, Expect::kStated, 1536}));

INSTANTIATE_TEST_SUITE_P(ArchiveHeaders, PlainAnalyserNearMisses,
                         ::testing::Values(
        NearMiss{"cabinet of version 1.2", Make<FileCABAnalyser>(),
            [](Bytes& b) { quellsy::FieldWriter(b).le16(24, 0x0102); }, CabHeader},
        NearMiss{"cabinet of length 0", Make<FileCABAnalyser>(), [](Bytes& b) { quellsy::FieldWriter(b).le32(8, 0); },
            CabHeader},
        NearMiss{"gz of reserved flags", Make<FileGZAnalyser>(), [](Bytes& b) { b[3] = 0x28; }, GzHeader},
        NearMiss{"gz of normal compression", Make<FileGZAnalyser>(), [](Bytes& b) { b[8] = 0; }, GzHeader},
        NearMiss{"lzh method", Make<FileLZHAnalyser>(), [](Bytes& b) { b[5] = '6'; }, LzhHeader}));

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

TEST_F(PlainAnalyserMeasure, CorruptArchiveLengthsAreBoundedByCaps) {
  // Packed sizes near 2^32 stop at the cap instead of wrapping or running on.
  FileLZHAnalyser lzh;
  Bytes hugeEntry = LzhEntry("-lh5-", "x", 0xFFFFFFF0, 100);
  EXPECT_EQ(MeasurePlaced(lzh, hugeEntry, 4).size, FileLZHAnalyser::kSizeCap);
  Bytes directory = LzhEntry("-lhd-", "dir", 0, 0);
  directory[0] = 0;  // a header that does not advance
  Bytes zeroLength = LzhEntry("-lh0-", "a", 10, 10);
  zeroLength.insert(zeroLength.end(), directory.begin(), directory.end());
  EXPECT_EQ(MeasurePlaced(lzh, zeroLength, 4).size, 512u);
  const Carved unknownFirst = MeasurePlaced(lzh, LzhEntry("-lhd-", "d", 0, 0), 4, [](MemoryDevice& d) {
    d.bytes()[kSector + 2 + 24 + 1 + 3] = 'z';  // entry behind the directory is nothing known
  });
  EXPECT_EQ(unknownFirst.measured, 1);
}

const ScanSampleRegistrar kScanSamples({
    // The cabinet states its own length; the sample carries more behind it.
    {"FileCABAnalyser", "cab sample", Sample("cab.cab"), RAW_FILE_TYPE_CAB, Expect::kStated, 567614},
});

}  // namespace
}  // namespace quellsy::test::formats
