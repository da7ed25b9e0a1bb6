// TIFFs and camera raw files placed in an image between zero fill or junk, found by engine-cli's complete
// scan through the registry, and copied out by its --recover: each copy is the file, then only the
// zero slack of its last sector where the plain analyser measures it in whole sectors.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "EngineCli.h"
#include "Engines/BuiltInEngines.h"
#include "Formats/FormatSamples.h"
#include "Formats/TiffSamples.h"
#include "RawSearchTestSupport.h"
#include "include/EngineRegistry.h"
#include "support/ImageBuilder.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace quellsy::test::tiff {
namespace {

using formats::WholeSectors;

constexpr unsigned kSector = 512;

struct Placed {
  std::string name;
  Bytes bytes;
  // What the copy must hold: the file, padded with zeros when it is sized in whole sectors.
  std::uint64_t size;
};

// Places the samples in an image `fill`ed between them (each file's last sector `slack` past its end),
// runs engine-cli's complete scan with --recover on it and expects every copy as `Placed` says.
void ExpectRecoveredByteExact(const TempDir& dir, const std::vector<Placed>& placed, ImageFill fill,
                              ImageFill slack = ImageFill::kZero) {
  long long next = 64;
  std::vector<long long> at;
  for (const Placed& p : placed) {
    at.push_back(next);
    next += static_cast<long long>(WholeSectors(p.bytes.size()) / kSector) + 32;
  }
  ImageBuilder image(next + 32, kSector, fill);
  for (std::size_t i = 0; i < placed.size(); ++i) image.Place(placed[i].name, at[i], placed[i].bytes, slack);
  image.Write(dir / "card.img");

  EngineRegistry::Instance().Reset();
  RegisterBuiltInEngines();
  std::ostringstream out;
  std::ostringstream err;
  const auto copies = dir / "out";
  std::filesystem::create_directories(copies);
  const int exit = EngineCliMain(
      {"complete", (dir / "card.img").string(), "--searchers", "raw", "--recover", copies.string()}, out, err);
  EngineRegistry::Instance().Reset();
  ASSERT_EQ(exit, 0) << err.str();
  EXPECT_NE(err.str().find("recovery: " + std::to_string(placed.size()) + " copied, 0 failed"), std::string::npos)
      << err.str();

  std::multiset<std::string> written;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(copies))
    if (entry.is_regular_file()) written.insert(Sha256Hex(ReadFile(entry.path())));
  for (const Placed& p : placed) {
    Bytes expected = p.bytes;
    expected.resize(static_cast<std::size_t>(p.size), 0);
    EXPECT_EQ(written.count(Sha256Hex(expected)), 1u) << p.name << " is not copied out byte exact";
  }
}

using TiffCompleteScan = RawSearchTest;

TEST_F(TiffCompleteScan, EngineCliRecoversEveryPlacedSampleByteExact) {
  TempDir dir;
  const auto le = MakeTiff(dir.path(), "le.tif", 1, "200x150", "-define tiff:endian=lsb");
  ASSERT_TRUE(le) << "ImageMagick (installed by the set-up) made no TIFF";
  const auto be = MakeTiff(dir.path(), "be.tif", 2, "180x120", "-define tiff:endian=msb");
  const auto tiles = MakeTiff(dir.path(), "tiles.tif", 3, "256x200", "-define tiff:tile-geometry=64x64");
  ASSERT_TRUE(MakeTiff(dir.path(), "nikon.tif", 4, "160x120", ""));
  const auto nikon =
      Retag(dir / "nikon.tif", "exiftool -q -overwrite_original '-Make=NIKON CORPORATION' '-Model=NIKON D90'");
  ASSERT_TRUE(MakeTiff(dir.path(), "dng.tif", 5, "150x100", ""));
  const auto dng = Retag(dir / "dng.tif", "tiffset -s 50706 4 1 4 0 0");
  ASSERT_TRUE(be && tiles && nikon && dng) << "ImageMagick, exiftool or tiffset (installed by the set-up) failed";

  // A first directory beyond 4 MiB: only the plain analyser measures it.
  TiffBuilder far(true);
  far.SetFirstIfdOffset(5u << 20);
  Bytes farFile = PadTo(far.Build(), 5u << 20);
  TiffBuilder farDir(true);
  farDir.AddIfd({farDir.Raw(273, 4, 1, 4096), farDir.Long(279, (5u << 20) - 4096)});
  const Bytes farIfd = farDir.Build();
  farFile.insert(farFile.end(), farIfd.begin() + 8, farIfd.end());

  ExpectRecoveredByteExact(dir,
                           {
                               {"le.tif", *le, le->size()},
                               {"be.tif", *be, be->size()},
                               {"tiles.tif", *tiles, tiles->size()},
                               {"nikon.nef", *nikon, nikon->size()},
                               {"dng.dng", *dng, dng->size()},
                               {"sub-ifd.tif", SubIfdTiff(false), 50000},
                               {"maker-note.nef", MakerNoteTiff(Maker::kNikon), MakerNoteTiffEnd(Maker::kNikon)},
                               {"raf.raf", RafFile(), kRafEnd},
                               {"panasonic.rw2", PanasonicRaw("Panasonic", "DMC-GH4", 30000), WholeSectors(30000)},
                               {"far.tif", farFile, WholeSectors(farFile.size())},
                           },
                           ImageFill::kZero);
}

