#include "support/hfsplus/SparseImage.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace quellsy::test {

void SparseImage::Write(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  if (offset > size_ || size_ - offset < bytes.size()) throw std::out_of_range("write past the image's end");
  std::uint64_t done = 0;
  while (done < bytes.size()) {
    const std::uint64_t at = offset + done;
    const std::uint64_t within = at % kPage;
    const std::uint64_t piece = std::min<std::uint64_t>(kPage - within, bytes.size() - done);
    const auto source = bytes.subspan(done, piece);
    done += piece;
    // Zeros over a page never written need no page: that keeps large empty files cheap.
    const bool zeros = std::all_of(source.begin(), source.end(), [](std::uint8_t b) { return b == 0; });
    if (zeros && !pages_.contains(at / kPage)) continue;
    auto& page = pages_[at / kPage];
    if (page.empty()) page.assign(kPage, 0);
    std::memcpy(page.data() + within, source.data(), piece);
  }
}

void SparseImage::Read(std::uint64_t offset, std::uint8_t* out, std::uint64_t length) const {
  std::uint64_t done = 0;
  while (done < length) {
    const std::uint64_t at = offset + done;
    const std::uint64_t within = at % kPage;
    const std::uint64_t piece = std::min<std::uint64_t>(kPage - within, length - done);
    const auto page = pages_.find(at / kPage);
    if (page == pages_.end() || at >= size_) {
      std::memset(out + done, 0, piece);
    } else {
      std::memcpy(out + done, page->second.data() + within, piece);
    }
    done += piece;
  }
}

std::vector<std::uint8_t> SparseImage::Read(std::uint64_t offset, std::uint64_t length) const {
  std::vector<std::uint8_t> bytes(length);
  Read(offset, bytes.data(), length);
  return bytes;
}

void SparseImage::WriteFile(const std::filesystem::path& path) const {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) throw std::runtime_error("cannot create " + path.string());
  bool ok = ::ftruncate(fd, static_cast<off_t>(size_)) == 0;
  for (const auto& [index, page] : pages_) {
    const std::uint64_t at = index * kPage;
    const std::uint64_t length = std::min<std::uint64_t>(kPage, size_ - at);
    ok = ok && ::pwrite(fd, page.data(), length, static_cast<off_t>(at)) == static_cast<ssize_t>(length);
  }
  ::close(fd);
  if (!ok) throw std::runtime_error("cannot write " + path.string());
}

SparseDevice::SparseDevice(std::shared_ptr<const SparseImage> image, unsigned reportedSectorSize)
    : image_(std::move(image)), reported_(reportedSectorSize), sectorSize_(reportedSectorSize == 0 ? 512 : reportedSectorSize) {}

bool SparseDevice::ReadSector(void* buffer, long long first, long long count) {
  if (buffer == nullptr || first < 0 || count < 0 || first + count > GetTotalSectors()) return false;
  image_->Read(static_cast<std::uint64_t>(first) * sectorSize_, static_cast<std::uint8_t*>(buffer),
               static_cast<std::uint64_t>(count) * sectorSize_);
  sectorsRead_ += count;
  return true;
}

}  // namespace quellsy::test
