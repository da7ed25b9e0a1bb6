#pragma once
// An ordinary FILE record found on the device: what the tree building needs to place it.

#include <cstdint>

class CNTFSFileRecord;

class CCommonFileRecordInfo {
 public:
  // A valid base record with a file name; own MFT number from the record when it carries one (else -1).
  bool Build(const CNTFSFileRecord& record, std::int64_t sector);

  bool IsDirectory() const { return m_directory; }
  std::int64_t GetSector() const { return m_sector; }
  std::int64_t GetParentMFTNumber() const { return m_parent; }
  std::int64_t GetOwnMFTNumber() const { return m_own; }
  std::int64_t GetMFTNumber() const { return m_mftNumber; }
  void SetMFTNumber(std::int64_t number) { m_mftNumber = number; }

 private:
  bool m_directory = false;
  std::int64_t m_sector = -1;
  std::int64_t m_parent = -1;
  std::int64_t m_own = -1;
  std::int64_t m_mftNumber = -1;
};
