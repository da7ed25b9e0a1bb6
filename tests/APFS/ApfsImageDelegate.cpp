#include "ApfsImageDelegate.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

namespace quellsy::test {

ApfsImageDelegate::ApfsImageDelegate(const std::filesystem::path& image, unsigned sectorSize)
    : fd_(::open(image.c_str(), O_RDONLY | O_CLOEXEC)), sectorSize_(sectorSize) {
  if (fd_ >= 0) bytes_ = static_cast<std::uint64_t>(::lseek(fd_, 0, SEEK_END));
}

ApfsImageDelegate::~ApfsImageDelegate() {
  if (fd_ >= 0) ::close(fd_);
}

int ApfsImageDelegate::ReadBlocks(APFSContainerParser& container, std::uint64_t block, std::uint32_t bytes,
                                  std::uint8_t* buffer) {
  const std::uint64_t offset = static_cast<std::uint64_t>(container.StartSector()) * sectorSize_ + block * 4096;
  if (block >= bytes_ / 4096 || offset + bytes > bytes_) return 0;
  return ::pread(fd_, buffer, bytes, static_cast<off_t>(offset)) == static_cast<ssize_t>(bytes) ? 1 : 0;
}

std::uint64_t ApfsImageDelegate::DeviceBlocks(APFSContainerParser& container) {
  const std::uint64_t start = static_cast<std::uint64_t>(container.StartSector()) * sectorSize_;
  return start < bytes_ ? (bytes_ - start) / 4096 : 0;
}

std::string ApfsImageDelegate::PathOf(const APFSFileNode& node) {
  auto plain = [](const std::string& name) { return name.substr(0, name.find('\0')); };
  std::string path = plain(node.Name());
  int depth = 0;
  for (const APFSFileNode* up = node.SearchParent(); up != nullptr && (up->Key() & 0xFFFFFFFFull) != 2 && depth < 256;
       up = up->SearchParent(), ++depth)
    path = plain(up->Name()) + "/" + path;
  return path;
}

std::vector<std::uint8_t> ApfsImageDelegate::Contents(const APFSContainerParser& container,
                                                      const APFSFileNode& node) const {
  std::vector<std::uint8_t> data;
  IDataRunList* runs = node.GetDataRunList();
  const auto size = static_cast<std::uint64_t>(node.GetFileSize());
  for (DataRun* run = runs != nullptr ? runs->GetFirst() : nullptr; run != nullptr && data.size() < size;
       run = runs->GetNext()) {
    const std::uint64_t want = std::min<std::uint64_t>(static_cast<std::uint64_t>(run->length) * sectorSize_,
                                                       size - data.size());
    const std::uint64_t offset =
        (static_cast<std::uint64_t>(container.StartSector()) + static_cast<std::uint64_t>(run->lcn)) * sectorSize_;
    const std::size_t at = data.size();
    data.resize(at + want);
    if (::pread(fd_, data.data() + at, want, static_cast<off_t>(offset)) != static_cast<ssize_t>(want)) return {};
  }
  return data;
}

}  // namespace quellsy::test
