#pragma once
// Which entries of the bridge's device list the device page lists, and how many choices they give the user: the
// root window scans at once only when the page would offer a single one.

#include <memory>

#include "UI/Backend/IFacadeBackend.h"

namespace quellsy::ui {

// Disks on USB or of the disk-image kind (a loop device over an image file) that carry at least one volume, and
// the opened qim and DMG images, in the bridge's order (disks, then images). Internal disks are left out.
DeviceItems ListedDevices(const DeviceItems& all);

struct DeviceChoices {
  int count = 0;
  // The first and the last volume (or image) met; null when there is none.
  std::shared_ptr<DiskVolumeNodeData> first;
  std::shared_ptr<DiskVolumeNodeData> last;
};

// Every volume of the listed disks and every image is one choice; a disk whose lone volume leaves 100000 bytes
// or more of it outside counts as a second one (the disk itself is worth scanning).
DeviceChoices CountDeviceChoices(const DeviceItems& listed);

}  // namespace quellsy::ui
