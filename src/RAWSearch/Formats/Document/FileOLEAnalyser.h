#pragma once
// Compound documents (the structured-storage container of office files: a header, a sector allocation
// table listed by the header and its index chain, and a directory of named streams). A hit grows while
// the search streams past: the header, index sectors, the last allocation sector and the directory are
// read as they go by, which gives the file's length and the application that wrote it; the summary
// information stream names the file and labels office documents. Hits that cannot be finished that way
// are measured by reading the same structures from the device.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/OffsetFetch.h"
#include "RAWSearch/Metadata/CSummaryInFormation.h"
#include "RAWSearch/Metadata/FileProperty.h"
#include "Utility/ByteReader.h"

class FileOLEAnalyser : public CPlainRawFileAnalyser {
 public:
  // Longest compound file measured; longer ones, and hits still growing past it, are dropped.
  static constexpr std::uint64_t kSizeCap = 0x1F400000;
  // A file whose directory cannot be read is kept, untyped, only up to this length.
  static constexpr std::uint64_t kUnreadDirectoryCap = 0xA00000;
  // Directory bytes the kind rules look at: eight entries.
  static constexpr std::size_t kDirectoryBytes = 1024;

  // Where the pieces of one compound file lie and what they say, worked out from bytes asked for by
  // offset from the file's start.
  class Layout {
   public:
    using Fetch = OffsetFetch;
    enum class State { kWaiting, kDone, kBad };

    // Goes as far as the bytes at hand allow.
    State Advance(const Fetch& fetch);
    State GetState() const { return m_state; }
    // Valid once done: the length from the counted allocation entries, and the kind from the directory.
    std::uint64_t Size() const { return m_ullSize; }
    std::uint32_t Type() const { return m_uType; }
    bool DirectoryRead() const { return m_bDirectoryRead; }
    // The document's sector size (512 or 4096), 0 before the header was read.
    std::uint32_t SectorBytes() const { return m_uSectorBytes; }

   private:
    bool Header(quellsy::ByteSpan header);
    // Learns allocation sector `index` of the table; false when it lies or maps past kSizeCap.
    bool AddFatSector(std::uint32_t number);
    // The byte offset of document sector `number`, or nullopt when the sector would end past kSizeCap.
    std::optional<std::uint64_t> OffsetOf(std::uint32_t number) const;
    // False when the chain or the allocation sectors are unsound; true also while bytes are awaited.
    bool ReadIndexChain(const Fetch& fetch);
    bool CountFatSectors(const Fetch& fetch);

    State m_state = State::kWaiting;
    bool m_bHeaderRead = false;
    bool m_bChainDone = false;
    bool m_bDirectoryRead = false;
    bool m_bDirectoryLost = false;
    std::uint32_t m_uSectorBytes = 0;
    std::uint32_t m_uNextDifat = 0;
    std::uint32_t m_uDifatLeft = 0;
    std::uint32_t m_uDirectory = 0;
    std::uint32_t m_uFatCount = 0;
    // Allocation sectors learnt and not read yet: their offset, and their place in the table.
    std::map<std::uint64_t, std::uint32_t> m_pendingFat;
    // The highest document sector the table marks used, plus one.
    std::uint64_t m_ullUsedSectors = 0;
    std::uint64_t m_ullSize = 0;
    std::uint32_t m_uType = RAW_FILE_TYPE_MOF;
  };

  class OleRawFileInfo : public CRawFileInfo {
   public:
    OleRawFileInfo();

    bool WhetherImplementGuess() override { return true; }
    // 2 = show me the next sector; 1 = finished (size 0: the analyser measures it from the device).
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;
    // Leaving the growing set: a file whose length and kind are known keeps them and is filed.
    void WillBeRemove(unsigned char* sector, long long sectorNumber) override;

    // Name and time from the summary, then the "Office" label for word-processor, presentation and
    // spreadsheet documents.
    void SetFileName(const FileProperty& summary);
    void SetFileTag(const std::string& value);

    const FileProperty& Summary() const { return m_summary; }

   private:
    void ReadSummary(const unsigned char* sector, int sectorSize, long long available);
    int Finish(int sectorSize);

    FileProperty m_summary;
    CSummaryInFormation m_summaryReader;
    bool m_bSummaryRead = false;
    bool m_bFinished = false;
    Layout m_layout;
  };

  FileOLEAnalyser();

  CRawFileInfo* CreateRawFileInfo() override;

  // The kind of document a directory's first entries say, given the root entry's class id.
  static std::uint32_t CheckSectDirData(quellsy::ByteSpan directory);

 protected:
  // D0 CF 11 E0 A1 B1 1A E1.
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
