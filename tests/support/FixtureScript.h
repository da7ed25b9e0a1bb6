#pragma once
// Runs one of the source tree's fixture scripts ("bash SCRIPT OUTDIR"). The scripts exit 77 when a tool they
// need is missing, so that tests can skip.

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace quellsy::test {

// script is relative to QUELLSY_SOURCE_DIR. True when the script made its images in out; otherwise why says
// what went wrong (toolsMissing when a tool is missing), for GTEST_SKIP.
bool RunFixtureScript(const std::string& script, const std::filesystem::path& out, const std::string& toolsMissing,
                      std::string& why);

// Reads a manifest the scripts write beside an image: "# key=value" lines go into facts, every other line is
// handed to row split at its tabs.
void ReadFixtureManifest(const std::filesystem::path& manifest, std::map<std::string, std::string>& facts,
                         const std::function<void(const std::vector<std::string>& fields)>& row);

}  // namespace quellsy::test
