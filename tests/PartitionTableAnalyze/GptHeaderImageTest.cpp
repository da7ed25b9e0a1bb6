// GPT disks written by sgdisk and fdisk whose layout only the header tells: a moved entry array,
// 4096-byte sectors, a damaged or stale primary table, and both tables damaged.

#include <gtest/gtest.h>

#include <memory>

#include "PartitionTableAnalyze/IPartitionTableAnalyze.h"
#include "PartitionTableAnalyze/PartitionImages.h"
#include "support/FixtureScript.h"

namespace quellsy::test {
namespace {

class GptImages {
 public:
  static const GptImages& Get() {
    static const GptImages images;
    return images;
  }
  bool Made() const { return made_; }
  const std::string& Why() const { return why_; }
  std::filesystem::path Image(const std::string& name) const { return dir_.path() / name; }
  std::vector<LayoutEntry> Layout(const std::string& name) const { return ReadLayout(Image(name + ".layout")); }

 private:
  GptImages() {
    made_ = RunFixtureScript("tests/PartitionTableAnalyze/make-gpt-images.sh", dir_.path(),
                             "sgdisk or fdisk missing: GPT images not made", why_);
  }

  TempDir dir_;
  bool made_ = false;
  std::string why_;
};

struct GptCase {
  std::string image;
  unsigned sectorSize;
  enumDiskPartitionScheme scheme;
};

void PrintTo(const GptCase& c, std::ostream* os) { *os << c.image; }

class GptHeaderImage : public ::testing::TestWithParam<GptCase> {};

TEST_P(GptHeaderImage, ListsThePartitionsTheValidTableHolds) {
  const auto& images = GptImages::Get();
  ASSERT_TRUE(images.Made()) << images.Why();
  auto disk = OpenImageDisk(images.Image(GetParam().image), GetParam().sectorSize);
  ASSERT_NE(disk, nullptr);
  std::unique_ptr<IPartitionTableAnalyze> analyzer(CreatePartitionTableAnalyze());
  enumDiskPartitionScheme scheme = DISK_PARTITION_SCHEME_NONE;
  ASSERT_EQ(analyzer->GetDiskType(disk.get(), scheme), kResultOk);
  EXPECT_EQ(scheme, GetParam().scheme);
  std::list<PartitionEntry> entries;
  ASSERT_EQ(analyzer->AnalyzePartitionTable(disk.get(), entries), kResultOk);
  EXPECT_EQ(LayoutOf(entries), images.Layout(GetParam().image));
}

INSTANTIATE_TEST_SUITE_P(Tools, GptHeaderImage,
                         ::testing::Values(GptCase{"moved.img", 512, DISK_PARTITION_SCHEME_GPT},
                                           GptCase{"gpt4k.img", 4096, DISK_PARTITION_SCHEME_GPT},
                                           GptCase{"noprimary.img", 512, DISK_PARTITION_SCHEME_GPT},
                                           GptCase{"stale.img", 512, DISK_PARTITION_SCHEME_GPT},
                                           GptCase{"nogpt.img", 512, DISK_PARTITION_SCHEME_NONE}),
                         [](const auto& p) {
                           std::string name = p.param.image;
                           name.resize(name.find('.'));
                           return name;
                         });

}  // namespace
}  // namespace quellsy::test
