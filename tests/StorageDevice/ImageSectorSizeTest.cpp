// The sector size an image file declares at its start, and the volume device that takes it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <memory>

#include "StorageDevice/DeviceDataHolder.h"
#include "StorageDevice/ImageSectorSize.h"
#include "StorageDevice/StorageDeviceFactory.h"
#include "Utility/ByteReader.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

constexpr std::size_t kImageBytes = 64 * 1024;

// A boot sector as mkfs.fat writes one: jump, OEM name, bytes per sector, signature.
void BootSector(std::vector<std::uint8_t>& image, std::uint16_t bytesPerSector) {
  FieldWriter w(image);
  w.u8(0, 0xEB);
  w.u8(1, 0x3C);
  w.u8(2, 0x90);
  w.le16(11, bytesPerSector);
  w.u8(510, 0x55);
  w.u8(511, 0xAA);
}

struct DeclaredCase {
  const char* name;
  std::function<void(std::vector<std::uint8_t>&)> build;
  std::optional<unsigned> declared;
};

void PrintTo(const DeclaredCase& c, std::ostream* os) { *os << c.name; }

class DeclaredSectorSizeTest : public ::testing::TestWithParam<DeclaredCase> {};

TEST_P(DeclaredSectorSizeTest, FromTheImagesStart) {
  TempDir dir;
  std::vector<std::uint8_t> image(kImageBytes, 0);
  GetParam().build(image);
  WriteFile(dir / "image", image);
  const int fd = open((dir / "image").c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(storage::DeclaredSectorSize(fd), GetParam().declared);
  close(fd);

  // The volume device over the file takes it, and counts its sectors in it.
  const std::unique_ptr<IStorageDevice> volume(CreateVolumeDevice((dir / "image").c_str()));
  ASSERT_TRUE(volume->Open(nullptr));
  const unsigned size = GetParam().declared.value_or(512);
  EXPECT_EQ(volume->GetSectorSize(), size);
  EXPECT_EQ(volume->GetTotalSectors(), static_cast<long long>(kImageBytes / size));
}

INSTANTIATE_TEST_SUITE_P(
    Starts, DeclaredSectorSizeTest,
    ::testing::Values(
        DeclaredCase{"FatOf4096", [](auto& i) { BootSector(i, 4096); }, 4096},
        DeclaredCase{"FatOf512", [](auto& i) { BootSector(i, 512); }, 512},
        DeclaredCase{"FatOf2048", [](auto& i) { BootSector(i, 2048); }, 2048},
        DeclaredCase{"OddSizeIgnored", [](auto& i) { BootSector(i, 3000); }, std::nullopt},
        DeclaredCase{"NoJumpIgnored",
                     [](auto& i) {
                       BootSector(i, 4096);
                       i[0] = 0xFA;
                     },
                     std::nullopt},
        DeclaredCase{"NoSignatureIgnored",
                     [](auto& i) {
                       BootSector(i, 4096);
                       i[510] = 0;
                     },
                     std::nullopt},
        DeclaredCase{"ExfatShiftOf12",
                     [](auto& i) {
                       BootSector(i, 0);
                       std::memcpy(i.data() + 3, "EXFAT   ", 8);
                       i[108] = 12;
                     },
                     4096},
        DeclaredCase{"GptHeaderInThe4096ByteSector",
                     [](auto& i) {
                       i[510] = 0x55;
                       i[511] = 0xAA;
                       std::memcpy(i.data() + 4096, "EFI PART", 8);
                     },
                     4096},
        DeclaredCase{"GptHeaderInThe512ByteSector", [](auto& i) { std::memcpy(i.data() + 512, "EFI PART", 8); }, 512},
        DeclaredCase{"Zeros", [](auto&) {}, std::nullopt}),
    [](const auto& p) { return std::string(p.param.name); });

// A record given to the device (engine-cli --sector-size) wins over what the image declares.
TEST(DeclaredSectorSize, AnAttachedRecordWins) {
  TempDir dir;
  std::vector<std::uint8_t> image(kImageBytes, 0);
  BootSector(image, 4096);
  WriteFile(dir / "image", image);
  const std::unique_ptr<IStorageDevice> volume(CreateVolumeDevice((dir / "image").c_str()));
  ASSERT_TRUE(volume->Open(nullptr));
  auto* record = new CCollectedVolumeDeviceInfoStruct;
  record->sectorSize = 512;
  record->totalSectors = kImageBytes / 512;
  volume->SetPrivateData(CreateVolumeDeviceData(record));
  EXPECT_EQ(volume->GetSectorSize(), 512u);
  EXPECT_EQ(volume->GetTotalSectors(), static_cast<long long>(kImageBytes / 512));
}

}  // namespace
}  // namespace quellsy::test
