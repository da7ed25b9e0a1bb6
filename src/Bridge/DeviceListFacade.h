#pragma once
// What the windows call for the device list: the first enumeration in the background with a
// notification behind it, the refresh, and opening qim and DMG images.

#include <chrono>
#include <string>

class KDUIOperation;

namespace quellsy::bridge {

// How long a refresh waits for a stopped scan to wind down before it gives up.
constexpr std::chrono::seconds kRefreshScanWait{30};

// Not started: enumerates on a background thread, then notifies `name`. Done: notifies `name` at
// once. Under way: nothing (the running enumeration notifies its own caller).
void NotifiyDeviceInfoAfterInit(const std::string& name);

// Stops `scan` (without building its trees), waits for it to end, then enumerates again. 0 when the
// scan did not end in time: the list is left as it was rather than pulled from under the scan.
int RefreshDeviceInfo(KDUIOperation* scan, std::chrono::milliseconds wait = kRefreshScanWait);

// The background refresh the windows use: the listing is empty from this call until name is notified; in the
// background, a running scan is stopped and waited for (the list stays as it was when it does not end in time),
// the disk image dmgPath is opened when one is given ("DmgOpened" in the notification says "1" or "0"), and the
// devices are enumerated again. False, with nothing started, while an enumeration is under way or before
// the first one: the caller asks again once that one has notified.
bool NotifyDeviceInfoAfterRefresh(KDUIOperation* scan, const std::string& name, const std::string& dmgPath = {},
                                  std::chrono::milliseconds wait = kRefreshScanWait);

// Loop devices attached to image files are listed as disks of the disk-image kind (off unless asked for).
void ListLoopDevices(bool list);

int KDOpenQimFile(const std::string& path);
// 0 with `reason` when the image cannot be read flat (see ParseDmgFile).
int KDOpenDmgFile(const std::string& path, std::string* reason = nullptr);

}  // namespace quellsy::bridge
