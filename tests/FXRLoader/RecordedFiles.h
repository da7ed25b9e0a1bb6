#pragma once
// What stand-in programs wrote down for the tests: whole texts, and NUL-separated fields (arguments as printf
// '%s\0' writes them, an environment as /proc/PID/environ holds it).

#include <filesystem>
#include <string>
#include <vector>

namespace quellsy::test {

std::string Text(const std::filesystem::path& file);
std::vector<std::string> Fields(const std::filesystem::path& file);
std::vector<std::string> Sorted(std::vector<std::string> texts);

}  // namespace quellsy::test
