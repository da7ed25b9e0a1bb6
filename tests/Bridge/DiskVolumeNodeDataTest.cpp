// Device-list items as the device page shows them: names, device paths and the volumes of each disk.

#include "Bridge/DiskVolumeNodeData.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "Bridge/BridgeServices.h"

namespace quellsy::test {
namespace {

class OneTextTranslator : public bridge::ITranslator {
 public:
  std::string Translate(std::string_view key, std::string_view fallback) const override {
    return key == "DEVICE_NAME_UNTITILED" ? "Sans titre" : std::string(fallback);
  }
};

_DiskVolumeData Record(const char* name, const char* devName) {
  _DiskVolumeData record;
  record.name = name;
  record.devName = devName;
  return record;
}

TEST(DiskVolumeNodeData, NamesAndDevicePaths) {
  OneTextTranslator french;
  bridge::SetTranslator(&french);
  struct Case {
    const char* name;
    const char* devName;
    std::string shownName;
    std::string diskPath;
  };
  const Case cases[] = {
      {"Samsung SSD 860", "sda", "Samsung SSD 860", "/dev/sda"},
      {"Carte", "mmcblk0p1", "Carte", "/dev/mmcblk0p1"},
      {"", "sdb1", "Sans titre", "/dev/sdb1"},
      {nullptr, "sdc", "Sans titre", "/dev/sdc"},
      {"caf\xE9", "sdd", "Unknown", "/dev/sdd"},  // Latin-1, not UTF-8
      {"backup.qim", "/home/ann/backup.qim", "backup.qim", "/home/ann/backup.qim"},
      {"No node", nullptr, "No node", ""},
      {"No node", "", "No node", ""},
  };
  for (const Case& c : cases) {
    const DiskVolumeNodeData item(Record(c.name, c.devName));
    EXPECT_EQ(item.name(), c.shownName) << c.shownName;
    EXPECT_EQ(item.diskPath(), c.diskPath) << c.shownName;
  }
  bridge::ResetBridgeServicesForTesting();
  EXPECT_EQ(DiskVolumeNodeData(Record("", "sdb1")).name(), "Untitled");
}

TEST(DiskVolumeNodeData, FieldsAndVolumesOfEachDisk) {
  _DiskVolumeData disk = Record("USB stick", "sdb");
  disk.capacity = 8'000'000'000;
  disk.diskIndex = 2;
  disk.isUSB = 1;
  disk.beCanOpen = 0;
  _DiskVolumeData first = Record("BOOT", "sdb1");
  first.diskIndex = 2;
  first.volumeIndex = 0;
  first.fileSystem = 2;
  first.used = 1234;
  _DiskVolumeData second = Record("DATA", "sdb2");
  second.volumeIndex = 1;
  second.fileSystem = 7;
  disk.volumes = {first, second};
  _DiskVolumeData image = Record("photos.dmg", "/tmp/photos.dmg");
  image.isAppleDmg = 1;

  const auto items = DiskVolumeNodeData::ListFromRecords({disk, image});
  ASSERT_EQ(items.size(), 2u);
  const DiskVolumeNodeData& stick = *items[0];
  EXPECT_EQ(stick.capacity(), 8'000'000'000);
  EXPECT_EQ(stick.diskIndex(), 2);
  EXPECT_TRUE(stick.isUSB());
  EXPECT_FALSE(stick.beCanOpen());
  EXPECT_FALSE(stick.isDmg());
  ASSERT_EQ(stick.numberOfChildren(), 2u);
  EXPECT_EQ(stick.childAtIndex(0)->name(), "BOOT");
  EXPECT_EQ(stick.childAtIndex(0)->fileSystem(), 2);
  EXPECT_EQ(stick.childAtIndex(0)->used(), 1234u);
  EXPECT_EQ(stick.childAtIndex(1)->diskPath(), "/dev/sdb2");
  EXPECT_EQ(stick.childAtIndex(1)->volumeIndex(), 1);
  EXPECT_EQ(stick.childAtIndex(2), nullptr);
  EXPECT_TRUE(items[1]->isAppleDmg());
  EXPECT_EQ(items[1]->numberOfChildren(), 0u);

  items[0]->setParentName("kept");
  items[0]->setIsSystemVolume(true);
  EXPECT_EQ(items[0]->parentName(), "kept");
  EXPECT_TRUE(items[0]->isSystemVolume());
  items[0]->free();
  EXPECT_EQ(items[0]->numberOfChildren(), 0u);
}

}  // namespace
}  // namespace quellsy::test
