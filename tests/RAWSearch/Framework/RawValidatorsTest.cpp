#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "RAWSearch/Framework/CGzSearch.h"
#include "RAWSearch/Framework/CMPAHeader.h"
#include "RAWSearch/Framework/CRawBoxFileAnalyser.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/classRarSearch.h"
#include "RawSearchTestSupport.h"
#include "Utility/ByteReader.h"
#include "support/MemoryDevice.h"

namespace {

using quellsy::test::MemoryDevice;
using quellsy::test::RawSearchTest;

struct MpaCase {
  std::array<unsigned char, 4> header;
  bool accepted;
  std::uint32_t frameSize;  // when accepted
  std::uint32_t version;
  std::uint32_t layer;
  std::uint16_t allocation;  // Layer II table
};

class MpaHeaderTest : public ::testing::TestWithParam<MpaCase> {};

TEST_P(MpaHeaderTest, DecodesAndMeasuresOrRefuses) {
  const MpaCase& c = GetParam();
  CMPAHeader header;
  ASSERT_EQ(header.Init(c.header.data()), c.accepted);
  if (!c.accepted) return;
  EXPECT_EQ(header.CalcFrameSize(), c.frameSize);
  EXPECT_EQ(header.m_uVersion, c.version);
  EXPECT_EQ(header.m_uLayer, c.layer);
  EXPECT_EQ(header.m_wAllocationTable, c.allocation);
}

using V = CMPAHeader;
INSTANTIATE_TEST_SUITE_P(
    Frames, MpaHeaderTest,
    ::testing::Values(
        // MPEG 1 Layer III, 128 kbit/s, 44100 Hz, without and with padding.
        MpaCase{{0xFF, 0xFB, 0x90, 0x64}, true, 417, V::kMpeg1, V::kLayer3, 0},
        MpaCase{{0xFF, 0xFB, 0x92, 0x64}, true, 418, V::kMpeg1, V::kLayer3, 0},
        // MPEG 2 and 2.5 Layer III at 80 kbit/s: half the coefficient, lower rates.
        MpaCase{{0xFF, 0xF3, 0x90, 0x64}, true, 261, V::kMpeg2, V::kLayer3, 0},
        MpaCase{{0xFF, 0xE3, 0x90, 0x64}, true, 522, V::kMpeg25, V::kLayer3, 0},
        // Layer I counts 4-byte slots: (288000 x 12 / 44100) x 4.
        MpaCase{{0xFF, 0xFF, 0x90, 0x00}, true, 312, V::kMpeg1, V::kLayer1, 0},
        // Layer II: 32 kbit/s only in single channel; 224 kbit/s only with two channels.
        MpaCase{{0xFF, 0xFD, 0x10, 0x00}, false, 0, 0, 0, 0},
        MpaCase{{0xFF, 0xFD, 0x10, 0xC0}, true, 104, V::kMpeg1, V::kLayer2, 2},
        MpaCase{{0xFF, 0xFD, 0x18, 0xC0}, true, 144, V::kMpeg1, V::kLayer2, 3},
        MpaCase{{0xFF, 0xFD, 0xB0, 0xC0}, false, 0, 0, 0, 0},
        MpaCase{{0xFF, 0xFD, 0xB0, 0x00}, true, 731, V::kMpeg1, V::kLayer2, 1},
        MpaCase{{0xFF, 0xFD, 0xB4, 0x00}, true, 672, V::kMpeg1, V::kLayer2, 0},
        MpaCase{{0xFF, 0xF5, 0x90, 0x00}, true, 522, V::kMpeg2, V::kLayer2, 4},
        // Reserved version, reserved layer, bad and free bit rate, reserved sampling rate and emphasis.
        MpaCase{{0xFF, 0xEB, 0x90, 0x64}, false, 0, 0, 0, 0}, MpaCase{{0xFF, 0xF9, 0x90, 0x64}, false, 0, 0, 0, 0},
        MpaCase{{0xFF, 0xFB, 0xF0, 0x64}, false, 0, 0, 0, 0}, MpaCase{{0xFF, 0xFB, 0x00, 0x64}, false, 0, 0, 0, 0},
        MpaCase{{0xFF, 0xFB, 0x9C, 0x64}, false, 0, 0, 0, 0}, MpaCase{{0xFF, 0xFB, 0x90, 0x66}, false, 0, 0, 0, 0}));

TEST(MpaHeader, SameStreamAndNames) {
  const unsigned char joint[4] = {0xFF, 0xFB, 0x90, 0x64};
  const unsigned char stereoOther[4] = {0xFF, 0xFB, 0xB2, 0x00};
  const unsigned char mono[4] = {0xFF, 0xFB, 0x90, 0xC0};
  const unsigned char otherRate[4] = {0xFF, 0xFB, 0x94, 0x64};
  CMPAHeader a, b, c, d;
  ASSERT_TRUE(a.Init(joint) && b.Init(stereoOther) && c.Init(mono) && d.Init(otherRate));
  EXPECT_TRUE(a == b);  // bit rate, padding and two-channel mode may change within a stream
  EXPECT_FALSE(a == c);
  EXPECT_FALSE(a == d);
  EXPECT_EQ(a.m_wBound, 4 * 2 + 4);
  EXPECT_STREQ(a.VersionName(), "MPEG 1");
  EXPECT_STREQ(a.LayerName(), "Layer III");
  EXPECT_STREQ(a.ChannelModeName(), "Joint Stereo");
  EXPECT_STREQ(c.EmphasisName(), "None");
  EXPECT_FALSE(a.Init(nullptr));
}

struct RarCase {
  const char* name;
  std::vector<unsigned char> block;
  bool valid;
  std::uint64_t length;
};

// A block header: type, header size, then the fields from byte 7 on.
std::vector<unsigned char> RarBlock(std::uint8_t type, std::uint16_t headerSize, std::vector<unsigned char> rest = {}) {
  std::vector<unsigned char> block = {0x12, 0x34, type, 0x00, 0x80,
                                      static_cast<unsigned char>(headerSize & 0xFF),
                                      static_cast<unsigned char>(headerSize >> 8)};
  block.insert(block.end(), rest.begin(), rest.end());
  return block;
}

std::vector<unsigned char> Le32(std::uint32_t v) {
  return {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v >> 16),
          static_cast<unsigned char>(v >> 24)};
}

