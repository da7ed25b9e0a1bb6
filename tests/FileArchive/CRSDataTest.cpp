#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "FileArchive/CCRC.h"
#include "FileArchive/CRSData.h"
#include "support/TempDir.h"

namespace {

using quellsy::test::ReadFile;
using quellsy::test::TempDir;
using quellsy::test::WriteFile;

constexpr tagGUIDSIGN kFirst{{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}};
constexpr tagGUIDSIGN kSecond{{16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}};
constexpr tagGUIDSIGN kAbsent{{0xAA}};

// The error code a call throws; 0 when it throws nothing.
template <typename Call>
std::uint32_t ErrorOf(Call call) {
  try {
    call();
  } catch (const CRSException& error) {
    return error.GetErrorcode();
  }
  return 0;
}

void WriteArchive(const std::string& path, const std::vector<std::pair<tagGUIDSIGN, std::string>>& frames,
                  std::uint32_t status = FILE_STATUS_SAVED) {
  CRSData archive(RS_MODE_WRITE);
  ASSERT_TRUE(archive.StartRS(path.c_str(), 1));
  FILEHEADER header;
  header.status = status;
  ASSERT_TRUE(archive.WriteFileHeader(header));
  for (const auto& [guid, payload] : frames) {
    archive.OpenFrame(guid);
    archive.WriteCurFrame(payload.data(), static_cast<std::uint32_t>(payload.size()));
    archive.CloseFrame();
  }
  archive.EndRS();
}

std::string ReadFrame(CRSData& archive, const tagGUIDSIGN& guid) {
  archive.OpenFrame(guid);
  std::string payload(archive.GetFrameSize(), '\0');
  archive.ReadCurFrame(payload.data(), static_cast<std::uint32_t>(payload.size()));
  archive.CloseFrame();
  return payload;
}

// CRC-16/UMTS check value from the published catalogue of parametrised CRCs.
TEST(CCRCTest, Crc16OfTheCheckStringIsTheCataloguedValue) {
  EXPECT_EQ(CCRC::RunCRC16("123456789", 9, 0x8005), 0xFEE8);
  EXPECT_EQ(CCRC::RunCRC16("", 0, 0x8005), 0);
}

TEST(CRSDataTest, HeaderIsStoredAtItsOffsetsWithItsChecksum) {
  TempDir dir;
  const std::string path = dir / "a.rsf";
  WriteArchive(path, {});
  const std::vector<std::uint8_t> bytes = ReadFile(path);
  ASSERT_EQ(bytes.size(), 132u);
  const std::uint8_t signature[] = {0xEA, 0xF4, 0xB3, 0x1C, 0x05, 0x43, 0xB6, 0x4A,
                                    0xB4, 0xB8, 0x24, 0x4A, 0x33, 0xD9, 0x13, 0xBB};
  EXPECT_EQ(std::memcmp(bytes.data(), signature, 16), 0);
  EXPECT_EQ(bytes[16] | bytes[17] << 8, 5800);  // version
  EXPECT_EQ(bytes[24], 1);                      // status
  std::vector<std::uint8_t> zeroed = bytes;
  std::memset(zeroed.data() + 20, 0, 4);
  const std::uint16_t crc = CCRC::RunCRC16(zeroed.data(), zeroed.size(), 0x8005);
  EXPECT_EQ(bytes[20] | bytes[21] << 8, crc);
  EXPECT_EQ(bytes[22] | bytes[23], 0);

  CRSData archive(RS_MODE_READ);
  ASSERT_TRUE(archive.StartRS(path.c_str(), 0));
  EXPECT_TRUE(archive.CheckFile());
  FILEHEADER header;
  EXPECT_TRUE(archive.ReadFileHeader(header));
  EXPECT_EQ(archive.GetStatus(), FILE_STATUS_SAVED);
}

TEST(CRSDataTest, FileIsPrivateToItsOwner) {
  TempDir dir;
  const std::string path = dir / "a.rsf";
  WriteArchive(path, {{kFirst, "x"}});
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

struct HeaderCase {
  const char* name;
  std::size_t offset;  // byte changed in a valid header
  std::uint8_t value;
  bool fixChecksum;    // recompute the checksum after the change
  bool checkFile;
  bool readHeader;
  std::uint32_t statusError;  // what GetStatus throws (0: none)
};

class CRSDataHeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(CRSDataHeaderTest, RefusesWhatIsOutOfRange) {
  const HeaderCase& c = GetParam();
  TempDir dir;
  const std::string path = dir / "h.rsf";
  WriteArchive(path, {});
  std::vector<std::uint8_t> bytes = ReadFile(path);
  bytes[c.offset] = c.value;
  if (c.fixChecksum) {
    std::memset(bytes.data() + 20, 0, 4);
    const std::uint16_t crc = CCRC::RunCRC16(bytes.data(), 132, 0x8005);
    bytes[20] = static_cast<std::uint8_t>(crc);
    bytes[21] = static_cast<std::uint8_t>(crc >> 8);
  }
  WriteFile(path, bytes);
  CRSData archive(RS_MODE_READ);
  ASSERT_TRUE(archive.StartRS(path.c_str(), 0));
  EXPECT_EQ(archive.CheckFile(), c.checkFile);
  FILEHEADER header;
  EXPECT_EQ(archive.ReadFileHeader(header), c.readHeader);
  EXPECT_EQ(ErrorOf([&] { archive.GetStatus(); }), c.statusError);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CRSDataHeaderTest,
    ::testing::Values(HeaderCase{"status0", 24, 0, true, false, true, 0},
                      HeaderCase{"status5", 24, 5, true, false, true, CRSException::kHeaderOutOfRange},
                      HeaderCase{"status4", 24, 4, true, true, true, 0},
                      HeaderCase{"wrongChecksum", 40, 0x41, false, true, false, 0},
                      HeaderCase{"wrongVersion", 16, 0x00, true, true, false, 0},
                      HeaderCase{"wrongSignature", 0, 0x00, true, false, true, 0}),
    [](const ::testing::TestParamInfo<HeaderCase>& param) { return std::string(param.param.name); });

TEST(CRSDataTest, DescriptionIsCutToItsCapacity) {
  TempDir dir;
  const std::string path = dir / "d.rsf";
  WriteArchive(path, {});
  {
    CRSData archive(RS_MODE_WRITE);
    ASSERT_TRUE(archive.StartRS(path.c_str(), 0));
    EXPECT_TRUE(archive.SetFileDescription(std::string(150, 'd').c_str()));
  }
  CRSData archive(RS_MODE_READ);
  ASSERT_TRUE(archive.StartRS(path.c_str(), 0));
  char whole[200] = {};
  ASSERT_TRUE(archive.GetFileDescription(whole, sizeof whole));
  EXPECT_EQ(std::string(whole), std::string(100, 'd'));
  char small[10];
  ASSERT_TRUE(archive.GetFileDescription(small, sizeof small));
  EXPECT_EQ(std::string(small), std::string(9, 'd'));
}

TEST(CRSDataTest, FramesAreFoundInAnyOrderAndTheFirstOfAGuidWins) {
  TempDir dir;
  const std::string path = dir / "f.rsf";
  WriteArchive(path, {{kFirst, "first frame"}, {kSecond, "second"}, {kFirst, "shadowed"}});
  CRSData archive(RS_MODE_READ);
  ASSERT_TRUE(archive.StartRS(path.c_str(), 0));
  EXPECT_EQ(ReadFrame(archive, kSecond), "second");
  EXPECT_EQ(ReadFrame(archive, kFirst), "first frame");
  EXPECT_EQ(ErrorOf([&] { archive.OpenFrame(kAbsent); }), CRSException::kFrameNotFound);
  EXPECT_EQ(ErrorOf([&] { archive.GetFrameSize(); }), CRSException::kNoFrame);
  char byte = 0;
  EXPECT_EQ(ErrorOf([&] { archive.ReadCurFrame(&byte, 1); }), CRSException::kNoFrame);
  // The archive is still usable after the errors.
  EXPECT_EQ(ReadFrame(archive, kSecond), "second");
}

TEST(CRSDataTest, ReadsStopAtTheFrameEndAndAFrameCutShortIsAnError) {
  TempDir dir;
  const std::string path = dir / "r.rsf";
  WriteArchive(path, {{kFirst, "abcdef"}, {kSecond, std::string(1000, 's')}});
  {
    CRSData archive(RS_MODE_READ);
    ASSERT_TRUE(archive.StartRS(path.c_str(), 0));
    archive.OpenFrame(kFirst);
    char buffer[64] = {};
    std::uint32_t got = 0;
    archive.ReadCurFrame(buffer, 4, &got);
    EXPECT_EQ(got, 4u);
    archive.ReadCurFrame(buffer, sizeof buffer, &got);
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(std::string(buffer, 2), "ef");
  }
  std::vector<std::uint8_t> bytes = ReadFile(path);
  bytes.resize(bytes.size() - 500);
  WriteFile(path, bytes);
  CRSData archive(RS_MODE_READ);
  ASSERT_TRUE(archive.StartRS(path.c_str(), 0));
  archive.OpenFrame(kSecond);
  std::string payload(1000, '\0');
  EXPECT_EQ(ErrorOf([&] { archive.ReadCurFrame(payload.data(), 1000); }), CRSException::kShortRead);
}

TEST(CRSDataTest, ModesAreKeptApart) {
  TempDir dir;
  const std::string path = dir / "m.rsf";
  WriteArchive(path, {{kFirst, "x"}});
  CRSData reader(RS_MODE_READ);
  ASSERT_TRUE(reader.StartRS(path.c_str(), 0));
  EXPECT_EQ(ErrorOf([&] { reader.SetStatus(FILE_STATUS_SAVED); }), CRSException::kWrongMode);
  reader.OpenFrame(kFirst);
  EXPECT_EQ(ErrorOf([&] { reader.WriteCurFrame("y", 1); }), CRSException::kWrongMode);
  CRSData writer(RS_MODE_WRITE);
  ASSERT_TRUE(writer.StartRS(path.c_str(), 0));
  EXPECT_EQ(ErrorOf([&] { writer.GetStatus(); }), CRSException::kWrongMode);
  EXPECT_FALSE(writer.StartRS("", 0));
}

TEST(CRSDataTest, LargePayloadsCrossTheBufferIntact) {
  TempDir dir;
  const std::string path = dir / "big.rsf";
  const std::vector<std::uint8_t> pattern = quellsy::test::PatternBytes(3 * CRSData::kBufferSize + 123);
  {
    CRSData archive(RS_MODE_WRITE);
    ASSERT_TRUE(archive.StartRS(path.c_str(), 1));
    ASSERT_TRUE(archive.WriteFileHeader(FILEHEADER{}));
    archive.OpenFrame(kFirst);
    // Written in uneven pieces, so pieces straddle the buffer's edge.
    for (std::size_t at = 0; at < pattern.size(); at += 70001) {
      const auto piece = static_cast<std::uint32_t>(std::min<std::size_t>(70001, pattern.size() - at));
      archive.WriteCurFrame(pattern.data() + at, piece);
    }
    archive.CloseFrame();
    archive.OpenFrame(kSecond);
    archive.WriteCurFrame("tail", 4);
    archive.CloseFrame();
  }
  EXPECT_EQ(ReadFile(path).size(), 132 + 36 + pattern.size() + 36 + 4);
  CRSData archive(RS_MODE_READ);
  ASSERT_TRUE(archive.StartRS(path.c_str(), 0));
  archive.OpenFrame(kFirst);
  ASSERT_EQ(archive.GetFrameSize(), pattern.size());
  std::vector<std::uint8_t> back(pattern.size());
  for (std::size_t at = 0; at < back.size(); at += 99991) {
    const auto piece = static_cast<std::uint32_t>(std::min<std::size_t>(99991, back.size() - at));
    archive.ReadCurFrame(back.data() + at, piece);
  }
  EXPECT_EQ(back, pattern);
  EXPECT_EQ(ReadFrame(archive, kSecond), "tail");
}

TEST(CRSDataTest, AWriteThatWouldPass4GiBIsRefusedBeforeWriting) {
  TempDir dir;
  const std::string path = dir / "limit.rsf";
  CRSData archive(RS_MODE_WRITE);
  ASSERT_TRUE(archive.StartRS(path.c_str(), 1));
  ASSERT_TRUE(archive.WriteFileHeader(FILEHEADER{}));
  archive.OpenFrame(kFirst);
  archive.WriteCurFrame("abc", 3);
  // The length alone is checked: no 4 GiB buffer is needed to see the refusal.
  const char byte = 0;
  EXPECT_EQ(ErrorOf([&] { archive.WriteCurFrame(&byte, 0xFFFFFFFFu - 132 - 36 - 2); }), CRSException::kTooLarge);
  archive.CloseFrame();
  archive.EndRS();
  EXPECT_EQ(ReadFile(path).size(), 132u + 36 + 3);
}

}  // namespace
