#include "HFSPlusPublicImages.h"

#include <utility>

#include "support/FixtureScript.h"
#include "support/PublicFixture.h"

namespace quellsy::test {

PublicHFSPlusImages& PublicHFSPlusImages::Get() {
  static PublicHFSPlusImages images;
  return images;
}

PublicHFSPlusImages::PublicHFSPlusImages() {
  const std::pair<const char*, const char*> inputs[] = {
      {"dfvfs/hfsplus.raw", "dfvfs.img"},
      {"hfsplus-forensic/hfs_plus_volume.bin", "forensic-volume.img"},
      {"hfsplus-forensic/hfs_plus_nested.bin", "forensic-nested.img"},
      {"linux-made/hfsplus-deleted.img.xz", "linux.img.xz"},
      {"linux-made/hfsplus-deleted.manifest.tsv", "linux.manifest.tsv"}};
  for (const auto& [source, target] : inputs) {
    const auto path = PublicFixture(source);
    if (!std::filesystem::exists(path)) {
      why_ = std::string("public fixture missing: ") + source;
      return;
    }
    std::filesystem::copy_file(path, dir_ / target);
  }
  ok_ = RunFixtureScript("tests/HFSPlus/HFSPlusLib/make-public-hfsplus.sh", dir_.path(),
                         "xz, sleuthkit or python3 missing", why_);
}

}  // namespace quellsy::test
