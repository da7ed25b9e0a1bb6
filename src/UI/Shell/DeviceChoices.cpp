#include "UI/Shell/DeviceChoices.h"

#include "Bridge/DiskVolumeNodeData.h"

namespace quellsy::ui {
namespace {

constexpr std::int64_t kSpaceWorthADiskScan = 100000;

bool IsOpenedImage(const DiskVolumeNodeData& item) { return item.isQim() || item.isAppleDmg(); }

}  // namespace

DeviceItems ListedDevices(const DeviceItems& all) {
  DeviceItems listed;
  for (const auto& item : all) {
    if (!item) continue;
    const bool removableDisk = (item->isUSB() || item->isDmg()) && item->numberOfChildren() > 0;
    if (removableDisk || IsOpenedImage(*item)) listed.push_back(item);
  }
  return listed;
}

DeviceChoices CountDeviceChoices(const DeviceItems& listed) {
  DeviceChoices choices;
  const auto meet = [&choices](const std::shared_ptr<DiskVolumeNodeData>& item) {
    ++choices.count;
    choices.last = item;
    if (choices.count == 1) choices.first = item;
  };
  for (const auto& disk : listed) {
    if (disk->numberOfChildren() == 0) {
      meet(disk);
      continue;
    }
    std::int64_t lastCapacity = 0;
    for (const auto& volume : disk->children()) {
      meet(volume);
      lastCapacity = volume->capacity();
    }
    if (choices.count == 1 && disk->capacity() - lastCapacity >= kSpaceWorthADiskScan) ++choices.count;
  }
  return choices;
}

}  // namespace quellsy::ui
