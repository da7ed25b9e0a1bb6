#include "Platform/BlkidProbe.h"

#include <gtest/gtest.h>

#include "PartitionTableAnalyze/PartitionImages.h"

namespace quellsy::platform {
namespace {

// libblkid tells a partition table from a file system on the whole disk, whose boot sector also
// ends in 0x55 0xAA.
TEST(BlkidProbe, TablesAndLabelsOfImages) {
  const auto& images = test::PartitionImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images.Fixture());
  const std::vector<std::tuple<std::string, std::optional<std::string>, std::optional<std::string>>> cases = {
      {"gpt.img", "gpt", std::nullopt},
      {"mbr.img", "dos", std::nullopt},
      {"mbr4k.img", "dos", std::nullopt},
      {"apm.img", "mac", std::nullopt},
      {"whole.img", std::nullopt, "WHOLEDISK"},
  };
  for (const auto& [image, table, label] : cases) {
    const std::string path = images.Image(image).string();
    EXPECT_EQ(ProbePartitionTableType(path), table) << image;
    EXPECT_EQ(ProbeFilesystemLabel(path), label) << image;
  }
  EXPECT_EQ(ProbeFilesystemLabel("/nonexistent"), std::nullopt);
  EXPECT_EQ(ProbePartitionTableType("/nonexistent"), std::nullopt);
}

}  // namespace
}  // namespace quellsy::platform
