#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "RAWSearch/Framework/RawUtility.h"

namespace {

using BruteForce::RawUtility;
using Bytes = std::vector<unsigned char>;

TEST(RawUtilityTest, ReadsEitherByteOrder) {
  const unsigned char bytes[] = {0x12, 0x34, 0x56, 0x78};
  EXPECT_EQ(RawUtility::EXIF_Get16s(bytes, true), 0x3412);
  EXPECT_EQ(RawUtility::EXIF_Get16s(bytes, false), 0x1234);
  EXPECT_EQ(RawUtility::EXIF_Get32s(bytes, true), 0x78563412u);
  EXPECT_EQ(RawUtility::EXIF_Get32s(bytes, false), 0x12345678u);
}

TEST(RawUtilityTest, FindMagicSearchesBackwardsFromBeforeTheTail) {
  struct Case {
    const char* name;
    Bytes buffer;
    int back;
    long long expected;
  };
  const Bytes endMarker = {0xFF, 0xD9};
  const std::vector<Case> cases = {
      {"LastOfTwo", {0xFF, 0xD9, 1, 0xFF, 0xD9, 0, 0, 0, 0, 0}, 5, 5},
      {"StartsAtLengthLessBack", {0xFF, 0xD9, 1, 0xFF, 0xD9, 0, 0, 0, 0, 0}, 8, 2},
      {"AtPositionZero", {0xFF, 0xD9, 0, 0}, 2, 2},
      {"Nothing", {1, 2, 3, 4, 0, 0}, 2, 0},
      {"BackPastTheStart", {0xFF, 0xD9}, 3, 0},
      // A match must lie whole inside the buffer.
      {"HalfAtTheEnd", {1, 1, 1, 0xFF}, 0, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(
        RawUtility::FindMagicInBuffer(c.buffer.data(), static_cast<int>(c.buffer.size()), c.back, endMarker.data(), 2),
        c.expected)
        << c.name;
  // A zero first byte never matches, so a zero pattern finds nothing.
  const Bytes zeros(8, 0);
  const Bytes zeroPattern = {0, 0};
  EXPECT_EQ(RawUtility::FindMagicInBuffer(zeros.data(), 8, 2, zeroPattern.data(), 2), 0);
}

TEST(RawUtilityTest, BinaryCompareFindsTheEndBeforeTheZeroTail) {
  struct Case {
    int data;
    int length;
    int expected;
  };
  // The bisection lands on the data length or one past it depending on its last probe.
  const std::vector<Case> cases = {{0, 512, 0},     {100, 512, 100}, {1, 512, 2}, {512, 512, 512},
                                   {300, 512, 300}, {3, 512, 4},     {1, 1, 1}};
  for (const Case& c : cases) {
    Bytes buffer(static_cast<std::size_t>(c.length), 0);
    std::fill_n(buffer.begin(), c.data, 0x7E);
    EXPECT_EQ(RawUtility::Binary_Compare(buffer.data(), c.length), c.expected) << c.data << " of " << c.length;
  }
}

TEST(RawUtilityTest, CameraNamesKeepToASafeSet) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"", false},      {"Canon EOS 5D", false}, {"NIKON, Corp.", false}, {"a-b_c@d", false}, {"EOS/5D", true},
      {"Can<on", true}, {"x\ty", true},          {"caf\xC3\xA9", true},   {"..", false},      {"50%", true},
  };
  for (const auto& [text, invalid] : cases) EXPECT_EQ(ApiIsInvalidCharInFileName(text), invalid) << text;
}

}  // namespace
