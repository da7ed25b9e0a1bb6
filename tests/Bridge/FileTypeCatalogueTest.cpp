// The file-type catalogue read from a "FileType" property list: extensions by group, lower case, the later
// group winning an extension listed twice, and anything that is no extension left out.

#include "Bridge/FileTypeCatalogue.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "support/TempDir.h"

namespace quellsy::test {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::string Plist(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" + body + "</dict></plist>\n";
}

TEST(FileTypeCatalogue, GroupsFromASmallList) {
  const std::string list = Plist(
      "<key>1</key><array><string>doc</string><string>TXT</string><string>pdf</string></array>"
      "<key>2</key><array><string>Jpg</string><string>png</string><string>jpg</string></array>"
      "<key>16</key><array><string></string><string>tar.gz</string><string>a;b</string><integer>7</integer>"
      "<string>zip</string><string>averyveryverylongextension</string><string>caf\xC3\xA9</string></array>"
      "<key>32</key><array><string>eml</string><string>pdf</string></array>"
      "<key>64</key><array><string>exe</string></array>"
      "<key>8</key><string>mp3</string>");
  TempDir dir;
  WriteFile(dir / "FileType.plist", Bytes(list));
  const FileTypeCatalogue catalogue = FileTypeCatalogue::FromFile(dir / "FileType.plist");

  EXPECT_EQ(catalogue.JoinedExtensions(FILTER_TYPE_DOCUMENT), "doc;txt;pdf");
  EXPECT_EQ(catalogue.JoinedExtensions(FILTER_TYPE_PICTURE), "jpg;png");
  EXPECT_EQ(catalogue.JoinedExtensions(FILTER_TYPE_ARCHIVES), "zip");
  EXPECT_EQ(catalogue.JoinedExtensions(FILTER_TYPE_EMAIL), "eml;pdf");
  EXPECT_EQ(catalogue.JoinedExtensions(FILTER_TYPE_MUSIC), "");  // a string, not a list
  EXPECT_EQ(catalogue.JoinedExtensions(FILTER_TYPE_MOVIE), "");
  EXPECT_EQ(catalogue.JoinedExtensions(FILTER_TYPE_OTHER), "");  // "other" has no list
  EXPECT_EQ(catalogue.Extensions(FILTER_TYPE_ALL).size(), 0u);

  const std::vector<std::pair<std::string, _FILTER_TYPE>> groups = {
      {"doc", FILTER_TYPE_DOCUMENT}, {"txt", FILTER_TYPE_DOCUMENT}, {"jpg", FILTER_TYPE_PICTURE},
      {"pdf", FILTER_TYPE_EMAIL},    {"zip", FILTER_TYPE_ARCHIVES}, {"exe", FILTER_TYPE_OTHER},
      {"TXT", FILTER_TYPE_OTHER},    {"", FILTER_TYPE_OTHER},       {"gz", FILTER_TYPE_OTHER},
  };
  for (const auto& [extension, group] : groups) EXPECT_EQ(catalogue.GroupOf(extension), group) << extension;
  EXPECT_TRUE(catalogue.Knows("eml"));
  EXPECT_FALSE(catalogue.Knows("exe"));
  EXPECT_EQ(catalogue.Groups().size(), 7u);
}

TEST(FileTypeCatalogue, NoCatalogueLeavesEveryListEmpty) {
  TempDir dir;
  WriteFile(dir / "text.plist", Bytes("not a property list"));
  WriteFile(dir / "empty.plist", {});
  WriteFile(dir / "array.plist", Bytes("<plist version=\"1.0\"><array><string>1</string></array></plist>"));
  for (const char* name : {"missing.plist", "text.plist", "empty.plist", "array.plist"}) {
    const FileTypeCatalogue catalogue = FileTypeCatalogue::FromFile(dir / name);
    EXPECT_TRUE(catalogue.Groups().empty()) << name;
    EXPECT_EQ(catalogue.JoinedExtensions(FILTER_TYPE_DOCUMENT), "") << name;
  }
  // Larger than any catalogue this program writes: not read at all.
  std::string big = Plist("<key>1</key><array><string>doc</string></array>");
  big.append(FileTypeCatalogue::kMaxFileBytes, ' ');
  WriteFile(dir / "big.plist", Bytes(big));
  EXPECT_TRUE(FileTypeCatalogue::FromFile(dir / "big.plist").Groups().empty());
}

// The list the program installs: six lists of lower-case extensions, none in two groups, every entry read.
TEST(FileTypeCatalogue, TheInstalledList) {
  const char* source = std::getenv("QUELLSY_SOURCE_DIR");
  ASSERT_NE(source, nullptr) << "QUELLSY_SOURCE_DIR is not set";
  const std::string path = std::string(source) + "/data/FileType.plist";
  std::ifstream in(path);
  ASSERT_TRUE(in) << path;
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const FileTypeCatalogue catalogue = FileTypeCatalogue::FromMemory(Bytes(text));

  // Counted in the file's own text: every <string> entry is one extension.
  std::set<std::string> listed;
  std::size_t entries = 0;
  const std::string open = "<string>";
  for (std::size_t at = text.find(open); at != std::string::npos; at = text.find(open, at)) {
    at += open.size();
    ++entries;
    listed.insert(text.substr(at, text.find('<', at) - at));
  }
  EXPECT_EQ(listed.size(), entries);  // no extension in two groups
  std::size_t read = 0;
  for (const _FILTER_TYPE group : FileTypeCatalogue::kListedGroups) {
    EXPECT_FALSE(catalogue.Extensions(group).empty()) << group;
    read += catalogue.Extensions(group).size();
  }
  EXPECT_EQ(read, entries);
  for (const std::string& extension : listed) EXPECT_TRUE(catalogue.Knows(extension)) << extension;
  const std::vector<std::pair<std::string, _FILTER_TYPE>> samples = {
      {"docx", FILTER_TYPE_DOCUMENT}, {"jpg", FILTER_TYPE_PICTURE},  {"mov", FILTER_TYPE_MOVIE},
      {"mp3", FILTER_TYPE_MUSIC},     {"zip", FILTER_TYPE_ARCHIVES}, {"pst", FILTER_TYPE_EMAIL},
      {"exe", FILTER_TYPE_OTHER},
  };
  for (const auto& [extension, group] : samples) EXPECT_EQ(catalogue.GroupOf(extension), group) << extension;
  EXPECT_EQ(FileTypeCatalogue::InstalledPath().filename(), "FileType.plist");
}

}  // namespace
}  // namespace quellsy::test
