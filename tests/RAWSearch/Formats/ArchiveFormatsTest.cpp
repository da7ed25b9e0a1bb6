// The archive analysers: public samples and hand-built files found at their sector, measured and copied
// out; headers refused once spoiled; measurements of damaged files. The archive samples the complete
// scan must find through the registry are listed here too.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "FormatSamples.h"
#include "MediaSamples.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Formats/Archive/FileCABAnalyser.h"
#include "RAWSearch/Formats/Archive/FileGZAnalyser.h"
#include "RAWSearch/Formats/Archive/FileDMGAnalyser.h"
#include "RAWSearch/Formats/Archive/FileLZHAnalyser.h"
#include "RAWSearch/Formats/Archive/FilePKGAnalyser.h"
#include "RAWSearch/Formats/Archive/FileRARAnalyser.h"
#include "RAWSearch/Formats/Archive/FileSITAnalyser.h"
#include "RAWSearch/Formats/Archive/FileTARAnalyser.h"
#include "Utility/ByteReader.h"

namespace quellsy::test::formats {
namespace {

INSTANTIATE_TEST_SUITE_P(ArchiveSamples, PlainAnalyserFiles,
                         ::testing::Values(
        // The cabinet states its own length; the sample carries more behind it.
        FileCase{"cab", Make<FileCABAnalyser>(), Sample("cab.cab"), RAW_FILE_TYPE_CAB,
            Expect::kStated, 567614},
        // A gzip file smaller than a sector ends in its first sector.
        FileCase{"gz", Make<FileGZAnalyser>(), Sample("gz.gz"), RAW_FILE_TYPE_GZ, Expect::kExact}));

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

// Walked to their structural end: the tar end blocks (and the zero padding of tar's record), the RAR end
// block, the StuffIt X and disk-image end marks, the xar heap's last byte.
INSTANTIATE_TEST_SUITE_P(ArchiveWalked, PlainAnalyserFiles,
                         ::testing::Values(
        // The first entry is the folder: the walk goes on past it and past the empty file.
        FileCase{"tar of a folder", Make<FileTARAnalyser>(), MadeMedia("tree.tar"), RAW_FILE_TYPE_TAR, Expect::kExact},
        FileCase{"tar sample", Make<FileTARAnalyser>(), Sample("tar.tar"), RAW_FILE_TYPE_TAR, Expect::kExact},
        FileCase{"rar 4", Make<FileRARAnalyser>(), [] { return Rar4File(); }, RAW_FILE_TYPE_RAR, Expect::kExact},
        FileCase{"rar 4 without end block", Make<FileRARAnalyser>(), [] { return Rar4File(1500, false); },
            RAW_FILE_TYPE_RAR, Expect::kExact},
        FileCase{"sit 5", Make<FileSITAnalyser>(), Sit5File, RAW_FILE_TYPE_SIT, Expect::kExact},
        FileCase{"sitx", Make<FileSITAnalyser>(), [] { return SitxFile(0x19); }, RAW_FILE_TYPE_SITX, Expect::kExact},
        FileCase{"sitx ending 13 past its mark", Make<FileSITAnalyser>(), [] { return SitxFile(';'); },
            RAW_FILE_TYPE_SITX, Expect::kExact},
        FileCase{"sitx ending 14 past its mark", Make<FileSITAnalyser>(), [] { return SitxFile(0x10); },
            RAW_FILE_TYPE_SITX, Expect::kExact},
        FileCase{"dmg of whole sectors", Make<FileDMGAnalyser>(), [] { return DmgFile(4096); }, RAW_FILE_TYPE_DMG,
            Expect::kExact},
        // The trailer starts inside a sector and runs into the next one.
        FileCase{"dmg trailer across sectors", Make<FileDMGAnalyser>(), [] { return DmgFile(20000); },
            RAW_FILE_TYPE_DMG, Expect::kExact},
        FileCase{"xar sample", Make<FilePKGAnalyser>(), Sample("xar.xar"), RAW_FILE_TYPE_PKG, Expect::kExact},
        FileCase{"xar", Make<FilePKGAnalyser>(),
            [] { return XarFile(XarToc({{1, 20, 1000}, {2, 1020, 3000}}), 4020); }, RAW_FILE_TYPE_PKG,
            Expect::kExact},
        FileCase{"pkg of stated length", Make<FilePKGAnalyser>(), [] { return PkgFile(5000, 5000); },
            RAW_FILE_TYPE_PKG, Expect::kExact}));

Bytes TarHeader() { return MadeMedia("tree.tar")(); }
Bytes RarHeader() { return Rar4File(); }
Bytes DmgHeader() { return DmgFile(1024); }
Bytes XarHeader() { return XarFile(XarToc({{1, 0, 100}}), 100); }

INSTANTIATE_TEST_SUITE_P(ArchiveWalkedHeaders, PlainAnalyserNearMisses,
                         ::testing::Values(
        NearMiss{"tar without ustar", Make<FileTARAnalyser>(), [](Bytes& b) { b[258] = 'x'; }, TarHeader},
        NearMiss{"rar 5", Make<FileRARAnalyser>(), [](Bytes& b) { b[6] = 1; }, RarHeader},
        NearMiss{"sit of unknown kind", Make<FileSITAnalyser>(), [](Bytes& b) { b[7] = '?'; }, Sit5File},
        NearMiss{"sit of length 0", Make<FileSITAnalyser>(), [](Bytes& b) { quellsy::FieldWriter(b).be32(84, 0); },
            Sit5File},
        NearMiss{"dmg of 900k blocks", Make<FileDMGAnalyser>(), [](Bytes& b) { b[3] = '9'; }, DmgHeader},
        NearMiss{"xar misspelt", Make<FilePKGAnalyser>(), [](Bytes& b) { b[0] = 'y'; }, XarHeader}));

TEST_F(PlainAnalyserMeasure, TarEndsAtAForeignHeaderOrItsCap) {
  FileTARAnalyser tar;
  // The second header (the empty file or the sub-folder) with a wrong checksum: the archive ends before it.
  Bytes spoiled = TarHeader();
  ASSERT_GE(spoiled.size(), 1024u);
  spoiled[512 + 100] ^= 1;
  EXPECT_EQ(MeasurePlaced(tar, spoiled, 30).size, 512u);
  // An entry of 0xFFFFFFFF bytes by its octal field: the walk stops at the cap.
  Bytes huge = TarHeader();
  PutText(huge, 124, "37777777777");
  std::uint32_t sum = 0;
  PutText(huge, 148, "        ");
  for (std::size_t i = 0; i < 512; ++i) sum += huge[i];
  char digits[8];
  std::snprintf(digits, sizeof digits, "%06o", sum);
  PutText(huge, 148, digits);
  EXPECT_EQ(MeasurePlaced(tar, huge, 30).size, FileTARAnalyser::kSizeCap);
}

TEST_F(PlainAnalyserMeasure, RarBlockWalkRefusesABadArchiveHeaderAndHoldsItsCap) {
  FileRARAnalyser rar;
  Bytes badHeader = Rar4File();
  badHeader[7 + 2] = 0x79;
  EXPECT_EQ(MeasurePlaced(rar, badHeader, 12).measured, 0);
  Bytes huge = Rar4File(100);
  quellsy::FieldWriter(huge).le32(20 + 7, 0xF0000000);
  quellsy::FieldWriter(huge).le32(20 + 11, 0xF0000000);
  EXPECT_EQ(MeasurePlaced(rar, huge, 12).size, FileRARAnalyser::kSizeCap);
}

TEST_F(PlainAnalyserMeasure, XarHeapEndIsTheFurthestDataWhateverTheEntryOrder) {
  FilePKGAnalyser pkg;
  // One file at offset 0 of 1000 bytes behind the packed table of contents.
  const std::string one = XarToc({{1, 0, 1000}});
  const Bytes single = XarFile(one, 1000);
  const std::uint64_t packed = single.size() - 28 - 1000;
  EXPECT_EQ(MeasurePlaced(pkg, single, 12).size, 28 + packed + 1000);
  // A folder with the highest id, and ids that do not grow with the offsets, still reach the heap's end.
  const Bytes folderLast = XarFile(XarToc({{1, 20, 1000}, {2, 0, 0}}), 1020);
  EXPECT_EQ(MeasurePlaced(pkg, folderLast, 12).size, folderLast.size());
  const Bytes unordered = XarFile(XarToc({{3, 20, 100}, {2, 120, 2000}, {1, 2120, 50}}), 2170);
  EXPECT_EQ(MeasurePlaced(pkg, unordered, 12).size, unordered.size());
  // A table of contents one byte over its bound, or that does not inflate, is refused.
  Bytes tooLong = single;
  quellsy::FieldWriter(tooLong).be64(8, FilePKGAnalyser::kTocCap + 1);
  quellsy::FieldWriter(tooLong).be64(16, FilePKGAnalyser::kTocCap + 1);
  EXPECT_EQ(MeasurePlaced(pkg, tooLong, 12).measured, 0);
  Bytes garbled = single;
  garbled[28 + 5] ^= 0xFF;
  EXPECT_EQ(MeasurePlaced(pkg, garbled, 12).measured, 0);
  // Elements nested far deeper than any folder tree are refused before they are parsed.
  std::string deep = "<?xml version=\"1.0\"?>\n<xar><toc>";
  for (int level = 0; level < 100000; ++level) deep += "<a>";
  EXPECT_EQ(MeasurePlaced(pkg, XarFile(deep, 0), 200).measured, 0);
  // A heap end past the cap leaves the header and the table of contents.
  const Bytes farHeap = XarFile(XarToc({{1, FilePKGAnalyser::kSizeCap - 10, 100}}), 10);
  EXPECT_EQ(MeasurePlaced(pkg, farHeap, 12).size, farHeap.size() - 10);
  // The other package header: a length one above the cap is not taken.
  EXPECT_EQ(MeasurePlaced(pkg, PkgFile(FilePKGAnalyser::kSizeCap + 1, 600), 4).measured, 0);
  EXPECT_EQ(MeasurePlaced(pkg, PkgFile(FilePKGAnalyser::kSizeCap, 600), 4).size, FilePKGAnalyser::kSizeCap);
}

const ScanSampleRegistrar kPackageScanSamples({
    {"FilePKGAnalyser", "xar sample", Sample("xar.xar"), RAW_FILE_TYPE_PKG, Expect::kExact},
    {"FilePKGAnalyser", "pkg of stated length", [] { return PkgFile(5000, 5000); }, RAW_FILE_TYPE_PKG,
        Expect::kExact},
});

}  // namespace
}  // namespace quellsy::test::formats
