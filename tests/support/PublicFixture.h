#pragma once
// Sample files and images made by other people's tools, kept in the repository under tests/fixtures/public/
// (one folder per source, each with its licence note), so a clean clone runs every test.

#include <filesystem>
#include <string>

namespace quellsy::test {

// The path of tests/fixtures/public/<relative> in the source tree. A missing file is a test failure, never a
// skip: the test records a failure and the returned path does not exist.
std::filesystem::path PublicFixture(const std::string& relative);

}  // namespace quellsy::test
