#include "FATSearch/FatDiskImages.h"

#include <fstream>
#include <sstream>

#include "support/FixtureScript.h"

namespace quellsy::test {

const FatDiskImages* FatDiskImages::Get() {
  static const FatDiskImages images;
  return &images;
}

FatDiskImages::FatDiskImages() {
  m_available = RunFixtureScript("tests/FATSearch/make-fat-disk-images.sh", m_dir.path(),
                                 "fdisk, dosfstools or mtools missing: FAT disk images not made", m_why);
}

FatDiskManifest FatDiskImages::Manifest(const std::string& name) const {
  FatDiskManifest manifest;
  std::ifstream in(Image(name + ".manifest"));
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("# ", 0) == 0) {
      const std::size_t equals = line.find('=');
      if (equals != std::string::npos) manifest.facts[line.substr(2, equals - 2)] = line.substr(equals + 1);
      continue;
    }
    std::istringstream fields(line);
    FatDiskFile file;
    std::string start;
    std::string size;
    std::string state;
    if (std::getline(fields, start, '\t') && std::getline(fields, file.path, '\t') &&
        std::getline(fields, size, '\t') && std::getline(fields, file.sha256, '\t') &&
        std::getline(fields, state, '\t')) {
      file.partitionStart = std::stoll(start);
      file.size = std::stoull(size);
      file.state = static_cast<FatDiskFile::State>(std::stoi(state));
      manifest.files.push_back(file);
    }
  }
  return manifest;
}

}  // namespace quellsy::test
