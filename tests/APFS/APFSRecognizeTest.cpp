// The APFS probe on containers made by mkapfs at test time, and on copies of them with one field changed.

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>
#include <memory>

#include "APFS/APFSRecognize.h"
#include "Engines/BuiltInEngines.h"
#include "Utility/ByteReader.h"
#include "include/EngineRegistry.h"
#include "support/FixtureScript.h"
#include "support/MemoryDevice.h"
#include "support/TempDir.h"

namespace {

using quellsy::test::MemoryDevice;

constexpr char kLabel[] = "Quellsy Test Label";

class APFSRecognizeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QUELLSY_REQUIRE_FIXTURE(quellsy::test::RunFixture("tests/APFS/make-apfs-images.sh", {dir_.path().string(), kLabel}));
    image_ = quellsy::test::ReadFile(dir_ / "empty.img");
    std::map<std::string, std::string> facts;
    quellsy::test::ReadFixtureManifest(dir_ / "empty.img.manifest", facts, [](const std::vector<std::string>&) {});
    ASSERT_EQ(image_.size(), std::stoull(facts.at("size")));
    ASSERT_EQ(facts.at("label"), kLabel);
  }

  // Block `n` of the image, read through the container's own links: superblock, object map, its root node.
  std::size_t BlockOffset(std::uint64_t n) const { return static_cast<std::size_t>(n) * 4096; }
  std::size_t ObjectMapRoot() const {
    const std::uint64_t map = *quellsy::le64(image_, 160);
    return BlockOffset(*quellsy::le64(image_, BlockOffset(map) + 48));
  }

  std::string Label(IVolumeAnalyze& probe, int size = 64) {
    std::array<char, 64> buffer{};
    probe.GetLabel(buffer.data(), size);
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
  }

  quellsy::test::TempDir dir_;
  std::vector<std::uint8_t> image_;
};

TEST_F(APFSRecognizeTest, MkapfsContainerIsRecognisedWithTotalAndLabel) {
  for (const unsigned sectorSize : {512u, 4096u, 8192u}) {
    SCOPED_TRACE(sectorSize);
    MemoryDevice device(image_, sectorSize);
    std::unique_ptr<IVolumeAnalyze> probe(CreateAPFSVolumeAnalyze(&device, 0));
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(probe->GetFileSystemType(), FILE_SYSTEM_APFS);
    EXPECT_EQ(probe->GetTotalSector(), image_.size() / sectorSize);
    EXPECT_EQ(Label(*probe), kLabel);
  }
}

TEST_F(APFSRecognizeTest, LabelHonoursTheCallersSize) {
  MemoryDevice device(image_, 512);
  std::unique_ptr<IVolumeAnalyze> probe(CreateAPFSVolumeAnalyze(&device, 0));
  ASSERT_NE(probe, nullptr);
  std::array<char, 16> buffer;
  buffer.fill('#');
  buffer[0] = '\0';  // a label already present stops the look-up
  probe->GetLabel(buffer.data(), 7);
  EXPECT_EQ(std::string(buffer.data(), 8), std::string(kLabel, 7) + "#");
}

struct Damage {
  const char* what;
  std::size_t offset;
  std::uint32_t value;
  int width;
};

class RefusedSuperblock : public APFSRecognizeTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(RefusedSuperblock, IsNotRecognised) {
  quellsy::FieldWriter w(image_);
  if (GetParam().width == 2)
    w.le16(GetParam().offset, static_cast<std::uint16_t>(GetParam().value));
  else
    w.le32(GetParam().offset, GetParam().value);
  MemoryDevice device(image_, 512);
  EXPECT_EQ(CreateAPFSVolumeAnalyze(&device, 0), nullptr) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Fields, RefusedSuperblock,
                         ::testing::Values(Damage{"type 0", 24, 0, 2}, Damage{"type 32", 24, 32, 2},
                                           Damage{"subtype 32", 28, 32, 2}, Damage{"block size 8192", 36, 8192, 4},
                                           Damage{"magic", 32, 0x4253584F, 4}));

TEST_F(APFSRecognizeTest, ValueOffsetPastTheFirstMappingGivesNoLabel) {
  const std::size_t root = ObjectMapRoot();
  const std::uint16_t v = *quellsy::le16(image_, root + 58);
  // The volume address is read at 4064 - v: an offset past 4064 would point before the block.
  for (const std::uint16_t bad : {std::uint16_t{4065}, std::uint16_t{0}}) {
    quellsy::FieldWriter(image_).le16(root + 58, bad);
    MemoryDevice device(image_, 512);
    std::unique_ptr<IVolumeAnalyze> probe(CreateAPFSVolumeAnalyze(&device, 0));
    ASSERT_NE(probe, nullptr);
    std::array<char, 40> buffer;
    buffer.fill('#');
    buffer[0] = '\0';
    probe->GetLabel(buffer.data(), 40);
    EXPECT_EQ(std::string(buffer.data(), 3), std::string("\0##", 3)) << bad;
  }
  quellsy::FieldWriter(image_).le16(root + 58, v);
}

TEST_F(APFSRecognizeTest, FirstMappingThatIsNoVolumeGivesNoLabel) {
  const std::size_t root = ObjectMapRoot();
  const std::uint16_t v = *quellsy::le16(image_, root + 58);
  const std::uint64_t volume = *quellsy::le64(image_, root + 4064 - v);
  quellsy::FieldWriter(image_).le32(BlockOffset(volume) + 32, 0);  // "APSB" gone
  MemoryDevice device(image_, 512);
  std::unique_ptr<IVolumeAnalyze> probe(CreateAPFSVolumeAnalyze(&device, 0));
  ASSERT_NE(probe, nullptr);
  EXPECT_EQ(Label(*probe), "");
}

// A device that claims a million sectors while holding only the first few thousand.
class MillionSectorDevice : public MemoryDevice {
 public:
  using MemoryDevice::MemoryDevice;
  long long GetTotalSectors() override { return 1000000; }
};

TEST_F(APFSRecognizeTest, TotalCountsFromTheStartSectorToTheDeviceEnd) {
  MillionSectorDevice device(4096, 512);
  device.Put(2048 * 512, std::vector<std::uint8_t>(image_.begin(), image_.begin() + 4096));
  std::unique_ptr<IVolumeAnalyze> probe(CreateAPFSVolumeAnalyze(&device, 2048));
  ASSERT_NE(probe, nullptr);
  EXPECT_EQ(probe->GetTotalSector(), 1000000u - 2048u);
}

TEST_F(APFSRecognizeTest, RegisteredProbeAnswersThroughTheRegistry) {
  quellsy::EngineRegistry::Instance().Reset();
  RegisterBuiltInEngines();
  MemoryDevice device(image_, 512);
  int recognised = 0;
  for (const auto& factory : quellsy::EngineRegistry::Instance().VolumeAnalyzersInProbeOrder()) {
    std::unique_ptr<IVolumeAnalyze> probe(factory(&device, 0));
    if (probe != nullptr && probe->GetFileSystemType() != FILE_SYSTEM_UNKNOWN) {
      EXPECT_EQ(probe->GetFileSystemType(), FILE_SYSTEM_APFS);
      ++recognised;
    }
  }
  EXPECT_EQ(recognised, 1);
  // The quick scan refuses APFS volumes as an unsupported file system: no quick searcher is offered.
  EXPECT_EQ(quellsy::EngineRegistry::Instance().CreateQuickSearcher(FILE_SYSTEM_APFS), nullptr);
  quellsy::EngineRegistry::Instance().Reset();
}

}  // namespace
