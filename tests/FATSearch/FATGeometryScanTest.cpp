// FAT volumes whose geometry only the boot sector tells, through engine-cli's quick and complete scans: an image
// cut short keeps its FAT type and gives its surviving files byte for byte; a volume of 4096-byte sectors in an
// image file is scanned like the drive it came from.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "Engines/BuiltInEngines.h"
#include "include/EngineRegistry.h"
#include "support/FixtureScript.h"
#include "support/Sha256.h"
#include "support/TempDir.h"
#include "tools/EngineCliRun.h"

namespace quellsy::test {
namespace {

namespace fs = std::filesystem;

struct GeometryFile {
  std::string path;
  long long size = 0;
  std::string sha256;
  bool whole = true;
};

class GeometryImages {
 public:
  static const GeometryImages& Get() {
    static const GeometryImages images;
    return images;
  }
  bool Made() const { return made_; }
  const std::string& Why() const { return why_; }
  fs::path Image(const std::string& name) const { return dir_.path() / name; }
  std::vector<GeometryFile> Manifest(const std::string& name) const {
    std::vector<GeometryFile> files;
    std::map<std::string, std::string> facts;
    ReadFixtureManifest(Image(name + ".manifest"), facts, [&files](const std::vector<std::string>& fields) {
      if (fields.size() == 4) files.push_back({fields[0], std::stoll(fields[1]), fields[2], fields[3] == "whole"});
    });
    return files;
  }

 private:
  GeometryImages() {
    made_ = RunFixtureScript("tests/FATSearch/make-fat-geometry-images.sh", dir_.path(),
                             "mkfs.fat or mtools missing: FAT geometry images not made", why_);
  }

  TempDir dir_;
  bool made_ = false;
  std::string why_;
};

struct ScanResult {
  CliRun run;
  std::map<std::string, long long> sizes;        // found nodes by path below the volume's root
  std::map<std::string, std::string> recovered;  // copied files' digests by the same path
};

class FATGeometryScanTest : public ::testing::Test {
 protected:
  void SetUp() override { RegisterAll(); }
  void TearDown() override { RegisterAll(); }
  static void RegisterAll() {
    EngineRegistry::Instance().Reset();
    RegisterBuiltInEngines();
  }

  ScanResult Scan(const std::string& kind, const fs::path& image, std::vector<std::string> extra = {}) {
    const fs::path destination = dir_ / (kind + "-" + image.filename().string());
    std::vector<std::string> args = {kind, image.string(), "--json", "--recover", destination.string()};
    if (kind == "quick") args.push_back("--live");
    else args.insert(args.end(), {"--searchers", "fat"});
    args.insert(args.end(), extra.begin(), extra.end());
    ScanResult result;
    result.run = Cli(args);
    for (const std::string& line : result.run.lines) {
      std::string path = Field(line, "path");
      if (path.size() < 2 || path.front() != '"') continue;
      path = path.substr(1, path.size() - 2);
      const std::size_t slash = path.find('/');
      if (slash == std::string::npos) continue;
      result.sizes[path.substr(slash)] = std::stoll(Field(line, "size"));
    }
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(destination, error)) {
      if (!entry.is_regular_file()) continue;
      const std::string relative = fs::relative(entry.path(), destination).string();
      result.recovered[relative.substr(relative.find('/'))] = Sha256Hex(ReadFile(entry.path()));
    }
    return result;
  }

  TempDir dir_;
};

struct GeometryCase {
  const char* name;
  const char* image;
  const char* scan;
};

void PrintTo(const GeometryCase& c, std::ostream* os) { *os << c.name; }

class FATGeometryScan : public FATGeometryScanTest, public ::testing::WithParamInterface<GeometryCase> {};

// Every file is found at its size; those wholly inside the image come out byte for byte, one reaching past
// the image's end is reported as not recovered rather than passed off as complete.
TEST_P(FATGeometryScan, FindsEveryFileAndRecoversTheSurvivingOnesByteForByte) {
  const auto& images = GeometryImages::Get();
  ASSERT_TRUE(images.Made()) << images.Why();
  const std::vector<GeometryFile> manifest = images.Manifest(GetParam().image);
  ASSERT_FALSE(manifest.empty());
  const ScanResult result = Scan(GetParam().scan, images.Image(GetParam().image));
  bool anyCut = false;
  for (const GeometryFile& file : manifest) {
    SCOPED_TRACE(file.path);
    ASSERT_TRUE(result.sizes.count(file.path)) << result.run.err;
    EXPECT_EQ(result.sizes.at(file.path), file.size);
    if (file.whole) {
      ASSERT_TRUE(result.recovered.count(file.path)) << result.run.err;
      EXPECT_EQ(result.recovered.at(file.path), file.sha256);
    } else {
      anyCut = true;
      EXPECT_NE(result.run.err.find("not recovered"), std::string::npos) << result.run.err;
      EXPECT_NE(result.run.err.find(file.path), std::string::npos) << result.run.err;
    }
  }
  EXPECT_EQ(result.run.exit, anyCut ? 1 : 0) << result.run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Images, FATGeometryScan,
    ::testing::Values(GeometryCase{"Fat16CutShortComplete", "fat16-cut.img", "complete"},
                      GeometryCase{"Fat32CutShortComplete", "fat32-cut.img", "complete"},
                      GeometryCase{"Fat16CutShortQuick", "fat16-cut.img", "quick"},
                      GeometryCase{"Fat32CutShortQuick", "fat32-cut.img", "quick"},
                      GeometryCase{"Fat16FourKibibyteSectorsComplete", "fat16-4k.img", "complete"},
                      GeometryCase{"Fat32FourKibibyteSectorsComplete", "fat32-4k.img", "complete"},
                      GeometryCase{"Fat16FourKibibyteSectorsQuick", "fat16-4k.img", "quick"},
                      GeometryCase{"Fat32FourKibibyteSectorsQuick", "fat32-4k.img", "quick"}),
    [](const auto& p) { return std::string(p.param.name); });

// The sector size given on the command line wins over what the image declares: a 4096-byte-sector volume read as
// 512-byte sectors has a boot sector that does not match its device, and nothing is found.
TEST_F(FATGeometryScanTest, GivenSectorSizeWinsOverTheDeclaredOne) {
  const auto& images = GeometryImages::Get();
  ASSERT_TRUE(images.Made()) << images.Why();
  const fs::path image = images.Image("fat16-4k.img");
  const ScanResult declared = Scan("complete", image, {"--sector-size", "4096"});
  EXPECT_EQ(declared.run.exit, 0) << declared.run.err;
  const ScanResult forced = Scan("complete", image, {"--sector-size", "512"});
  EXPECT_EQ(forced.run.exit, 0) << forced.run.err;
  for (const GeometryFile& file : images.Manifest("fat16-4k.img")) {
    EXPECT_TRUE(declared.sizes.count(file.path)) << file.path;
    EXPECT_FALSE(forced.sizes.count(file.path)) << file.path;
  }
  EXPECT_EQ(Cli({"complete", image.string(), "--sector-size", "1000"}).exit, 2);
}

}  // namespace
}  // namespace quellsy::test
