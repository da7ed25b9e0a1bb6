#pragma once
// The name under which the tree builder titles the roots of a scan.

#include <string>

class IStorageDevice;

// A volume's name (a volume record of kind 0), a qim image's device name; empty for anything else, and the tree
// builder then says "Disk".
std::string GetDeviceDescription(IStorageDevice* device);
