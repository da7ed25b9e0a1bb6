#pragma once
// What the NTFS engine knows of one file: name, size, DOS attributes, times, state, where its base record lies,
// its extents (packed) and its extension records.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "NTFSLib/CCompressedDataRunList.h"
#include "NTFSLib/CNTFSMultiFileRecord.h"
#include "include/IFileProperties.h"

struct CNTFSFilePropertiesStruct {
  static constexpr std::uint16_t kReadOnly = 0x01;
  static constexpr std::uint16_t kHidden = 0x02;
  static constexpr std::uint16_t kSystem = 0x04;
  static constexpr std::uint16_t kDirectory = 0x10;
  static constexpr std::uint16_t kArchive = 0x20;
  static constexpr std::uint16_t kEncrypted = 0x40;
  static constexpr std::uint16_t kCompressed = 0x800;
  static constexpr std::uint8_t kStateDeleted = 0x01;

  std::string name;
  std::int64_t fileSize = 0;
  std::uint16_t attributes = 0;
  std::uint8_t state = 0;
  std::uint64_t creationTime = 0;
  std::uint64_t modificationTime = 0;
  std::uint64_t lastAccessTime = 0;
  std::int64_t recordSector = -1;
  CCompressedDataRunList runs;  // empty when the file has none
  std::vector<CAttributeListExtendFileRecordInfo> extensions;
  std::uint64_t fileRecordIndex = 0;
};

class CNTFSFileProperties : public IFileProperties {
 public:
  // A new empty record (null when memory is short); freed with Destory or delete.
  static CNTFSFileProperties* Create();
  static void Destory(CNTFSFileProperties* properties) { delete properties; }

  void Init(CNTFSFilePropertiesStruct record);
  // The same, keeping unpacked (when not null, owned from now on) as the unpacked form of the record's runs: the
  // caller vouches that it holds the very runs Decompress would give back.
  void Init(CNTFSFilePropertiesStruct record, IDataRunList* unpacked);

  unsigned short GetFileNameLength() override { return static_cast<unsigned short>(m_record.name.size()); }
  // A null name is ignored.
  void SetFileName(const char* name) override;
  const char* GetFileName() override { return m_record.name.c_str(); }
  long long GetFileSize() override { return m_record.fileSize; }
  unsigned short GetAttribute() override { return m_record.attributes; }
  std::string GetRawFileCreateTime() override { return {}; }
  unsigned long long GetCreationTime() override { return m_record.creationTime; }
  unsigned long long GetModificationTime() override { return m_record.modificationTime; }
  unsigned long long GetLastAccessTime() override { return m_record.lastAccessTime; }
  unsigned short GetState() override { return m_record.state; }
  void SetState(unsigned short state) override { m_record.state = static_cast<std::uint8_t>(state); }
  // The extents unpacked (kept by the record until they change); null when there are none.
  IDataRunList* GetDataRunList() override;
  // A list of the extents of the caller's own (released by it): the unpacked list the record holds, handed over,
  // or else unpacked afresh; the record keeps nothing more. Null when there are none.
  IDataRunList* NewDataRunList();
  // An independent copy: its own name, extents and extension list.
  IFileProperties* Clone() override;

  void SetFileSize(std::int64_t size) { m_record.fileSize = size; }
  void SetAttribute(std::uint16_t attributes) { m_record.attributes = attributes; }
  // Packs list in place of the current extents; a null list is ignored.
  void SetDataRunList(IDataRunList* list);
  std::int64_t GetFileRecordStartSector() const { return m_record.recordSector; }
  void SetFileRecordStartSector(std::int64_t sector) { m_record.recordSector = sector; }
  const std::vector<CAttributeListExtendFileRecordInfo>& GetExtendFileRecordInfoList() const {
    return m_record.extensions;
  }
  void SetExtendFileRecordInfoList(std::vector<CAttributeListExtendFileRecordInfo> list) {
    m_record.extensions = std::move(list);
  }
  std::uint64_t GetFileRecordIndex() const { return m_record.fileRecordIndex; }

 private:
  struct ListDeleter {
    void operator()(IDataRunList* list) const;
  };

  CNTFSFilePropertiesStruct m_record;
  std::unique_ptr<IDataRunList, ListDeleter> m_unpacked;
};

// Properties of a file system's root folder: named by label, or "NTFS" without one. Null when memory is short.
CNTFSFileProperties* CreateNTFSFileSystemFileProperties(const char* label);
