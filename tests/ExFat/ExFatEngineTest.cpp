// The exFAT engine registered with the built-in engines: the volume-analyser controller recognises its volumes,
// the registry makes its quick searcher, and a volume partitioned inside a disk is found at its start sector.

#include "ExFat/ExFatEngine.h"

#include <gtest/gtest.h>

#include <memory>

#include "Engines/BuiltInEngines.h"
#include "ExFat/CExFatVolumeAnalyer.h"
#include "ExFatTestBytes.h"
#include "VolumeAnalyze/VolumeAnalyzeController.h"
#include "include/EngineRegistry.h"
#include "include/IFileSystemSearchController.h"
#include "support/MemoryDevice.h"
#include "support/TempDir.h"
#include "support/fixtures/ExFatImages.h"

namespace quellsy::test {
namespace {

class ExFatEngineRegistration : public testing::Test {
 protected:
  void SetUp() override {
    EngineRegistry::Instance().Reset();
    RegisterBuiltInEngines();
  }
  void TearDown() override { EngineRegistry::Instance().Reset(); }
};

TEST_F(ExFatEngineRegistration, TheControllerRecognisesExFatVolumesAtTheirStart) {
  const ExFatImages* images = ExFatImages::Get();
  if (!images->MissingCapability().empty()) GTEST_SKIP() << images->MissingCapability();
  ASSERT_TRUE(images->Made()) << images->Why();
  for (const auto& [name, sectorSize] : {std::pair{"exfat.img", 512u}, std::pair{"sectors4k.img", 4096u}}) {
    SCOPED_TRACE(name);
    std::vector<std::uint8_t> volume = ReadFile(images->Image(name));
    const std::uint64_t volumeSectors = volume.size() / sectorSize;
    // The volume placed 8 sectors into a larger device, as a partition would be.
    std::vector<std::uint8_t> disk(std::size_t{8} * sectorSize, 0xEE);
    disk.insert(disk.end(), volume.begin(), volume.end());
    MemoryDevice device(disk, sectorSize);
    std::unique_ptr<IVolumeAnalyzeController> controller(CreateVolumeAnalyzeController(&device, 8));
    ASSERT_NE(controller, nullptr);
    IVolumeAnalyze* analyser = controller->GetVolumeAnzlyzer();
    ASSERT_NE(analyser, nullptr);
    EXPECT_EQ(analyser->GetFileSystemType(), FILE_SYSTEM_EXFAT);
    EXPECT_EQ(analyser->GetTotalSector(), volumeSectors);
    std::unique_ptr<IVolumeAnalyzeController> atZero(CreateVolumeAnalyzeController(&device, 0));
    EXPECT_EQ(atZero->GetVolumeAnzlyzer(), nullptr);
  }
}

TEST_F(ExFatEngineRegistration, TheRegistryMakesTheQuickSearcher) {
  std::unique_ptr<IQuickFileSystemSearchController> searcher(
      EngineRegistry::Instance().CreateQuickSearcher(FILE_SYSTEM_EXFAT));
  EXPECT_NE(searcher, nullptr);
}

TEST(ExFatVolumeAnalyer, RefusesWhatItCannotReadOrRecognise) {
  EXPECT_EQ(CreateExfatVolumeAnalyze(nullptr, 0), nullptr);
  MemoryDevice blank(16, 512);
  EXPECT_EQ(CreateExfatVolumeAnalyze(&blank, 0), nullptr);
  EXPECT_EQ(CreateExfatVolumeAnalyze(&blank, 16), nullptr);  // past the end
  MemoryDevice sector(exfatbytes::BootSector({}), 512);
  sector.FailSectors(0, 1);
  EXPECT_EQ(CreateExfatVolumeAnalyze(&sector, 0), nullptr);
}

TEST(ExFatVolumeAnalyer, TheLabelIsEmptyAndWrittenOnlyWithinTheBuffer) {
  MemoryDevice device(exfatbytes::BootSector({}), 512);
  std::unique_ptr<IVolumeAnalyze> analyser(CreateExfatVolumeAnalyze(&device, 0));
  ASSERT_NE(analyser, nullptr);
  EXPECT_EQ(analyser->GetTotalSector(), exfatbytes::BootFields{}.volumeSectors);
  char label[8];
  std::fill(std::begin(label), std::end(label), 'x');
  analyser->GetLabel(label, 8);
  EXPECT_EQ(std::string(label, 8), std::string(4, '\0') + "xxxx");
  std::fill(std::begin(label), std::end(label), 'x');
  analyser->GetLabel(label, 2);
  EXPECT_EQ(std::string(label, 8), std::string(2, '\0') + "xxxxxx");
  analyser->GetLabel(label, 1);
  analyser->GetLabel(nullptr, 8);
  EXPECT_EQ(label[2], 'x');
}

}  // namespace
}  // namespace quellsy::test
