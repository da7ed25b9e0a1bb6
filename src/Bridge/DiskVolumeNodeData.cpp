#include "Bridge/DiskVolumeNodeData.h"

#include <utility>

#include "Bridge/BridgeServices.h"
#include "Utility/FileUtil.h"

namespace {

std::string ItemName(const char* name) {
  if (!name || !*name) return quellsy::bridge::Translator().Translate("DEVICE_NAME_UNTITILED", "");
  return isValidString(name) ? std::string(name) : std::string("Unknown");
}

// Disks and volumes are named by the kernel ("sdb1"); an opened image by its own absolute path.
std::string DevicePath(const char* devName) {
  if (!devName || !*devName) return {};
  return devName[0] == '/' ? std::string(devName) : std::string("/dev/") + devName;
}

}  // namespace

DiskVolumeNodeData::DiskVolumeNodeData(const _DiskVolumeData& record)
    : name_(ItemName(record.name)),
      capacity_(record.capacity),
      used_(record.used),
      diskIndex_(record.diskIndex),
      volumeIndex_(record.volumeIndex),
      fileSystem_(record.fileSystem),
      isDmg_(record.isDmg),
      isSSD_(record.isSSD),
      isQim_(record.isQim),
      isAppleDmg_(record.isAppleDmg),
      isUSB_(record.isUSB),
      beCanOpen_(record.beCanOpen),
      diskPath_(DevicePath(record.devName)) {}

DiskVolumeNodeData::Children DiskVolumeNodeData::ListFromRecords(const std::vector<_DiskVolumeData>& records) {
  Children items;
  for (const _DiskVolumeData& record : records) {
    auto item = std::make_shared<DiskVolumeNodeData>(record);
    if (!record.volumes.empty()) {
      Children volumes;
      for (const _DiskVolumeData& volume : record.volumes) volumes.push_back(std::make_shared<DiskVolumeNodeData>(volume));
      item->setSubNode(std::move(volumes));
    }
    items.push_back(std::move(item));
  }
  return items;
}

std::shared_ptr<DiskVolumeNodeData> DiskVolumeNodeData::DesktopEntry() {
  return std::shared_ptr<DiskVolumeNodeData>(new DiskVolumeNodeData());
}

void DiskVolumeNodeData::setSubNode(Children children) { children_ = std::move(children); }

std::shared_ptr<DiskVolumeNodeData> DiskVolumeNodeData::childAtIndex(std::size_t index) const {
  return index < children_.size() ? children_[index] : nullptr;
}

void DiskVolumeNodeData::free() { children_.clear(); }
