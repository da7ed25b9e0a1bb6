#include "DirectoryTreeBuilder/RecycleInfoFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

// The header of a "$I" file followed by raw path units; version 2 gets a path length of `count` units.
std::vector<std::uint8_t> Info(std::uint64_t version, const std::vector<std::uint16_t>& units,
                               std::optional<std::uint32_t> count = std::nullopt) {
  std::vector<std::uint8_t> bytes(version == 2 ? 28 : 24, 0);
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<std::uint8_t>(version >> (8 * i));
  if (version == 2) {
    const std::uint32_t length = count.value_or(static_cast<std::uint32_t>(units.size() + 1));
    for (int i = 0; i < 4; ++i) bytes[24 + i] = static_cast<std::uint8_t>(length >> (8 * i));
  }
  for (const std::uint16_t unit : units) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  if (version == 1) bytes.resize(24 + 520, 0);
  return bytes;
}

std::vector<std::uint16_t> Units(const std::u16string& text) { return {text.begin(), text.end()}; }

TEST(RecycleInfoFileTest, OriginalNameFromBothLayoutsAndBadPaths) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::optional<std::string> name;
  };
  std::vector<std::uint16_t> loneSurrogate = Units(u"C:\\x");
  loneSurrogate.push_back(0xD800);
  std::vector<std::uint8_t> truncated = Info(2, Units(u"C:\\dir\\long name.txt"));
  truncated.resize(28 + 2 * 9);  // ends inside the name
  std::vector<std::uint8_t> longV1Path(24, 0);
  longV1Path[0] = 1;
  for (int i = 0; i < 300; ++i) {  // no terminator within the 260 units of room
    const std::uint16_t unit = i == 1 ? u':' : (i == 2 || i == 250) ? u'\\' : u'a';
    longV1Path.push_back(static_cast<std::uint8_t>(unit));
    longV1Path.push_back(0);
  }

  const std::vector<Case> cases = {
      {"version 1", Info(1, Units(u"C:\\Users\\bob\\report.txt")), "report.txt"},
      {"version 2", Info(2, Units(u"C:\\Users\\bob\\Documents\\report.txt")), "report.txt"},
      {"drive root", Info(2, Units(u"E:\\a.jpg")), "a.jpg"},
      {"non-ASCII", Info(2, Units(u"C:\\Fotos\\\u00e9t\u00e9 \u6771\u4eac \U0001F600.jpg")),
       "\u00e9t\u00e9 \u6771\u4eac \U0001F600.jpg"},
      {"version 2, absurd length", Info(2, Units(u"C:\\x\\y.txt"), 0xFFFFFFFFu), "y.txt"},
      {"version 2, length cuts the path", Info(2, Units(u"C:\\x\\long.txt"), 7), "lo"},
      {"truncated inside the name", truncated, "lo"},
      {"version 1 path fills its room", longV1Path, std::string(9, 'a')},
      {"no drive form", Info(2, Units(u"\\\\server\\share\\a.txt")), std::nullopt},
      {"colon without backslash", Info(2, Units(u"C:dir\\a.txt")), std::nullopt},
      {"no backslash", Info(2, Units(u"report.txt")), std::nullopt},
      {"ends in a backslash", Info(2, Units(u"C:\\Users\\")), std::nullopt},
      {"empty path", Info(2, {}), std::nullopt},
      {"name with a slash", Info(2, Units(u"C:\\a\\b/c.txt")), std::nullopt},
      {"dot-dot name", Info(2, Units(u"C:\\a\\..")), std::nullopt},
      {"lone surrogate", Info(2, loneSurrogate), std::nullopt},
      {"unknown version", Info(3, Units(u"C:\\a.txt")), std::nullopt},
      {"header only", std::vector<std::uint8_t>(24, 0), std::nullopt},
      {"shorter than a version", std::vector<std::uint8_t>(5, 1), std::nullopt},
      {"nothing", {}, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(c.name, CRecycleInfoFile::OriginalName(c.bytes)) << c.what;
}

}  // namespace
