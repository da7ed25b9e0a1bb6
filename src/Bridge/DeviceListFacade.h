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

int KDOpenQimFile(const std::string& path);
// 0 with `reason` when the image cannot be read flat (see ParseDmgFile).
int KDOpenDmgFile(const std::string& path, std::string* reason = nullptr);

}  // namespace quellsy::bridge
