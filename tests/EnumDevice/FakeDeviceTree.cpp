#include "EnumDevice/FakeDeviceTree.h"

#include <fstream>
#include <vector>

namespace quellsy::test {

namespace fs = std::filesystem;

namespace {

void Attribute(const fs::path& path, const std::string& value) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << value << "\n";
}

// Copies `count` bytes of `image` from `offset` (fewer at its end) into `node`.
void CopySlice(const fs::path& image, std::uint64_t offset, std::uint64_t count, const fs::path& node) {
  std::ifstream in(image, std::ios::binary);
  std::ofstream out(node, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(offset));
  std::vector<char> chunk(1 << 20);
  while (count > 0 && in) {
    in.read(chunk.data(), static_cast<std::streamsize>(std::min<std::uint64_t>(count, chunk.size())));
    out.write(chunk.data(), in.gcount());
    count -= static_cast<std::uint64_t>(in.gcount());
  }
}

}  // namespace

FakeDeviceTree::FakeDeviceTree() {
  fs::create_directories(dir_ / "sys/block");
  fs::create_directories(dir_ / "sys/class/block");
  fs::create_directories(dir_ / "dev");
  std::ofstream(dir_ / "mountinfo") << "21 1 0:21 / / rw,relatime - overlay overlay rw\n";
}

EnumDeviceOptions FakeDeviceTree::Options(bool allowLoop) const {
  EnumDeviceOptions options;
  options.sysRoot = dir_ / "sys";
  options.devRoot = dir_ / "dev";
  options.mountInfo = dir_ / "mountinfo";
  options.allowLoopDevices = allowLoop;
  return options;
}

fs::path FakeDeviceTree::DiskDir(const FakeDisk& disk) const {
  return dir_ / "sys/devices" / disk.busPath / "block" / disk.name;
}

void FakeDeviceTree::AddDisk(const FakeDisk& disk) {
  const fs::path dir = DiskDir(disk);
  const std::uint64_t size = disk.sizeBytes != 0 || disk.image.empty() ? disk.sizeBytes : fs::file_size(disk.image);
  Attribute(dir / "size", std::to_string(size / 512));
  Attribute(dir / "dev", std::to_string(disk.major) + ":" + std::to_string(disk.minor));
  Attribute(dir / "removable", "1");
  Attribute(dir / "ro", "0");
  Attribute(dir / "queue/logical_block_size", std::to_string(disk.logicalBlockSize));
  Attribute(dir / "device/vendor", disk.vendor + "  ");
  Attribute(dir / "device/model", disk.model + "    ");
  fs::create_directory_symlink(dir, dir_ / "sys/block" / disk.name);
  fs::create_directory_symlink(dir, dir_ / "sys/class/block" / disk.name);
  if (!disk.image.empty()) fs::create_symlink(disk.image, dir_ / "dev" / disk.name);
}

void FakeDeviceTree::AddPartition(const FakeDisk& disk, int number, std::uint64_t startBytes, std::uint64_t sizeBytes,
                                  unsigned minor) {
  const std::string name = disk.name + std::to_string(number);
  const fs::path dir = DiskDir(disk) / name;
  Attribute(dir / "partition", std::to_string(number));
  Attribute(dir / "start", std::to_string(startBytes / 512));
  Attribute(dir / "size", std::to_string(sizeBytes / 512));
  Attribute(dir / "dev", std::to_string(disk.major) + ":" + std::to_string(minor));
  fs::create_directory_symlink(dir, dir_ / "sys/class/block" / name);
  CopySlice(disk.image, startBytes, sizeBytes, dir_ / "dev" / name);
}

void FakeDeviceTree::Mount(unsigned major, unsigned minor, const std::string& escapedMountPoint) {
  std::ofstream(dir_ / "mountinfo", std::ios::app) << ++mountId_ << " 21 " << major << ":" << minor << " / "
                                                   << escapedMountPoint << " rw,relatime shared:5 - vfat /dev/x rw\n";
}

}  // namespace quellsy::test
