#pragma once
// Decides whether a raw sector is a FAT directory sector, and whether it is a directory's first sector
// ("." and ".." at its head).

#include <cstdint>

#include "Utility/ByteReader.h"

class CFatFolderAnalyzeCB;

class CFATFolderAnalyser {
 public:
  enum Kind : std::uint32_t { kNotDirectory = 0, kDirectorySector = 1, kDirectoryFirstSector = 2 };

  explicit CFATFolderAnalyser(std::uint32_t bytesToAnalyse) : m_bytesToAnalyse(bytesToAnalyse) {}

  // Replaces the verdict; true for kinds 1 and 2. The observer is optional.
  bool AnalyseSector(quellsy::ByteSpan sector, CFatFolderAnalyzeCB* observer = nullptr,
                     void* context = nullptr);

  static bool IsBlankFATDirEntry(quellsy::ByteSpan entry);
  // The entry is a directory named "." (or "..") padded with blanks.
  static bool IsCurDirFileName(quellsy::ByteSpan entry);
  static bool IsParentDirFileName(quellsy::ByteSpan entry);

  std::uint32_t GetKind() const { return m_kind; }
  std::uint32_t GetEntryCount() const { return m_entryCount; }
  std::uint32_t GetCurrentCluster() const { return m_currentCluster; }
  std::uint32_t GetParentCluster() const { return m_parentCluster; }
  std::uint32_t GetHighestCluster() const { return m_highestCluster; }
  std::uint32_t GetBytesToAnalyse() const { return m_bytesToAnalyse; }

 private:
  void Clear();

  std::uint32_t m_kind = kNotDirectory;
  std::uint32_t m_entryCount = 0;
  std::uint32_t m_currentCluster = 0;
  std::uint32_t m_parentCluster = 0;
  std::uint32_t m_highestCluster = 0;
  std::uint32_t m_bytesToAnalyse;
};
