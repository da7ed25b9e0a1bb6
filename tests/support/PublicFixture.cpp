#include "support/PublicFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace quellsy::test {

std::filesystem::path PublicFixture(const std::string& relative) {
  const char* source = std::getenv("QUELLSY_SOURCE_DIR");
  if (source == nullptr) {
    ADD_FAILURE() << "QUELLSY_SOURCE_DIR is not set: run the tests through ctest";
    return {};
  }
  auto path = std::filesystem::path(source) / "tests" / "fixtures" / "public" / relative;
  if (!std::filesystem::exists(path)) ADD_FAILURE() << "public fixture " << path << " is missing";
  return path;
}

}  // namespace quellsy::test
