#pragma once
// The public HFS+ images copied into one folder per test process and prepared by make-public-hfsplus.sh:
// <name>.img, <name>.fls and <name>.files/ for dfvfs, forensic-volume, forensic-nested and linux.

#include <filesystem>
#include <string>

#include "support/TempDir.h"

namespace quellsy::test {

class PublicHFSPlusImages {
 public:
  static PublicHFSPlusImages& Get();
  bool ok() const { return ok_; }
  const std::string& why() const { return why_; }
  std::filesystem::path operator/(const std::string& name) const { return dir_ / name; }

 private:
  PublicHFSPlusImages();

  TempDir dir_;
  bool ok_ = false;
  std::string why_;
};

}  // namespace quellsy::test
