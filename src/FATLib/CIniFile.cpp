#include "FATLib/CIniFile.h"

#include <array>
#include <iostream>
#include <memory>

namespace {
struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
}  // namespace

int CIniFile::Init(const char* fileName) {
  m_fileName = fileName != nullptr ? fileName : "";
  return LoadFile();
}

int CIniFile::Init(const std::string& fileName) {
  m_fileName = fileName;
  return LoadFile();
}

int CIniFile::Init() { return LoadFile(); }

int CIniFile::ReadLine(FILE* file, std::string& line) {
  std::array<char, 1024> buffer{};
  if (std::fgets(buffer.data(), static_cast<int>(buffer.size()), file) == nullptr) return -1;
  line.assign(buffer.data());
  if (!line.empty() && line.back() == '\n') line.pop_back();
  return 0;
}

int CIniFile::LoadFile() {
  std::unique_ptr<FILE, FileCloser> file(std::fopen(m_fileName.c_str(), "r"));
  if (!file) return -1;
  std::string section;
  bool sectionSeen = false;
  std::string line;
  while (ReadLine(file.get(), line) == 0) {
    const std::size_t open = line.find('[');
    if (open != std::string::npos) {
      const std::size_t close = line.find(']');
      if (close == std::string::npos) return -1;
      section = close > open ? line.substr(open + 1, close - open - 1) : line.substr(open + 1);
      sectionSeen = true;
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    if (!sectionSeen) return -1;
    m_items[section][line.substr(0, equals)] = line.substr(equals + 1);
  }
  return 0;
}

int CIniFile::ReadItem(const std::string& section, const std::string& key, std::string& value) {
  const auto found = m_items.find(section);
  if (found == m_items.end()) return -1;
  value = found->second[key];
  return value.empty() ? -1 : 0;
}

int CIniFile::WriteItem(const std::string& section, const std::string& key, const std::string& value) {
  Section& items = m_items[section];
  const auto found = items.find(key);
  if (found == items.end()) return -1;
  found->second = value;
  return WriteFile();
}

std::string CIniFile::Render() const {
  std::string text;
  for (const auto& [name, keys] : m_items) {
    text += "[" + name + "]\n";
    for (const auto& [key, value] : keys) text += key + "=" + value + "\n";
    text += "\n";
  }
  return text;
}

int CIniFile::WriteFile() {
  FILE* file = std::fopen(m_fileName.c_str(), "w");
  if (file == nullptr) return -1;
  const std::string text = Render();
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  const int closed = std::fclose(file);
  return written ? closed : -1;
}

void CIniFile::Dump() const { std::cout << Render(); }

int CIniFile::TrimString(std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) {
    text.clear();
    return -1;
  }
  text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
  return 0;
}
