// The plain TIFF analyser measuring files placed on a device: real TIFFs made by ImageMagick, retagged
// by exiftool and tiffset, and hand-built structures whose extents are worked out where they are built.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Formats/FormatSamples.h"
#include "Formats/TiffSamples.h"
#include "RAWSearch/Formats/Image/FileTIFAnalyser.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/RawFileExtName.h"
#include "support/TempDir.h"

namespace quellsy::test::tiff {
namespace {

using formats::Carved;
using formats::MeasurePlaced;
using formats::WholeSectors;

// The device holds the file at sector 1 and zeros for 64 sectors behind it.
Carved Measure(FileTIFAnalyser& analyser, const Bytes& file) {
  return MeasurePlaced(analyser, file, static_cast<long long>(WholeSectors(file.size()) / formats::kSector) + 64);
}

struct MadeCase {
  const char* name;
  // Makes the file in the folder; empty when a tool failed.
  std::function<std::optional<Bytes>(const std::filesystem::path&)> make;
  // The extension the maker's table gives.
  const char* extension;
};
void PrintTo(const MadeCase& c, std::ostream* os) { *os << c.name; }

class FileTIFAnalyserMade : public RawSearchTest, public ::testing::WithParamInterface<MadeCase> {};

// Whole sectors: every one of these ends inside its last sector, the rest of which is zero.
TEST_P(FileTIFAnalyserMade, MeasuresTheFileToItsLastSector) {
  TempDir dir;
  const auto file = GetParam().make(dir.path());
  ASSERT_TRUE(file && !file->empty()) << "ImageMagick, exiftool or libtiff-tools (installed by the set-up) failed";
  FileTIFAnalyser analyser;
  const Carved carved = Measure(analyser, *file);
  EXPECT_EQ(carved.claimed, 1);
  EXPECT_EQ(carved.measured, 1);
  EXPECT_EQ(carved.size, WholeSectors(file->size()));
  EXPECT_STREQ(RawFileExtension(carved.type), GetParam().extension);
}

std::optional<Bytes> Le(const std::filesystem::path& dir) {
  return MakeTiff(dir, "le.tif", 1, "200x150", "-define tiff:endian=lsb");
}

std::optional<Bytes> Tagged(const std::filesystem::path& dir, const std::string& command) {
  if (!Le(dir)) return std::nullopt;
  return Retag(dir / "le.tif", command);
}

INSTANTIATE_TEST_SUITE_P(
    ToolMade, FileTIFAnalyserMade,
    ::testing::Values(
        MadeCase{"little_endian_strips", Le, "TIF"},
        MadeCase{"big_endian_strips",
                 [](const std::filesystem::path& d) {
                   return MakeTiff(d, "be.tif", 2, "200x150", "-define tiff:endian=msb");
                 },
                 "TIF"},
        MadeCase{"tiles",
                 [](const std::filesystem::path& d) {
                   return MakeTiff(d, "tiles.tif", 3, "256x200", "-define tiff:tile-geometry=64x64");
                 },
                 "TIF"},
        MadeCase{"big_endian_tiles",
                 [](const std::filesystem::path& d) {
                   return MakeTiff(d, "betiles.tif", 4, "200x130",
                                   "-define tiff:endian=msb -define tiff:tile-geometry=32x32");
                 },
                 "TIF"},
        MadeCase{"nikon",
                 [](const std::filesystem::path& d) {
                   return Tagged(d, "exiftool -q -overwrite_original '-Make=NIKON CORPORATION' '-Model=NIKON D90'");
                 },
                 "NEF"},
        MadeCase{"sony_dsc_r1",
                 [](const std::filesystem::path& d) {
                   return Tagged(d, "exiftool -q -overwrite_original -Make=SONY -Model=DSC-R1");
                 },
                 "SR2"},
        MadeCase{"sony", [](const std::filesystem::path& d) {
                   return Tagged(d, "exiftool -q -overwrite_original -Make=SONY -Model=DSLR-A900");
                 },
                 "ARW"},
        MadeCase{"dng_whatever_the_maker",
                 [](const std::filesystem::path& d) -> std::optional<Bytes> {
                   if (!Tagged(d, "exiftool -q -overwrite_original -Make=Canon")) return std::nullopt;
                   return Retag(d / "le.tif", "tiffset -s 50706 4 1 4 0 0");
                 },
                 "DNG"}),
    [](const auto& param) { return std::string(param.param.name); });

struct BuiltCase {
  const char* name;
  Bytes (*file)();
  std::uint64_t end;
};
void PrintTo(const BuiltCase& c, std::ostream* os) { *os << c.name; }

class FileTIFAnalyserBuilt : public RawSearchTest, public ::testing::WithParamInterface<BuiltCase> {};

// The furthest byte is named only inside a sub-directory or a maker note.
TEST_P(FileTIFAnalyserBuilt, FollowsTheDirectoryThatNamesTheEnd) {
  const Bytes file = GetParam().file();
  ASSERT_EQ(file.size(), GetParam().end);
  FileTIFAnalyser analyser;
  const Carved carved = Measure(analyser, file);
  EXPECT_EQ(carved.measured, 1);
  EXPECT_EQ(carved.size, WholeSectors(GetParam().end));
}

INSTANTIATE_TEST_SUITE_P(
    HandBuilt, FileTIFAnalyserBuilt,
    ::testing::Values(BuiltCase{"sub_ifd_le", [] { return SubIfdTiff(true); }, 50000},
                      BuiltCase{"sub_ifd_be", [] { return SubIfdTiff(false); }, 50000},
                      // 4096 + 10 + 30000 + 20000: offsets count from the note's own header.
                      BuiltCase{"nikon_maker_note", [] { return MakerNoteTiff(Maker::kNikon); }, 54106},
                      BuiltCase{"epson_maker_note", [] { return MakerNoteTiff(Maker::kEpson); }, 50000},
                      BuiltCase{"other_maker_note", [] { return MakerNoteTiff(Maker::kOther); }, 50000}),
    [](const auto& param) { return std::string(param.param.name); });

using FileTIFAnalyserTest = RawSearchTest;

TEST_F(FileTIFAnalyserTest, MakerNamesTheType) {
  for (const MakerCase& c : kMakerCases) {
    SCOPED_TRACE(c.make);
    FileTIFAnalyser analyser;
    const Carved carved = Measure(analyser, CameraTiff(true, c.make, c.model, 1024, 20000));
    EXPECT_STREQ(RawFileExtension(carved.type), c.extension);
    EXPECT_EQ(carved.size, WholeSectors(21024));
  }
}

// Two makers keep the end of their sensor data where only they look: a length at the IPTC entry's
// offset, and an offset in the private data that counts from the sub-directory offset.
TEST_F(FileTIFAnalyserTest, MakerPrivateFieldsNameTheEnd) {
  TiffBuilder le(true);
  Bytes kodak = CameraTiff(true, "Kodak", "DCS Pro SLR/n", 1024, 9000, {le.Raw(33723, 0, 1, 2000)});
  Bytes length;
  le.Put32(length, 48000);
  Put(kodak, 2000, length);
  kodak = PadTo(std::move(kodak), 50000);

  Bytes sony = CameraTiff(true, "SONY", "DSLR-A100", 1024, 2000, {le.Long(330, 3000), le.Raw(50740, 1, 8, 4000)});
  Bytes skip;
  le.Put16(skip, 6);
  Put(sony, 4004, skip);
  Bytes end;
  le.Put32(end, 40000);
  Put(sony, 4010, end);
  sony = PadTo(std::move(sony), 43000);

  for (const auto& [file, extension] : {std::pair<const Bytes*, const char*>{&kodak, "DCR"}, {&sony, "ARW"}}) {
    FileTIFAnalyser analyser;
    const Carved carved = Measure(analyser, *file);
    EXPECT_STREQ(RawFileExtension(carved.type), extension);
    EXPECT_EQ(carved.size, WholeSectors(file->size())) << extension;
  }
}

TEST_F(FileTIFAnalyserTest, NamesAndLabelsTheFileAfterMakerAndModel) {
  FileTIFAnalyser analyser;
  const Bytes file = CameraTiff(false, "Nikon", "D90", 1024, 20000, {TiffBuilder(false).Ascii(306, "2011:12:13 14:15:16")});
  const Carved carved = Measure(analyser, file);
  EXPECT_EQ(carved.name, "NIKON_D90");
  EXPECT_EQ(analyser.GetRawFileTime(), "2011:12:13 14:15:16");
  RAW_FILE_TAG tag = RAW_FILE_TAG_NONE;
  std::string value;
  analyser.GetRawFileTagAndValue(tag, value);
  EXPECT_EQ(tag, RAW_FILE_TAG_CAMERA);
  EXPECT_EQ(value, "NIKON");
}

TEST_F(FileTIFAnalyserTest, PanasonicHeaderTypesByModel) {
  for (const auto& [model, extension] :
       {std::pair<const char*, const char*>{"DMC-GH4", "RW2"}, std::pair<const char*, const char*>{"LX100", "RAW"}}) {
    FileTIFAnalyser analyser;
    const Carved carved = Measure(analyser, PanasonicRaw("Panasonic", model, 30000));
    EXPECT_STREQ(RawFileExtension(carved.type), extension) << model;
    EXPECT_EQ(carved.size, WholeSectors(30000));
  }
}

TEST_F(FileTIFAnalyserTest, ContainerEndsAtItsSensorDataAndIsNamedFromItsPicture) {
  FileTIFAnalyser analyser;
  const Bytes file = RafFile();
  const Carved carved = Measure(analyser, file);
  EXPECT_EQ(carved.measured, 1);
  EXPECT_EQ(carved.size, kRafEnd);
  EXPECT_STREQ(RawFileExtension(carved.type), "RAF");
  EXPECT_EQ(carved.name, "FUJIFILM_X-T1");
}

TEST_F(FileTIFAnalyserTest, ContainerMagicMustBeWhole) {
  Bytes file = RafFile();
  file[10] = 'X';
  FileTIFAnalyser analyser;
  EXPECT_EQ(Measure(analyser, file).claimed, 0);
}

// 0x7CCCCCC rounded up to 512-byte sectors: 255591 sectors.
TEST_F(FileTIFAnalyserTest, ImplausiblySmallExtentGetsTheStandInSize) {
  FileTIFAnalyser analyser;
  const Carved carved = Measure(analyser, CameraTiff(true, "", "", 300, 200));
  EXPECT_EQ(carved.size, 255591u * 512u);
}

// The structure ends at 20480 (a sector boundary) but the data goes on for three more sectors whose
// tails are not zero: the size grows over them.
TEST_F(FileTIFAnalyserTest, GrowsOverSectorsWithoutAZeroTail) {
  FileTIFAnalyser analyser;
  const Bytes file = PadTo(CameraTiff(true, "", "", 1024, 20480 - 1024), 20480 + 3 * 512);
  const Carved carved = Measure(analyser, file);
  EXPECT_EQ(carved.size, file.size());
}

// A self-linking directory and one whose entry count is absurd end the walk; the size stands.
TEST_F(FileTIFAnalyserTest, BadChainsEndTheWalk) {
  TiffBuilder t(true);
  t.AddIfd({t.Raw(273, 4, 1, 1024), t.Long(279, 19000)}, 0);
  const Bytes looping = PadTo(t.Build(), 20024);
  TiffBuilder u(true);
  const int dir = u.AddIfd({u.Raw(273, 4, 1, 1024), u.Long(279, 19000)}, -1, 100);
  u.SetStoredCount(dir, 2);
  Bytes absurd = PadTo(u.Build(), 20024);
  absurd[100] = 0xFF;
  absurd[101] = 0xFF;
  for (const Bytes& file : {looping, absurd}) {
    FileTIFAnalyser analyser;
    EXPECT_EQ(Measure(analyser, file).size, WholeSectors(20024));
  }
}

}  // namespace
}  // namespace quellsy::test::tiff
