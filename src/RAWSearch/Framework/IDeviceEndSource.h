#pragma once
// A device that holds only part of the data it stands for (the search's ring of recent blocks)
// reports its own size as what it holds; the read window asks through this where the data really end.

class IDeviceEndSource {
 public:
  virtual ~IDeviceEndSource() = default;

  // The first sector past the end of the data this device stands for.
  virtual long long GetDeviceEndSector() = 0;
};
