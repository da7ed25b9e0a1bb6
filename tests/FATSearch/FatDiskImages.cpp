#include "FATSearch/FatDiskImages.h"

#include "support/FixtureScript.h"

namespace quellsy::test {

const FatDiskImages* FatDiskImages::Get() {
  static const FatDiskImages images;
  return &images;
}

FatDiskImages::FatDiskImages() : m_run(RunFixture("tests/FATSearch/make-fat-disk-images.sh", {m_dir.path().string()})) {}

FatDiskManifest FatDiskImages::Manifest(const std::string& name) const {
  FatDiskManifest manifest;
  ReadFixtureManifest(Image(name + ".manifest"), manifest.facts, [&](const std::vector<std::string>& fields) {
    if (fields.size() < 5) return;
    manifest.files.push_back({std::stoll(fields[0]), fields[1], std::stoull(fields[2]), fields[3],
                              static_cast<FatDiskFile::State>(std::stoi(fields[4]))});
  });
  return manifest;
}

}  // namespace quellsy::test
