#include "FakeSysfs.h"

#include <fstream>

namespace quellsy::test {
namespace {

namespace fs = std::filesystem;

void Attribute(const fs::path& path, const std::string& value) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << value << "\n";
}

}  // namespace

FakeSysfs::FakeSysfs(const fs::path& folder) : root_(folder / "sys") {
  fs::create_directories(root_ / "block");
  fs::create_directories(root_ / "class/block");
}

void FakeSysfs::AddDisk(const FakeSysfsDisk& disk) {
  const fs::path folder = root_ / "devices/pci0000:00" / disk.busPath / "block" / disk.name;
  Attribute(folder / "size", std::to_string(disk.sectors));
  Attribute(folder / "dev", disk.dev);
  Attribute(folder / "removable", disk.removable ? "1" : "0");
  Attribute(folder / "ro", "0");
  Attribute(folder / "queue/logical_block_size", "512");
  Attribute(folder / "device/vendor", disk.vendor);
  Attribute(folder / "device/model", disk.model);
  fs::create_directory_symlink(folder, root_ / "block" / disk.name);
  fs::create_directory_symlink(folder, root_ / "class/block" / disk.name);
  const std::string major = disk.dev.substr(0, disk.dev.find(':'));
  const int minor = std::stoi(disk.dev.substr(disk.dev.find(':') + 1));
  for (const auto& partition : disk.partitions) {
    const fs::path part = folder / partition.name;
    Attribute(part / "partition", std::to_string(partition.number));
    Attribute(part / "start", std::to_string(partition.start));
    Attribute(part / "size", std::to_string(partition.sectors));
    Attribute(part / "dev", major + ":" + std::to_string(minor + partition.number));
    fs::create_directory_symlink(part, root_ / "class/block" / partition.name);
  }
}

}  // namespace quellsy::test
