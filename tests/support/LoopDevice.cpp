#include "support/LoopDevice.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>

namespace quellsy::test {

std::string LoopDevicesMissing() {
  if (geteuid() != 0) return "loop devices need root";
  // The control device makes them on request; a kernel without it has a fixed set of nodes.
  if (std::filesystem::exists("/dev/loop-control") || std::filesystem::exists("/dev/loop0")) return {};
  return "this machine has no loop devices (no /dev/loop-control)";
}

LoopDevice::~LoopDevice() { Detach(); }

std::string LoopDevice::Attach(const std::filesystem::path& image, unsigned sectorSize, bool partitions) {
  Detach();
  if (std::string missing = LoopDevicesMissing(); !missing.empty()) return missing;
  if (system("PATH=\"$PATH:/usr/sbin:/sbin\" command -v losetup >/dev/null 2>&1") != 0) {
    // A missing tool is a broken set-up, not a machine without loop devices: the caller's skip becomes a failure.
    ADD_FAILURE() << "losetup is not installed";
    return "losetup is not installed";
  }
  // A missing image is a broken fixture, not a machine without loop devices: the caller's skip becomes a failure.
  if (!std::filesystem::is_regular_file(image)) {
    ADD_FAILURE() << image << " is not there to attach";
    return "no image at " + image.string();
  }
  const std::string command = "losetup --find --show --read-only --sector-size " + std::to_string(sectorSize) +
                              (partitions ? " --partscan" : "") + " '" + image.string() + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    ADD_FAILURE() << "cannot run losetup";
    return "cannot run losetup";
  }
  std::string output;
  std::array<char, 256> chunk{};
  while (fgets(chunk.data(), static_cast<int>(chunk.size()), pipe)) output += chunk.data();
  const int status = pclose(pipe);
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
  if (status != 0 || output.rfind("/dev/loop", 0) != 0) {
    // The machine has loop devices: losetup refusing one is a fault of the test or the set-up.
    ADD_FAILURE() << "losetup failed: " << output;
    return "losetup failed: " + output;
  }
  path_ = output;
  return {};
}

void LoopDevice::Detach() {
  if (path_.empty()) return;
  const std::string command = "losetup --detach '" + path_ + "' >/dev/null 2>&1";
  if (system(command.c_str()) != 0) fprintf(stderr, "could not detach %s\n", path_.c_str());
  path_.clear();
}

}  // namespace quellsy::test
