#pragma once
// One entry of the device page as the windows see it: a disk with its volumes as children, a volume, or an
// opened image, copied from the device model's record so that the windows hold no device object.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Bridge/DiskVolumeData.h"

class DiskVolumeNodeData {
 public:
  using Children = std::vector<std::shared_ptr<DiskVolumeNodeData>>;

  // The name as UTF-8 ("Unknown" when it is not), the localised "DEVICE_NAME_UNTITILED" when empty; the path
  // of the device node ("/dev/" and the kernel name), or the image's own path, when the record names one.
  explicit DiskVolumeNodeData(const _DiskVolumeData& record);

  // One item per record, each disk or image holding its volumes as children: what the device page lists.
  static Children ListFromRecords(const std::vector<_DiskVolumeData>& records);
  // The Desktop entry the device page lists itself: no name and no device of its own (it stands for a volume
  // the page chooses).
  static std::shared_ptr<DiskVolumeNodeData> DesktopEntry();

  void setSubNode(Children children);
  // Null past the end.
  std::shared_ptr<DiskVolumeNodeData> childAtIndex(std::size_t index) const;
  std::size_t numberOfChildren() const { return children_.size(); }
  const Children& children() const { return children_; }
  void free();

  const std::string& name() const { return name_; }
  const std::string& diskPath() const { return diskPath_; }
  std::int64_t capacity() const { return capacity_; }
  std::uint64_t used() const { return used_; }
  int diskIndex() const { return diskIndex_; }
  int volumeIndex() const { return volumeIndex_; }
  int fileSystem() const { return fileSystem_; }
  bool isDmg() const { return isDmg_ != 0; }
  bool isSSD() const { return isSSD_ != 0; }
  bool isQim() const { return isQim_ != 0; }
  bool isAppleDmg() const { return isAppleDmg_ != 0; }
  bool isUSB() const { return isUSB_ != 0; }
  bool beCanOpen() const { return beCanOpen_ != 0; }
  const std::string& parentName() const { return parentName_; }
  void setParentName(std::string name) { parentName_ = std::move(name); }
  bool isVolumeDmg() const { return isVolumeDmg_ != 0; }
  void setIsVolumeDmg(bool value) { isVolumeDmg_ = value ? 1 : 0; }
  bool isSystemVolume() const { return isSystemVolume_ != 0; }
  void setIsSystemVolume(bool value) { isSystemVolume_ = value ? 1 : 0; }
  int state() const { return state_; }
  void setState(int state) { state_ = state; }

 private:
  DiskVolumeNodeData() = default;

  std::string name_;
  std::int64_t capacity_ = 0;
  std::uint64_t used_ = 0;
  std::int32_t diskIndex_ = -1;
  std::int32_t volumeIndex_ = -1;
  std::int32_t fileSystem_ = -1;
  std::int32_t isDmg_ = 0;
  std::int32_t isSSD_ = 0;
  std::int32_t isQim_ = 0;
  std::int32_t isAppleDmg_ = 0;
  std::int32_t isUSB_ = 0;
  std::int32_t beCanOpen_ = 0;
  std::int32_t isVolumeDmg_ = 0;
  std::int32_t isSystemVolume_ = 0;
  std::string diskPath_;
  Children children_;
  std::string parentName_;
  std::int32_t state_ = 0;
};
