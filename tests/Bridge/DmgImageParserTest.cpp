#include "Bridge/DmgImageParser.h"

#include <gtest/gtest.h>

#include <memory>

#include "support/PublicFixture.h"
#include "StorageDevice/StorageDeviceFactory.h"
#include "support/TempDir.h"
#include "UdifWriter.h"

namespace quellsy {
namespace {

using test::UdifOptions;
using test::UdifRun;

constexpr std::uint32_t kZero = 0, kRaw = 1, kIgnored = 2, kComment = 0x7FFFFFFE;
constexpr std::uint32_t kAdc = 0x80000004, kZlib = 0x80000005, kBzip2 = 0x80000006, kLzfse = 0x80000007;

struct ParseOutcome {
  int accepted;
  CDMGDeviceInfoStruct record;
  std::string reason;
};

ParseOutcome Parse(const std::filesystem::path& path) {
  ParseOutcome out{0, {}, {}};
  out.accepted = ParseDmgFile(path.string(), out.record, &out.reason);
  return out;
}

// Reads every sector of an accepted image through the DMG device, as a scan would.
std::vector<std::uint8_t> ReadAllSectors(const std::filesystem::path& path, const CDMGDeviceInfoStruct& record) {
  std::unique_ptr<IStorageDevice> device(CreateDmgDevice(path.c_str(), &record));
  if (!device) return {};
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(device->GetTotalSectors()) * 512);
  if (!bytes.empty() && !device->ReadSector(bytes.data(), 0, device->GetTotalSectors())) return {};
  return bytes;
}

struct UdifCase {
  const char* name;
  UdifOptions options;
  bool accepted;
  const char* reasonPart;  // a word the refusal names
};

void PrintTo(const UdifCase& c, std::ostream* os) { *os << c.name; }

class DmgUdifTest : public ::testing::TestWithParam<UdifCase> {};

TEST_P(DmgUdifTest, AcceptsOnlyImagesReadableFlat) {
  const auto& c = GetParam();
  test::TempDir dir;
  const auto image = test::WriteUdif(c.options);
  test::WriteFile(dir / "image.dmg", image.file);
  const auto out = Parse(dir / "image.dmg");
  ASSERT_EQ(out.accepted, c.accepted ? 1 : 0) << out.reason;
  if (!c.accepted) {
    EXPECT_NE(out.reason.find(c.reasonPart), std::string::npos) << out.reason;
    return;
  }
  EXPECT_EQ(out.record.fileSize, image.file.size());
  EXPECT_EQ(out.record.sectorCount, image.disk.size() / 512);
  // The round trip: what the device serves is exactly the disk the tables describe.
  EXPECT_EQ(ReadAllSectors(dir / "image.dmg", out.record), image.disk);
}

UdifOptions Tables(std::vector<std::vector<UdifRun>> tables, bool packed = false) {
  UdifOptions o;
  o.tables = std::move(tables);
  o.packed = packed;
  return o;
}

UdifOptions With(UdifOptions o, void (*change)(UdifOptions&)) {
  change(o);
  return o;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DmgUdifTest,
    ::testing::Values(
        UdifCase{"RawOnly", Tables({{{kRaw, 8}}}), true, ""},
        UdifCase{"RawZeroRawInPlace", Tables({{{kRaw, 4}, {kZero, 3}}, {{kRaw, 2}, {kIgnored, 1}, {kRaw, 1}}}), true, ""},
        UdifCase{"CommentChunk", Tables({{{kRaw, 2}, {kComment, 0}, {kRaw, 2}}}), true, ""},
        UdifCase{"EmptyBlkx", Tables({}), true, ""},
        UdifCase{"PackedZeroShiftsLaterSectors", Tables({{{kRaw, 4}, {kZero, 3}, {kRaw, 2}}}, true), false, "order"},
        UdifCase{"PackedZeroAtEnd", Tables({{{kRaw, 4}, {kZero, 3}}}, true), false, "sector count"},
        UdifCase{"ZlibInSecondTable", Tables({{{kRaw, 2}}, {{kRaw, 1}, {kZlib, 2}}}, true), false, "zlib"},
        UdifCase{"Adc", Tables({{{kAdc, 2}}}, true), false, "ADC"},
        UdifCase{"Bzip2", Tables({{{kBzip2, 2}}}, true), false, "bzip2"},
        UdifCase{"Lzfse", Tables({{{kLzfse, 2}}}, true), false, "LZFSE"},
        UdifCase{"EncryptedHead", With(Tables({{{kRaw, 2}}}), [](UdifOptions& o) { o.encryptedHead = true; }), false,
                 "encrypted"},
        UdifCase{"NoBlkx", With(Tables({{{kRaw, 2}}}), [](UdifOptions& o) { o.withoutBlkx = true; }), false,
                 "block list"},
        UdifCase{"XmlLengthPastEnd",
                 With(Tables({{{kRaw, 2}}}), [](UdifOptions& o) { o.xmlLength = 1ull << 40; }), false, "outside"},
        UdifCase{"XmlCutShort", With(Tables({{{kRaw, 2}}}), [](UdifOptions& o) { o.xmlLength = 40; }), false,
                 "block list"},
        UdifCase{"XmlLengthZero", With(Tables({{{kRaw, 2}}}), [](UdifOptions& o) { o.xmlLength = 0; }), false,
                 "outside"},
        UdifCase{"ChunkCountPastData",
                 With(Tables({{{kRaw, 2}}}), [](UdifOptions& o) { o.firstTableChunks = 0xFFFFFFFF; }), false,
                 "more chunks"}),
    [](const auto& param) { return std::string(param.param.name); });

struct RawCase {
  std::size_t size;
  int accepted;
  std::uint64_t sectors;  // whole 512-byte sectors: a partial tail cannot be read flat
};

void PrintTo(const RawCase& c, std::ostream* os) { *os << c.size << " bytes"; }

class DmgRawTest : public ::testing::TestWithParam<RawCase> {};

TEST_P(DmgRawTest, RawImagesCountWholeSectors) {
  const auto& c = GetParam();
  test::TempDir dir;
  const auto bytes = test::PatternBytes(c.size);
  test::WriteFile(dir / "raw.img", bytes);
  const auto out = Parse(dir / "raw.img");
  ASSERT_EQ(out.accepted, c.accepted) << out.reason;
  if (!c.accepted) return;
  EXPECT_EQ(out.record.sectorCount, c.sectors);
  EXPECT_EQ(out.record.fileSize, c.size);
  const auto read = ReadAllSectors(dir / "raw.img", out.record);
  EXPECT_EQ(read, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(c.sectors * 512)));
}

INSTANTIATE_TEST_SUITE_P(Sizes, DmgRawTest,
                         ::testing::Values(RawCase{0, 0, 0}, RawCase{100, 0, 0}, RawCase{512, 0, 0},
                                           RawCase{513, 1, 1}, RawCase{1000, 1, 1}, RawCase{4096, 1, 8}));

TEST(DmgImageParser, RealCompressedImageIsRefusedWithReason) {
  const auto path = test::PublicFixture("dfvfs/hfsplus_zlib.dmg");
  ASSERT_TRUE(std::filesystem::exists(path)) << path;
  const auto out = Parse(path);
  EXPECT_EQ(out.accepted, 0);
  EXPECT_EQ(out.reason, "the image holds chunks compressed with zlib");
  EXPECT_EQ(out.record.fileSize, std::filesystem::file_size(path));
}

TEST(DmgImageParser, MissingFileIsRefused) {
  test::TempDir dir;
  CDMGDeviceInfoStruct record;
  std::string reason;
  EXPECT_EQ(ParseDmgFile((dir / "absent.dmg").string(), record, &reason), 0);
  EXPECT_FALSE(reason.empty());
}

}  // namespace
}  // namespace quellsy
