// Names from a scanned device as single, harmless path components.

#include "Bridge/PathComponent.h"

#include <gtest/gtest.h>

#include <string>

namespace quellsy::test {
namespace {

TEST(PathComponent, SeparatorsNulAndDotNamesAreReplaced) {
  using namespace std::string_literals;
  struct Case {
    std::string name;
    std::string safe;
  };
  const Case cases[] = {
      {"a.jpg", "a.jpg"},     {"", "_"},           {".", "_"},
      {"..", "_"},            {"...", "..."},      {"../etc", ".._etc"},
      {"/", "_"},             {"a/b/c", "a_b_c"},  {"a\0b"s, "a_b"},
      {".hidden", ".hidden"}, {"été", "été"},      {"a\\b", "a\\b"},  // a backslash is an ordinary byte here
  };
  for (const Case& c : cases) EXPECT_EQ(bridge::SanitisePathComponent(c.name), c.safe) << c.name;
}

}  // namespace
}  // namespace quellsy::test
