#pragma once
// The properties of a signature-search node: generated name, size, attribute, the time text the
// content gave, and one data run from the hit's start sector.

#include <cstdint>
#include <string>

#include "include/IFileProperties.h"

class CRawFileInfo;

class CRAWFileProperties : public IFileProperties {
 public:
  static constexpr unsigned short kMaskFlag = 463;
  static constexpr int kPropertiesType = 3;

  // A new record, all fields zero or empty.
  static CRAWFileProperties* Create();
  static void Destory(CRAWFileProperties* properties);

  CRAWFileProperties() = default;
  ~CRAWFileProperties() override;
  CRAWFileProperties& operator=(const CRAWFileProperties&) = delete;

  unsigned short GetFileNameLength() override;
  // Signature-search names are generated; a rename is ignored.
  void SetFileName(const char*) override {}
  const char* GetFileName() override { return m_strName.c_str(); }
  long long GetFileSize() override { return static_cast<long long>(m_ullSize); }
  unsigned short GetAttribute() override { return m_wAttribute; }
  std::string GetRawFileCreateTime() override { return m_strTime; }
  // The node turns the time text into times; the record itself has none.
  unsigned long long GetCreationTime() override { return 0; }
  unsigned long long GetModificationTime() override { return 0; }
  unsigned long long GetLastAccessTime() override { return 0; }
  unsigned short GetState() override { return m_cState; }
  void SetState(unsigned short state) override { m_cState = static_cast<std::uint8_t>(state); }
  IDataRunList* GetDataRunList() override { return m_pDataRuns; }
  // A real copy with its own run list, owned by the caller; null when memory is short.
  IFileProperties* Clone() override;

  std::uint8_t GetCheckState() const { return m_cCheckState; }
  void SetCheckState(std::uint8_t state) { m_cCheckState = state; }
  unsigned short GetMaskFlag() const { return kMaskFlag; }
  std::uint8_t GetMatchState() const { return m_cMatchState; }
  int SetMatchState(int state) {
    m_cMatchState = static_cast<std::uint8_t>(state);
    return 1;
  }
  int GetFilePropertyiesType() const { return kPropertiesType; }
  // The file was cut off by the end of the searched device: the node holds only what was there.
  bool IsIncomplete() const { return m_bIncomplete; }

  // Size, time text and completeness from the hit, and one run: the start sector, (size + 511) / 512 sectors.
  // Returns 1; 0 when memory is short.
  int InitRawFileProperties(CRawFileInfo& info);
  // A null name is ignored.
  void SetRawFileName(const char* name);
  void SetRawFileTime(std::string text) { m_strTime = std::move(text); }
  void SetAttribute(unsigned short attribute) { m_wAttribute = attribute; }

 private:
  CRAWFileProperties(const CRAWFileProperties& other);

  std::string m_strName;
  std::uint64_t m_ullSize = 0;
  unsigned short m_wAttribute = 0;
  std::uint8_t m_cCheckState = 0;
  std::uint8_t m_cMatchState = 0;
  std::uint8_t m_cState = 0;
  std::string m_strTime;
  bool m_bIncomplete = false;
  // Owned.
  IDataRunList* m_pDataRuns = nullptr;
};
