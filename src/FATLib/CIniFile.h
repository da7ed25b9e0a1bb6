#pragma once
// A small INI file held as sections of keys and values. Nothing is trimmed: blanks around names and values
// belong to them. Sections and keys are kept in byte order, so a rewritten file lists them that way.

#include <cstdio>
#include <map>
#include <string>

class CIniFile {
 public:
  using Section = std::map<std::string, std::string>;

  CIniFile() = default;
  // Keeps the name; reading waits for Init or LoadFile.
  explicit CIniFile(const char* fileName) : m_fileName(fileName != nullptr ? fileName : "") {}
  explicit CIniFile(std::string fileName) : m_fileName(std::move(fileName)) {}

  int Init(const char* fileName);
  int Init(const std::string& fileName);
  int Init();
  // 0, or -1 when the file cannot be opened, a section line has no "]", or a key comes before any section.
  // Items already loaded stay (a second load merges); a failed load keeps what came before the bad line.
  int LoadFile();

  // -1 when the section is missing or the value is empty (a missing key is entered with an empty value).
  int ReadItem(const std::string& section, const std::string& key, std::string& value);
  // Enters a missing section; -1 when the key does not exist; otherwise replaces the value and writes the file.
  int WriteItem(const std::string& section, const std::string& key, const std::string& value);
  // -1 when the file cannot be opened for writing; else the result of closing it.
  int WriteFile();
  void Dump() const;

  // 0 with the next line (at most 1023 bytes, its newline removed), -1 at the end of the file.
  static int ReadLine(FILE* file, std::string& line);
  // Removes blanks and tabs at both ends; -1 when the text is or becomes empty.
  static int TrimString(std::string& text);

 private:
  std::string Render() const;

  std::string m_fileName;
  std::map<std::string, Section> m_items;
};
