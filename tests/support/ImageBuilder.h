#pragma once
// Builds a test image sector by sector: zero or junk fill, blobs (sample files) placed at chosen
// sectors, and a manifest of what was placed where (path, size, SHA-256, deleted, sector), written
// beside the image so a test and a person can check what a scan should find.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "support/MemoryDevice.h"

namespace quellsy::test {

enum class ImageFill { kZero, kJunk };

struct ImageManifestEntry {
  std::string path;
  std::uint64_t size = 0;
  std::string sha256;
  bool deleted = false;
  long long sector = 0;

  bool operator==(const ImageManifestEntry&) const = default;
};

class ImageBuilder {
 public:
  // Junk is pseudo-random bytes from `seed`, different in every sector.
  ImageBuilder(long long sectors, unsigned sectorSize = 512, ImageFill fill = ImageFill::kZero, std::uint32_t seed = 7);

  // Refills sectors [first, first + count), placed blobs included.
  ImageBuilder& Fill(long long first, long long count, ImageFill fill);
  // Places blob at `sector`; the rest of its last sector gets `slack` fill. Throws when the blob
  // overlaps another or runs past the image's end.
  ImageBuilder& Place(std::string path, long long sector, std::span<const std::uint8_t> blob,
                      ImageFill slack = ImageFill::kZero, bool deleted = false);

  unsigned sectorSize() const { return sectorSize_; }
  long long sectors() const { return static_cast<long long>(bytes_.size() / sectorSize_); }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  const std::vector<ImageManifestEntry>& manifest() const { return manifest_; }
  // The bytes placed under `path` (throws when there is none).
  std::span<const std::uint8_t> Placed(const std::string& path) const;

  // An in-memory device holding a copy of the image.
  std::unique_ptr<MemoryDevice> MakeDevice() const;
  // Writes the image and "<image>.manifest" beside it.
  void Write(const std::filesystem::path& image) const;

  static std::filesystem::path ManifestPathFor(const std::filesystem::path& image);
  static std::vector<ImageManifestEntry> ReadManifest(const std::filesystem::path& manifest);

 private:
  void FillBytes(std::size_t offset, std::size_t count, ImageFill fill);

  std::vector<std::uint8_t> bytes_;
  unsigned sectorSize_;
  std::uint32_t seed_;
  std::vector<ImageManifestEntry> manifest_;
};

}  // namespace quellsy::test
