#include "FATLib/FATEngine.h"

#include <gtest/gtest.h>

#include "Engines/BuiltInEngines.h"
#include "FatImageHelpers.h"
#include "VolumeAnalyze/VolumeAnalyzeController.h"
#include "include/EngineRegistry.h"

namespace quellsy::test {
namespace {

class FATEngineRegistration : public ::testing::Test {
 protected:
  void SetUp() override {
    images_ = FatImages::Get();
    QUELLSY_REQUIRE_FIXTURE(images_->Fixture());
    EngineRegistry::Instance().Reset();
    RegisterBuiltInEngines();
  }
  void TearDown() override { EngineRegistry::Instance().Reset(); }
  const FatImages* images_ = nullptr;
};

TEST_F(FATEngineRegistration, ControllerRecognisesFatVolumesThroughTheRegistry) {
  auto fat32 = OpenImage(images_->Image("fat32.img"));
  std::unique_ptr<IVolumeAnalyzeController> controller(CreateVolumeAnalyzeController(fat32.get(), 0));
  ASSERT_NE(controller, nullptr);
  IVolumeAnalyze* analyser = controller->GetVolumeAnzlyzer();
  ASSERT_NE(analyser, nullptr);
  EXPECT_EQ(analyser->GetFileSystemType(), FILE_SYSTEM_FAT32);
  char label[100] = {};
  analyser->GetLabel(label, sizeof label);
  EXPECT_STREQ(label, "QUELLSY 32");

  // No probe takes a FAT12 volume: it is reached only by the complete scan.
  auto fat12 = OpenImage(images_->Image("fat12.img"));
  std::unique_ptr<IVolumeAnalyzeController> other(CreateVolumeAnalyzeController(fat12.get(), 0));
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(other->GetVolumeAnzlyzer(), nullptr);
}

}  // namespace
}  // namespace quellsy::test
