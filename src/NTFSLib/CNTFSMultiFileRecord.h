#pragma once
// A file whose attributes spread over its base record and the extension records its attribute list names.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "NTFSLib/CNTFSDataRunList.h"
#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/NTFSStreamReader.h"
#include "Utility/ByteReader.h"

class IStorageDevice;

struct CAttributeListExtendFileRecordInfo {
  std::int64_t firstSector = -1;  // device sector holding the record's first byte
  std::int64_t position = -1;     // its byte position on the device
  std::int64_t mftNumber = -1;
};

class CNTFSMultiFileRecord {
 public:
  struct FoundAttribute {
    CNTFSFileRecordAttribute attribute;  // valid while the multi-record lives
    std::uint32_t offsetInRecord = 0;
    std::int64_t recordSector = -1;
  };

  // Copies a valid base record (fixed up) and keeps the extension list; an invalid record leaves the object
  // invalid. The device and the $MFT runs are kept (not owned, they must outlive the object) for reading
  // extension records on first use.
  CNTFSMultiFileRecord(quellsy::ByteSpan record, std::int64_t recordSector, IStorageDevice* device,
                       const NTFSVolumeGeometry& geometry, const CNTFSDataRunList& mftRuns,
                       std::vector<CAttributeListExtendFileRecordInfo> extensions);
  // The same over a base record the caller has already fixed up and keeps (not copied; it must outlive the
  // object).
  CNTFSMultiFileRecord(const CNTFSFileRecord& base, std::int64_t recordSector, IStorageDevice* device,
                       const NTFSVolumeGeometry& geometry, const CNTFSDataRunList& mftRuns,
                       std::vector<CAttributeListExtendFileRecordInfo> extensions);

  // The extension records the base record's attribute list names (each MFT number once), with their positions;
  // entries that are the base record itself or that the $MFT's runs do not map are left out. Non-resident lists
  // are read from the device (at most 256 KiB). Empty when the record has no list.
  static std::vector<CAttributeListExtendFileRecordInfo> InitExtendFileRecord(
      quellsy::ByteSpan record, std::int64_t recordSector, IStorageDevice& device,
      const NTFSVolumeGeometry& geometry, const CNTFSDataRunList& mftRuns);
  // The same for a base record already fixed up.
  static std::vector<CAttributeListExtendFileRecordInfo> InitExtendFileRecord(
      const CNTFSFileRecord& base, std::int64_t recordSector, IStorageDevice& device,
      const NTFSVolumeGeometry& geometry, const CNTFSDataRunList& mftRuns);
  // MFT numbers named by an attribute list's bytes (each once, in order), up to an entry of type 0 or length 0.
  static std::vector<std::int64_t> ParseAttributeList(quellsy::ByteSpan list);

  bool IsValid() const { return m_base && m_base->IsValid(); }
  // The n-th attribute of a type over the base record, then the extension records in list order.
  std::optional<FoundAttribute> FindAttibute(std::uint32_t type, unsigned n);
  bool IsinUse() const { return IsValid() && m_base->IsinUse(); }
  std::uint32_t GetMainFileRecordIndex() const { return IsValid() ? m_base->GetXPNumberOfthisMFTRecord() : 0; }
  bool HasSameExtendFileRecordInfoList(std::int64_t mftNumber) const;
  const std::vector<CAttributeListExtendFileRecordInfo>& Extensions() const { return m_extensions; }

  static std::int64_t GetClusterStartSector(std::int64_t cluster, std::int64_t origin, std::uint32_t sectorsPerCluster) {
    return cluster * sectorsPerCluster + origin;
  }
  // First sector of a record by MFT number, -1 when the $MFT's runs do not map it.
  static std::int64_t GetFileRecordStartSectorfromMFTNumber(std::int64_t mftNumber, const NTFSVolumeGeometry& geometry,
                                                            const CNTFSDataRunList& mftRuns);

 private:
  // Over the base record `own` (kept) or `borrowed` (not owned).
  CNTFSMultiFileRecord(std::unique_ptr<CNTFSFileRecord> own, const CNTFSFileRecord* borrowed,
                       std::int64_t recordSector, IStorageDevice* device, const NTFSVolumeGeometry& geometry,
                       const CNTFSDataRunList& mftRuns, std::vector<CAttributeListExtendFileRecordInfo> extensions);

  // The extension record at index i, read and checked on first use; null when it cannot be used.
  const CNTFSFileRecord* Extension(std::size_t i);

  std::unique_ptr<CNTFSFileRecord> m_ownBase;  // the copy, when the object was given bytes
  const CNTFSFileRecord* m_base;
  std::int64_t m_recordSector;
  IStorageDevice* m_device;
  NTFSVolumeGeometry m_geometry;
  const CNTFSDataRunList& m_mftRuns;
  std::vector<CAttributeListExtendFileRecordInfo> m_extensions;
  std::vector<std::unique_ptr<CNTFSFileRecord>> m_loaded;
  std::vector<bool> m_tried;
};
