#pragma once
// What one FAT directory entry says about a file or folder: name, size, attribute, three times, the state
// bits, the first cluster, the parent folder's first cluster, the sector of the folder that holds the entry,
// and the file's run list.

#include <cstdint>
#include <string>

#include "include/IFileProperties.h"

class CFATFileProperties : public IFileProperties {
 public:
  // State bits.
  static constexpr std::uint8_t kStateDeleted = 0x01;
  // With kStateDeleted: the folder's first cluster is not to be trusted for its children.
  static constexpr std::uint8_t kStateUntrustedCluster = 0x08;

  static CFATFileProperties* Create();
  static void Destory(CFATFileProperties* properties);

  CFATFileProperties() = default;
  // Releases the run list.
  ~CFATFileProperties() override;
  CFATFileProperties(const CFATFileProperties&) = delete;
  // Copies name, state, attribute, both first clusters, the three times and the size; the run list and the
  // metadata sector stay.
  CFATFileProperties& operator=(const CFATFileProperties& other);

  unsigned short GetFileNameLength() override { return m_nameLength; }
  // Null forgets the name.
  void SetFileName(const char* name) override;
  const char* GetFileName() override { return m_name.c_str(); }
  const std::string& Name() const { return m_name; }
  long long GetFileSize() override { return m_size; }
  unsigned short GetAttribute() override { return m_attribute; }
  std::string GetRawFileCreateTime() override { return {}; }
  unsigned long long GetCreationTime() override { return m_creationTime; }
  unsigned long long GetModificationTime() override { return m_modificationTime; }
  unsigned long long GetLastAccessTime() override { return m_lastAccessTime; }
  unsigned short GetState() override { return m_state; }
  // Keeps the low byte.
  void SetState(unsigned short state) override { m_state = static_cast<std::uint8_t>(state); }
  IDataRunList* GetDataRunList() override { return m_dataRuns; }
  // A copy with its own name and its own copy of the run list; null when memory is short.
  IFileProperties* Clone() override;

  void SetFileSize(long long size) { m_size = size; }
  void SetAttribute(unsigned short attribute) { m_attribute = attribute; }
  void SetCreationTime(unsigned long long fileTime) { m_creationTime = fileTime; }
  void SetCreationTime(std::uint16_t dosDate, std::uint16_t dosTime);
  void SetCreationTime() { m_creationTime = 0; }
  void SetModificationTime(unsigned long long fileTime) { m_modificationTime = fileTime; }
  void SetModificationTime(std::uint16_t dosDate, std::uint16_t dosTime);
  void SetModificationTime() { m_modificationTime = 0; }
  void SetLastAccessTime(unsigned long long fileTime) { m_lastAccessTime = fileTime; }
  void SetLastAccessTime(std::uint16_t dosDate, std::uint16_t dosTime);
  void SetLastAccessTime() { m_lastAccessTime = 0; }
  long long GetFirstCluster() const { return m_firstCluster; }
  void SetFirstCluster(long long cluster) { m_firstCluster = cluster; }
  long long GetParentFirstCluster() const { return m_parentFirstCluster; }
  void SetParentFirstCluster(long long cluster) { m_parentFirstCluster = cluster; }
  long long GetMetadataSector() const { return m_metadataSector; }
  void SetMetadataSector(long long sector) { m_metadataSector = sector; }
  // Takes ownership, releasing the previous list.
  void SetDataRunList(IDataRunList* runs);

  bool IsDeleted() const { return (m_state & kStateDeleted) != 0; }
  bool IsDirectory() const { return (m_attribute & 0x10) != 0; }

 private:
  std::string m_name;
  unsigned short m_nameLength = 0;
  long long m_size = 0;
  unsigned short m_attribute = 0;
  unsigned long long m_creationTime = 0;
  unsigned long long m_modificationTime = 0;
  unsigned long long m_lastAccessTime = 0;
  std::uint8_t m_state = 0;
  long long m_firstCluster = 0;
  long long m_parentFirstCluster = 0;
  long long m_metadataSector = 0;
  IDataRunList* m_dataRuns = nullptr;
};
