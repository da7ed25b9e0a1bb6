// The device list over the real enumerator and a loop device whose partitions the kernel does not list: each
// partition is named by the label its file system's analyser read, NTFS as FAT, against what ntfslabel and
// fatlabel read from the same volumes. Skips without root or loop devices.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "Bridge/KDUIDeviceData.h"
#include "EnumDevice/EnumDeviceEx.h"
#include "Engines/BuiltInEngines.h"
#include "include/EngineRegistry.h"
#include "support/FixtureScript.h"
#include "support/LoopDevice.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

TEST(LoopDiskLabels, PartitionsAreNamedByTheirFileSystemsLabels) {
  TempDir dir;
  QUELLSY_REQUIRE_FIXTURE(RunFixture("tests/NTFSSearch/make-ntfs-labelled-volumes.sh", {dir.path().string()}));
  std::map<std::string, std::string> facts;
  std::map<std::string, std::string> labels;
  ReadFixtureManifest(dir / "labels.manifest", facts, [&](const std::vector<std::string>& f) {
    ASSERT_EQ(f.size(), 4u);
    labels[f[0]] = f[1];
  });
  ASSERT_EQ(labels.at("disk.img"), "OFFICE");
  ASSERT_EQ(facts.at("fat-label"), "PHOTOS");

  LoopDevice loop;
  const std::string why = loop.Attach(dir / "disk.img", 512, false);
  if (!why.empty()) GTEST_SKIP() << why;
  const std::string loopName = std::filesystem::path(loop.path()).filename().string();

  EngineRegistry::Instance().Reset();
  RegisterBuiltInEngines();
  EnumDeviceOptions options;
  options.allowLoopDevices = true;
  CEnumDeviceEx enumerator(options);
  // Declared after the enumerator, so the list that borrows it goes first however the test ends.
  struct Restore {
    ~Restore() {
      KDUIDeviceData::ResetForTests();
      EngineRegistry::Instance().Reset();
    }
  } restore;
  KDUIDeviceData::ResetForTests(&enumerator);
  KDUIDeviceData& list = *KDUIDeviceData::instance();
  list.InitDeviceInfo();
  ASSERT_EQ(list.GetInitState(), KDUIDeviceData::kDone);

  std::vector<_DiskVolumeData> all;
  list.GetAllDeviceInfo(all);
  const _DiskVolumeData* disk = nullptr;
  for (const auto& item : all)
    if (item.devName != nullptr && loopName == item.devName) disk = &item;
  ASSERT_NE(disk, nullptr) << loopName << " was not listed";
  std::vector<std::pair<std::string, std::int32_t>> volumes;
  for (const auto& volume : disk->volumes) volumes.emplace_back(volume.name, volume.fileSystem);
  EXPECT_EQ(volumes, (std::vector<std::pair<std::string, std::int32_t>>{
                         {labels.at("disk.img"), FILE_SYSTEM_NTFS}, {facts.at("fat-label"), FILE_SYSTEM_FAT16}}));
}

}  // namespace
}  // namespace quellsy::test