// Random bytes between the files, as on a used card: each camera file ends at its last byte, where
// that is the pad byte behind an odd strip, the link field of a directory that ends the file, or two
// bytes before a sector's end (too close for a zero tail of whole words).
TEST_F(TiffCompleteScan, CameraFilesAmongRandomBytesEndAtTheirLastByte) {
  TempDir dir;
  const std::string olympus = "exiftool -q -overwrite_original -Make=OLYMPUS -Model=E-M5";
  const std::string pentax = "exiftool -q -overwrite_original -Make=PENTAX -Model=K-1";
  // 101 rows: an odd strip, padded to a word boundary by exiftool.
  const auto padded = MakeRowTiff(dir.path(), "padded.tif", 101, olympus);
  const auto late = MakeTiffEndingShortOfSector(dir.path(), "late.tif", 2, pentax);
  const auto latePlain = MakeTiffEndingShortOfSector(dir.path(), "late-plain.tif", 2, "");
  ASSERT_TRUE(padded && late && latePlain) << "ImageMagick or exiftool (installed by the set-up) failed";
  ASSERT_EQ(padded->size() % 2, 0u);
  ASSERT_EQ(padded->back(), 0) << "no pad byte behind the strip";

  ExpectRecoveredByteExact(dir,
                           {
                               {"padded.orf", *padded, padded->size()},
                               {"late.pef", *late, late->size()},
                               {"late-plain.tif", *latePlain, latePlain->size()},
                               {"directory-last.pef", DirectoryLastTiff(), DirectoryLastTiff().size()},
                           },
                           ImageFill::kJunk);
}

// Junk right behind every file, in its last sector too, as on a reused card: the files the growing record
// measures end where their directories and picture data do.
TEST_F(TiffCompleteScan, FilesWithJunkInTheirLastSectorEndAtTheirLastByte) {
  TempDir dir;
  const auto strips = MakeTiff(dir.path(), "strips.tif", 6, "210x140", "-define tiff:endian=lsb");
  const auto tiles = MakeTiff(dir.path(), "tiles.tif", 7, "256x200", "-define tiff:tile-geometry=64x64");
  const auto lzw = MakeTiff(dir.path(), "lzw.tif", 8, "190x130", "-define tiff:endian=msb -compress lzw");
  ASSERT_TRUE(MakeTiff(dir.path(), "canon.tif", 9, "170x110", ""));
  const auto canon = Retag(dir / "canon.tif", "exiftool -q -overwrite_original -Make=Canon '-Model=Canon EOS R5'");
  ASSERT_TRUE(strips && tiles && lzw && canon) << "ImageMagick or exiftool (installed by the set-up) failed";
  ExpectRecoveredByteExact(dir,
                           {
                               {"strips.tif", *strips, strips->size()},
                               {"tiles.tif", *tiles, tiles->size()},
                               {"lzw.tif", *lzw, lzw->size()},
                               {"canon.cr2", *canon, canon->size()},
                               {"sub-ifd.tif", SubIfdTiff(true), 50000},
                               {"maker-note.nef", MakerNoteTiff(Maker::kNikon), MakerNoteTiffEnd(Maker::kNikon)},
                           },
                           ImageFill::kJunk, ImageFill::kJunk);
}

}  // namespace
}  // namespace quellsy::test::tiff
