#pragma once
// A loop device over an image file for one test, detached again on destruction (also when the test
// fails). Attaching needs root and loop devices; Attach() says why it could not, and records a test failure for
// anything but a machine without them (losetup missing or failing, no image), which no skip should hide.

#include <filesystem>
#include <string>

namespace quellsy::test {

// Why this machine cannot attach loop devices (not root, no loop devices), or an empty string when it can.
std::string LoopDevicesMissing();

class LoopDevice {
 public:
  LoopDevice() = default;
  ~LoopDevice();
  LoopDevice(const LoopDevice&) = delete;
  LoopDevice& operator=(const LoopDevice&) = delete;

  // Attaches `image` read-only with the given logical sector size, with the kernel reading its partition table
  // when partitions is set (losetup -P). Returns an empty string on success, else the reason (for GTEST_SKIP, which
  // the failure recorded turns into a failure unless the machine lacks loop devices).
  std::string Attach(const std::filesystem::path& image, unsigned sectorSize, bool partitions = false);
  void Detach();

  // "/dev/loopN", empty when not attached.
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace quellsy::test
