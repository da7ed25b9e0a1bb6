#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "RAWSearch/Framework/CNotifyCenter.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"
#include "RawSearchTestSupport.h"
#include "support/MemoryDevice.h"
#include "support/TempDir.h"

namespace {

using quellsy::test::MemoryDevice;
using quellsy::test::PatternBytes;
using quellsy::test::RawSearchTest;
using quellsy::test::ScriptedProgress;

using PlainAnalyserFrameTest = RawSearchTest;

// Claims sectors starting "PLN" and measures the file as the LE u32 it finds at offset 4.
class ProbeAnalyser : public CPlainRawFileAnalyser {
 public:
  ProbeAnalyser() : CPlainRawFileAnalyser(RAW_FILE_TYPE_ZIP) {}

 protected:
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override {
    seen = sector.size();
    return HasText(sector, 0, "PLN") ? Claim(hit, 0) : 0;
  }
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override {
    const auto size = window.Le32(4);
    if (!size) return 0;
    hit.m_ullSize = *size;
    return 1;
  }

 public:
  std::size_t seen = 0;
};

TEST_F(PlainAnalyserFrameTest, TestSeesOneMinimalSectorAndNullIsRefused) {
  ProbeAnalyser probe;
  CRawFileInfo hit;
  EXPECT_EQ(probe.AnalyseBuffer(nullptr, hit), 0);
  std::vector<unsigned char> sector(4096, 0);
  std::copy_n("PLN", 3, sector.begin());
  EXPECT_EQ(probe.AnalyseBuffer(sector.data(), hit), 1);
  EXPECT_EQ(probe.seen, CPlainRawFileAnalyser::kTestBytes);
  EXPECT_EQ(hit.m_uRawFileType, RAW_FILE_TYPE_ZIP);
  EXPECT_EQ(hit.m_ullSize, 0u);
}

TEST_F(PlainAnalyserFrameTest, MeasureReadsFromTheHitsStartSectorAndFailsWithoutDevice) {
  MemoryDevice device(8, 512);
  device.Put(3 * 512 + 4, {0x34, 0x12, 0, 0});
  ProbeAnalyser probe;
  CRawFileInfo hit;
  hit.m_llStartSector = 3;
  EXPECT_EQ(probe.GetRawFileSize(hit, &device), 1);
  EXPECT_EQ(hit.m_ullSize, 0x1234u);
  hit.m_ullSize = 7;
  EXPECT_EQ(probe.GetRawFileSize(hit, nullptr), 0);
  hit.m_llStartSector = -1;
  EXPECT_EQ(probe.GetRawFileSize(hit, &device), 0);
  EXPECT_EQ(hit.m_ullSize, 7u);
}

TEST_F(PlainAnalyserFrameTest, WindowValuesAreCheckedAgainstTheBytesHeld) {
  const unsigned sectorSize = 512;
  const std::uint64_t window = std::uint64_t{sectorSize} * RawFileBuffer::kWindowSectors;
  MemoryDevice device(PatternBytes(300 * sectorSize, 5), sectorSize);
  PlainFileWindow reader(&device, 2);
  const auto& bytes = device.bytes();
  const std::size_t base = 2 * sectorSize;
  // A field across a window boundary is read from the one-sector overhang.
  const auto across = reader.Le32(window - 2);
  ASSERT_TRUE(across);
  EXPECT_EQ(*across, quellsy::le32(bytes, base + window - 2));
  EXPECT_EQ(reader.Bytes(window - 1, sectorSize).size(), sectorSize);
  // At the device's end only what is there can be read.
  const std::uint64_t end = bytes.size() - base;
  EXPECT_TRUE(reader.U8(end - 1));
  EXPECT_FALSE(reader.Le16(end - 1));
  EXPECT_FALSE(reader.Readable(end));
  EXPECT_TRUE(reader.Bytes(end - 4, 5).empty());
  EXPECT_EQ(reader.SectorSize(), sectorSize);

  ScriptedProgress stop;
  stop.go = false;
  CNotifyCenter::Instance()->SetProgress(&stop);
  EXPECT_FALSE(reader.Readable(0));
}

TEST_F(PlainAnalyserFrameTest, TextAndRounding) {
  const std::vector<unsigned char> bytes = {'<', 'h', 'T', 'm', 'L', '>'};
  const struct {
    std::size_t offset;
    std::string_view text;
    bool ignoreCase;
    bool expected;
  } texts[] = {
      {0, "<hTmL", false, true}, {0, "<HTML", false, false}, {0, "<HTML", true, true}, {1, "html>", true, true},
      {2, "tml>!", true, false}, {6, "", false, true},       {7, "", false, false},
  };
  for (const auto& t : texts)
    EXPECT_EQ(CPlainRawFileAnalyser::HasText(bytes, t.offset, t.text, t.ignoreCase), t.expected) << t.text;

  const struct {
    std::uint64_t size;
    unsigned sector;
    std::uint64_t expected;
  } sizes[] = {{0, 512, 0}, {1, 512, 512}, {512, 512, 512}, {513, 512, 1024}, {4097, 4096, 8192}, {5, 0, 5}};
  for (const auto& s : sizes) EXPECT_EQ(CPlainRawFileAnalyser::RoundUpToSectors(s.size, s.sector), s.expected);
}

}  // namespace