std::vector<unsigned char> Cat(std::vector<std::vector<unsigned char>> parts) {
  std::vector<unsigned char> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(RarBlockSize, LengthsByType) {
  const std::vector<RarCase> cases = {
      {"end block of 7 bytes", RarBlock(0x7B, 7), false, 0},
      {"end block of 10 bytes", RarBlock(0x7B, 10, Le32(0)), true, 10},
      {"archive header", RarBlock(0x73, 13, {0, 0, 0, 0, 0, 0}), true, 13},
      {"short archive header", RarBlock(0x73, 9, {0, 0}), false, 0},
      {"file", RarBlock(0x74, 40, Cat({Le32(100), Le32(200), {2}})), true, 140},
      {"file packed above unpacked", RarBlock(0x74, 40, Cat({Le32(201), Le32(200), {2}})), false, 0},
      {"file of unknown host", RarBlock(0x74, 40, Cat({Le32(100), Le32(200), {5}})), false, 0},
      {"file header cut short", RarBlock(0x74, 40, Le32(100)), false, 0},
      {"largest file block", RarBlock(0x74, 0xFFFF, Cat({Le32(0xFFFFFFFF), Le32(0xFFFFFFFF), {0}})), true,
       0xFFFFull + 0xFFFFFFFFull},
      {"sub block", RarBlock(0x77, 30, Cat({Le32(50), {0, 0, 0}})), true, 80},
      {"sub block with byte 13 set", RarBlock(0x77, 30, Cat({Le32(50), {0, 0, 1}})), false, 0},
      {"comment", RarBlock(0x75, 13, {5, 0}), true, 18},
      {"authenticity", RarBlock(0x76, 20), true, 20},
      {"second authenticity", RarBlock(0x79, 20, Le32(0)), false, 0},
      {"recovery", RarBlock(0x78, 20, Le32(1000)), true, 1020},
      {"new sub block", RarBlock(0x7A, 32, Le32(64)), true, 96},
      {"marker", RarBlock(0x72, 7), false, 0},
      {"beyond end type", RarBlock(0x7C, 20, Le32(0)), false, 0},
      {"header size below 7", RarBlock(0x76, 6), false, 0},
  };
  for (const RarCase& c : cases) {
    SCOPED_TRACE(c.name);
    unsigned low = 0xAAAA, high = 0xBBBB;
    const bool valid = classRarSearch::GetBlockSize(c.block.data(), static_cast<int>(c.block.size()), &low, &high);
    EXPECT_EQ(valid, c.valid);
    EXPECT_EQ(classRarSearch::IsValidHead(c.block.data(), static_cast<int>(c.block.size())), c.valid);
    if (valid) {
      EXPECT_EQ((std::uint64_t{high} << 32) | low, c.length);
    }
  }
  const auto block = RarBlock(0x76, 20);
  EXPECT_FALSE(classRarSearch::GetBlockSize(nullptr, 100, nullptr, nullptr));
  EXPECT_FALSE(classRarSearch::GetBlockSize(block.data(), 6, nullptr, nullptr));
  EXPECT_FALSE(classRarSearch::GetBlockSize(block.data(), -1, nullptr, nullptr));
}

TEST(GzSearch, HeaderTestAndCrc) {
  const struct {
    std::array<unsigned char, 10> header;
    int length;
    bool valid;
  } headers[] = {
      {{0x1F, 0x8B, 0x08, 0x08, 0, 0, 0, 0, 0x02, 0x03}, 10, true},
      {{0x1F, 0x8B, 0x08, 0x1F, 0, 0, 0, 0, 0x00, 0x0D}, 10, true},
      {{0x1F, 0x8B, 0x08, 0x20, 0, 0, 0, 0, 0x00, 0x03}, 10, false},  // reserved flag
      {{0x1F, 0x8B, 0x08, 0x00, 0, 0, 0, 0, 0x00, 0x0E}, 10, false},  // unknown system
      {{0x1F, 0x8B, 0x07, 0x00, 0, 0, 0, 0, 0x00, 0x03}, 10, false},  // not deflate
      {{0x1F, 0x8C, 0x08, 0x00, 0, 0, 0, 0, 0x00, 0x03}, 10, false},
      {{0x1F, 0x8B, 0x08, 0x00, 0, 0, 0, 0, 0x00, 0x03}, 9, false},  // too few bytes to hold a header
  };
  for (const auto& h : headers) EXPECT_EQ(CGzSearch::IsValidGzHeader(h.header.data(), h.length), h.valid);
  EXPECT_FALSE(CGzSearch::IsValidGzHeader(nullptr, 10));

  const std::string check = "123456789";
  const auto* bytes = reinterpret_cast<const unsigned char*>(check.data());
  EXPECT_EQ(CGzSearch::GetCRC(bytes, 9), 0xCBF43926u);
  EXPECT_EQ(CGzSearch::UpdateCRC(CGzSearch::GetCRC(bytes, 4), bytes + 4, 5), 0xCBF43926u);
  EXPECT_EQ(CGzSearch::UpdateCRC(0x1234, bytes, 0), 0x1234u);
  EXPECT_EQ(CGzSearch::GetCRC(bytes, -3), 0u);
}

// A box: big-endian size, type, then zeros up to the size (at least the 8-byte head).
std::vector<std::uint8_t> Box(std::uint32_t size, const char* type, std::size_t written = 0) {
  std::vector<std::uint8_t> box(std::max<std::size_t>(written ? written : size, 8), 0);
  quellsy::FieldWriter(box).be32(0, size);
  std::memcpy(box.data() + 4, type, 4);
  return box;
}

using BoxWalk = RawSearchTest;

TEST_F(BoxWalk, EndsAfterTheLastKnownBox) {
  struct Case {
    const char* name;
    std::vector<std::vector<std::uint8_t>> boxes;
    bool measured;
    std::uint64_t size;
  };
  std::vector<std::uint8_t> large = Box(1, "mdat", 16);
  quellsy::FieldWriter(large).be64(8, 40);
  std::vector<std::uint8_t> largeNegative = Box(1, "MDAT", 16);
  quellsy::FieldWriter(largeNegative).be64(8, 0x80000000u);
  std::vector<std::uint8_t> largeOther = Box(1, "wide", 16);
  quellsy::FieldWriter(largeOther).be64(8, 40);
  const std::vector<Case> cases = {
      {"ftyp moov mdat", {Box(24, "ftyp"), Box(100, "moov"), Box(700, "mdat")}, true, 824},
      {"unknown box ends the file where it starts", {Box(24, "ftyp"), Box(100, "moov"), Box(16, "wide")}, true, 124},
      {"types compared without case", {Box(24, "ftyp"), Box(40, "FREE"), Box(60, "Moov")}, true, 124},
      {"64-bit mdat size", {Box(32, "ftyp"), large, std::vector<std::uint8_t>(24, 0)}, true, 72},
      {"64-bit size of another box", {Box(32, "ftyp"), largeOther}, true, 32},
      {"64-bit size out of range", {Box(32, "ftyp"), largeNegative}, false, 0},
      {"first box of size 0", {Box(0, "ftyp", 16), Box(40, "moov")}, false, 0},
      {"first box of negative size", {Box(0x80000000u, "ftyp", 16)}, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryDevice device(16, 512);
    std::size_t at = 512;
    for (const auto& box : c.boxes) {
      device.Put(at, box);
      at += box.size();
    }
    CRawFileInfo hit;
    hit.m_llStartSector = 1;
    EXPECT_EQ(CRawBoxFileAnalyser::GetFileSize(hit, &device), c.measured);
    EXPECT_EQ(hit.m_ullSize, c.size);
  }
}

TEST_F(BoxWalk, StepsAreBoundedAndReadsMayFail) {
  // 600 tiny "free" boxes: the walk stops after 500 of them behind the first box.
  MemoryDevice device(16, 512);
  device.Put(0, Box(8, "ftyp"));
  for (std::size_t i = 1; i <= 600; ++i) device.Put(i * 8, Box(8, "free"));
  CRawFileInfo hit;
  EXPECT_TRUE(CRawBoxFileAnalyser::GetFileSize(hit, &device));
  EXPECT_EQ(hit.m_ullSize, 8u + 500 * 8);

  // A box pointing past the device's end ends the walk at the box behind it.
  MemoryDevice shortDevice(2, 512);
  shortDevice.Put(0, Box(24, "ftyp"));
  shortDevice.Put(24, Box(0x10000, "mdat", 8));
  CRawFileInfo cut;
  EXPECT_TRUE(CRawBoxFileAnalyser::GetFileSize(cut, &shortDevice));
  EXPECT_EQ(cut.m_ullSize, 24u + 0x10000);

  CRawFileInfo none;
  EXPECT_FALSE(CRawBoxFileAnalyser::GetFileSize(none, nullptr));
  none.m_llStartSector = 2;
  EXPECT_FALSE(CRawBoxFileAnalyser::GetFileSize(none, &shortDevice));
}

}  // namespace
