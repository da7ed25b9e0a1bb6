#include <gtest/gtest.h>

#include <iconv.h>

#include <clocale>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "RAWSearch/Metadata/kdutf8.h"
#include "Utility/TextConvert.h"

namespace {

using Units = std::vector<wchar_t>;
using Bytes = std::vector<unsigned char>;

struct ToWideCase {
  const char* name;
  Bytes utf8;
  long capacity;
  Units expected;
};

void PrintTo(const ToWideCase& c, std::ostream* os) { *os << c.name; }

class Utf8ToUnicodeTest : public ::testing::TestWithParam<ToWideCase> {};

TEST_P(Utf8ToUnicodeTest, ConvertsOrRefuses) {
  const ToWideCase& c = GetParam();
  // Exactly the capacity asked for, so a write past it is caught.
  Units out(static_cast<std::size_t>(c.capacity), L'\0');
  const long units = UTF8ToUNICODE(c.utf8.data(), static_cast<long>(c.utf8.size()), out.data(), c.capacity);
  out.resize(static_cast<std::size_t>(units));
  EXPECT_EQ(out, c.expected);
}

Bytes Ascii33Then(Bytes tail) {
  Bytes out(33, 'a');
  out.insert(out.end(), tail.begin(), tail.end());
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8ToUnicodeTest,
    ::testing::Values(ToWideCase{"Ascii", {'a', 'b', 'c'}, 8, {L'a', L'b', L'c'}},
                      ToWideCase{"SequenceCutAtTheEndIsDropped", {0x41, 0xC3}, 8, {0x41}},
                      ToWideCase{"StrayContinuationFailsAll", {0x41, 0x80, 0x42}, 8, {}},
                      ToWideCase{"BrokenFollowingByteFailsAll", {0x41, 0xE2, 0x41, 0x41, 0x42}, 8, {}},
                      ToWideCase{"ThreeBytes", {0xE2, 0x82, 0xAC, 0x21}, 8, {0x20AC, 0x21}},
                      ToWideCase{"AstralBecomesSurrogatePair", {0xF0, 0x9F, 0x98, 0x80}, 8, {0xD83D, 0xDE00}},
                      ToWideCase{"PairWithoutRoomStops", {0x41, 0xF0, 0x9F, 0x98, 0x80}, 2, {0x41}},
                      ToWideCase{"DestinationBoundsTheOutput", {'a', 'b', 'c', 'd'}, 2, {L'a', L'b'}},
                      ToWideCase{"ValuePastUnicodeDropsAShortText", {0x41, 0xF4, 0x90, 0x80, 0x80}, 8, {}},
                      ToWideCase{"ValuePastUnicodeKeepsALongText", Ascii33Then({0xF4, 0x90, 0x80, 0x80, 0x41}), 64,
                                 Units(33, L'a')},
                      ToWideCase{"EmptySource", {}, 8, {}}),
    [](const auto& test) { return std::string(test.param.name); });

struct ToUtf8Case {
  const char* name;
  Units units;
  long capacity;
  Bytes expected;
};

void PrintTo(const ToUtf8Case& c, std::ostream* os) { *os << c.name; }

class UnicodeToUtf8Test : public ::testing::TestWithParam<ToUtf8Case> {};

TEST_P(UnicodeToUtf8Test, EncodesWhatFits) {
  const ToUtf8Case& c = GetParam();
  Bytes out(static_cast<std::size_t>(c.capacity), 0);
  const long bytes = UNICODEToUTF8(c.units.data(), static_cast<long>(c.units.size()), out.data(), c.capacity);
  out.resize(static_cast<std::size_t>(bytes));
  EXPECT_EQ(out, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnicodeToUtf8Test,
    ::testing::Values(ToUtf8Case{"EuroNeedsThreeBytes", {0x20AC}, 2, {}},
                      ToUtf8Case{"Euro", {0x20AC}, 3, {0xE2, 0x82, 0xAC}},
                      ToUtf8Case{"SurrogatePairCombines", {0xD83D, 0xDE00}, 8, {0xF0, 0x9F, 0x98, 0x80}},
                      ToUtf8Case{"HighSurrogateLastEnds", {0x41, 0xD83D}, 8, {0x41}},
                      ToUtf8Case{"HugeUnitSkipped", {static_cast<wchar_t>(0x80000000u), 0x42}, 8, {0x42}},
                      ToUtf8Case{"StopsBeforeWhatDoesNotFit", {0x41, 0xE9, 0x42}, 2, {0x41}},
                      ToUtf8Case{"SixByteForm", {0x7FFFFFFF}, 8, {0xFD, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(XCharToUtf8Test, LengthGrowsAtEachBoundary) {
  const std::vector<std::pair<int, int>> cases = {{0x7F, 1},      {0x80, 2},     {0x7FF, 2},    {0x800, 3},
                                                  {0xFFFF, 3},    {0x10000, 4},  {0x1FFFFF, 4}, {0x200000, 5},
                                                  {0x3FFFFFF, 5}, {0x4000000, 6}};
  for (const auto& [value, length] : cases) {
    char out[6];
    ASSERT_EQ(XCharToUTF8(value, out), length) << std::hex << value;
    // It reads back to the same value (less the astral offset the reader takes off).
    int ch = -1;
    const auto* bytes = reinterpret_cast<const unsigned char*>(out);
    if (length == 1) {
      EXPECT_EQ(UTF8ToXChar(bytes, ch), value);
      EXPECT_EQ(ch, -1);
    } else {
      EXPECT_EQ(UTF8ToXChar(bytes, ch), length);
      EXPECT_EQ(ch, value >= 0x10000 ? value - 0x10000 : value);
    }
    EXPECT_EQ(utf8_value(bytes), value >= 0x10000 ? value - 0x10000 : value);
  }
}

TEST(Utf8ToXCharTest, BrokenSequenceGivesZeroAndReadsNoFurther) {
  // The NUL breaks the sequence; nothing behind it may be read (the sanitizer sees the array's end).
  const unsigned char cut[] = {0xE2, 0x00};
  int ch = 7;
  EXPECT_EQ(UTF8ToXChar(cut, ch), 0);
  EXPECT_EQ(ch, 7);
  EXPECT_EQ(utf8_value(cut), 0);
}

TEST(Utf8StrcmpTest, ComparesPrefixesThenLengths) {
  EXPECT_LT(utf8_strcmp("ab", "abc", 2), 0);
  EXPECT_EQ(utf8_strcmp("abc", "abd", 2), 0);
  EXPECT_GT(utf8_strcmp("abd", "abc", 3), 0);
  EXPECT_GT(utf8_strcmp("abcd", "abc", 3), 0);
  EXPECT_LT(utf8_strcmp("ab", "b", static_cast<unsigned long>(-1)), 0);
}

TEST(Utf8StrlenTest, CountsBytesAndSingleOrWideLeads) {
  const char* text = "a\xC3\xA9\xE2\x82\xAC";  // a, e-acute, euro
  unsigned chars = 99;
  unsigned bytes = 99;
  utf8_strlen(text, chars, bytes, 100);
  EXPECT_EQ(bytes, 6u);
  EXPECT_EQ(chars, 2u);
  utf8_strlen(text, chars, bytes, 3);
  EXPECT_EQ(bytes, 3u);
  EXPECT_EQ(chars, 1u);
}

class LocaleTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = std::setlocale(LC_CTYPE, nullptr);
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr) << "the C.UTF-8 locale (built into the C library) is missing";
  }
  void TearDown() override { std::setlocale(LC_CTYPE, saved_.c_str()); }

 private:
  std::string saved_;
};

TEST_F(LocaleTextTest, Utf8ToAnsiAndBack) {
  char out[1024] = {};
  EXPECT_EQ(UTF8ToANSI(reinterpret_cast<const unsigned char*>("abc"), 3, out, sizeof out), 3u);
  EXPECT_STREQ(out, "abc");

  const char* euro = "x\xE2\x82\xAC";
  std::memset(out, 0, sizeof out);
  EXPECT_EQ(UTF8ToANSI(reinterpret_cast<const unsigned char*>(euro), 4, out, sizeof out), 4u);
  EXPECT_STREQ(out, euro);

  unsigned char back[16] = {};
  EXPECT_EQ(ANSIToUTF8(euro, 0, back, sizeof back), 4u);
  EXPECT_EQ(std::memcmp(back, euro, 4), 0);

  wchar_t wide[8] = {};
  EXPECT_EQ(ANSIToUNICODE(euro, 0, wide, 8), 2u);
  EXPECT_EQ(wide[1], static_cast<wchar_t>(0x20AC));
  char narrow[8] = {};
  EXPECT_EQ(UNICODEToANSI(wide, 0, narrow, sizeof narrow), 4u);
  EXPECT_STREQ(narrow, euro);
}

TEST_F(LocaleTextTest, Utf8ToAnsiNeverWritesPastTheCallersBuffer) {
  // Two bytes a unit would allow 8 bytes here; the buffer holds 4.
  std::vector<char> out(4, '\x7F');
  const unsigned long written = UTF8ToANSI(reinterpret_cast<const unsigned char*>("abcdef"), 6, out.data(), out.size());
  EXPECT_EQ(written, 4u);
  EXPECT_EQ(std::string(out.begin(), out.end()), "abcd");
  // A cut sequence or a malformed text gives nothing.
  char small[8] = {};
  EXPECT_EQ(UTF8ToANSI(reinterpret_cast<const unsigned char*>("\x80z"), 2, small, sizeof small), 0u);
}

// The C library's converter is the oracle: every kind of code point (one to four UTF-8 bytes, both
// sides of the surrogate range, the last plane) converts as it converts them, in both directions, and
// the engines' UTF-16LE conversion agrees, both sharing the one UTF-8 codec.
std::vector<std::uint8_t> Iconv(const char* to, const char* from, const std::vector<std::uint8_t>& in) {
  const iconv_t converter = iconv_open(to, from);
  EXPECT_NE(converter, reinterpret_cast<iconv_t>(-1)) << from << " -> " << to;
  if (converter == reinterpret_cast<iconv_t>(-1)) return {};
  std::vector<char> input(in.begin(), in.end());
  std::vector<char> output(in.size() * 4 + 16);
  char* inPtr = input.data();
  char* outPtr = output.data();
  std::size_t inLeft = input.size();
  std::size_t outLeft = output.size();
  EXPECT_NE(iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft), static_cast<std::size_t>(-1));
  iconv_close(converter);
  return {output.begin(), output.begin() + static_cast<std::ptrdiff_t>(output.size() - outLeft)};
}

TEST(Utf8Codec, AgreesWithTheCLibraryConverter) {
  std::vector<std::uint16_t> units;
  for (std::uint32_t value = 1; value <= 0x10FFFF; value += value < 0x1000 ? 7 : 997) {
    if (value >= 0xD800 && value <= 0xDFFF) continue;
    if (value < 0x10000) {
      units.push_back(static_cast<std::uint16_t>(value));
    } else {
      units.push_back(static_cast<std::uint16_t>(0xD800 + ((value - 0x10000) >> 10)));
      units.push_back(static_cast<std::uint16_t>(0xDC00 + (value & 0x3FF)));
    }
  }
  units.push_back(0xDBFF);  // U+10FFFF, the last value there is
  units.push_back(0xDFFF);
  std::vector<std::uint8_t> utf16;
  for (std::uint16_t unit : units) {
    utf16.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    utf16.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  const std::vector<std::uint8_t> expected = Iconv("UTF-8", "UTF-16LE", utf16);
  ASSERT_FALSE(expected.empty());

  const auto engines = quellsy::Utf16LeToUtf8(units, quellsy::InvalidUtf16::kFail);
  ASSERT_TRUE(engines);
  EXPECT_EQ(*engines, std::string(expected.begin(), expected.end()));

  const Units wide(units.begin(), units.end());
  Bytes utf8(expected.size() + 8, 0);
  const long written = UNICODEToUTF8(wide.data(), static_cast<long>(wide.size()), utf8.data(),
                                     static_cast<long>(utf8.size()));
  utf8.resize(static_cast<std::size_t>(written));
  EXPECT_EQ(utf8, Bytes(expected.begin(), expected.end()));

  Units back(wide.size() + 8, 0);
  const long read = UTF8ToUNICODE(expected.data(), static_cast<long>(expected.size()), back.data(),
                                  static_cast<long>(back.size()));
  back.resize(static_cast<std::size_t>(read));
  EXPECT_EQ(back, wide);
}

}  // namespace
