#include "FXRLoader/RecordedFiles.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace quellsy::test {

std::string Text(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Fields(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<std::string> fields;
  for (std::string field; std::getline(in, field, '\0');) fields.push_back(field);
  return fields;
}

std::vector<std::string> Sorted(std::vector<std::string> texts) {
  std::sort(texts.begin(), texts.end());
  return texts;
}

}  // namespace quellsy::test
