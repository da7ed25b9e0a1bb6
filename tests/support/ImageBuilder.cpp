#include "support/ImageBuilder.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "support/Sha256.h"
#include "support/TempDir.h"

namespace quellsy::test {

ImageBuilder::ImageBuilder(long long sectors, unsigned sectorSize, ImageFill fill, std::uint32_t seed)
    : sectorSize_(sectorSize), seed_(seed) {
  if (sectors <= 0 || sectorSize == 0) throw std::invalid_argument("empty image");
  bytes_.resize(static_cast<std::size_t>(sectors) * sectorSize);
  FillBytes(0, bytes_.size(), fill);
}

void ImageBuilder::FillBytes(std::size_t offset, std::size_t count, ImageFill fill) {
  if (fill == ImageFill::kZero) {
    std::fill_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), count, std::uint8_t{0});
    return;
  }
  // Seeded by position, so the same sector always gets the same junk however it was filled.
  for (std::size_t done = 0; done < count;) {
    const std::size_t sector = (offset + done) / sectorSize_;
    const std::size_t within = (offset + done) % sectorSize_;
    const std::size_t take = std::min<std::size_t>(count - done, sectorSize_ - within);
    const auto junk = PatternBytes(sectorSize_, seed_ * 7919u + static_cast<std::uint32_t>(sector));
    std::copy_n(junk.begin() + static_cast<std::ptrdiff_t>(within), take,
                bytes_.begin() + static_cast<std::ptrdiff_t>(offset + done));
    done += take;
  }
}

ImageBuilder& ImageBuilder::Fill(long long first, long long count, ImageFill fill) {
  if (first < 0 || count < 0 || first > sectors() || count > sectors() - first)
    throw std::out_of_range("fill past the image");
  FillBytes(static_cast<std::size_t>(first) * sectorSize_, static_cast<std::size_t>(count) * sectorSize_, fill);
  return *this;
}

ImageBuilder& ImageBuilder::Place(std::string path, long long sector, std::span<const std::uint8_t> blob,
                                  ImageFill slack, bool deleted) {
  const std::size_t span = (blob.size() + sectorSize_ - 1) / sectorSize_;
  if (sector < 0 || sector > sectors() || span > static_cast<std::size_t>(sectors() - sector))
    throw std::out_of_range(path + " runs past the image");
  for (const auto& other : manifest_) {
    const long long otherEnd = other.sector + static_cast<long long>((other.size + sectorSize_ - 1) / sectorSize_);
    if (sector < otherEnd && other.sector < sector + static_cast<long long>(span))
      throw std::logic_error(path + " overlaps " + other.path);
  }
  const std::size_t offset = static_cast<std::size_t>(sector) * sectorSize_;
  std::copy(blob.begin(), blob.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
  FillBytes(offset + blob.size(), span * sectorSize_ - blob.size(), slack);
  manifest_.push_back({std::move(path), blob.size(), Sha256Hex(blob), deleted, sector});
  return *this;
}

std::span<const std::uint8_t> ImageBuilder::Placed(const std::string& path) const {
  for (const auto& entry : manifest_)
    if (entry.path == path)
      return std::span<const std::uint8_t>(bytes_).subspan(static_cast<std::size_t>(entry.sector) * sectorSize_,
                                                           entry.size);
  throw std::out_of_range("nothing placed as " + path);
}

std::unique_ptr<MemoryDevice> ImageBuilder::MakeDevice() const {
  return std::make_unique<MemoryDevice>(bytes_, sectorSize_);
}

std::filesystem::path ImageBuilder::ManifestPathFor(const std::filesystem::path& image) {
  return image.string() + ".manifest";
}

void ImageBuilder::Write(const std::filesystem::path& image) const {
  WriteFile(image, bytes_);
  std::ofstream out(ManifestPathFor(image), std::ios::trunc);
  out << "# path\tsize\tsha256\tdeleted\tsector\n";
  for (const auto& e : manifest_)
    out << e.path << '\t' << e.size << '\t' << e.sha256 << '\t' << (e.deleted ? 1 : 0) << '\t' << e.sector << '\n';
  if (!out) throw std::runtime_error("cannot write the manifest of " + image.string());
}

std::vector<ImageManifestEntry> ImageBuilder::ReadManifest(const std::filesystem::path& manifest) {
  std::ifstream in(manifest);
  if (!in) throw std::runtime_error("cannot read " + manifest.string());
  std::vector<ImageManifestEntry> entries;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    ImageManifestEntry e;
    int deleted = 0;
    std::getline(fields, e.path, '\t');
    fields >> e.size >> e.sha256 >> deleted >> e.sector;
    if (!fields) throw std::runtime_error("bad manifest line: " + line);
    e.deleted = deleted != 0;
    entries.push_back(std::move(e));
  }
  return entries;
}

}  // namespace quellsy::test
