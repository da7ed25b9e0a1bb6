#pragma once
// ZIP archives and the formats packaged as ZIP archives (office documents, e-books, application
// bundles, mail exports, drawings). A hit grows while the search streams past: the record walk goes
// from local header to local header, through the central directory to the end record, typing the file
// by its member names and first bytes; a member whose sizes follow its data (a data descriptor) ends the
// walk, and the end record is then searched for, taken only where the central directory it names ends
// right in front of it. Office packages are named from their core properties. Hits that cannot be
// finished while streaming are measured the same way from the device.

#include <cstdint>
#include <optional>
#include <string>

#include "RAWSearch/Framework/CPlainRawFileAnalyser.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/OffsetFetch.h"
#include "RAWSearch/Metadata/FileProperty.h"
#include "Utility/ByteReader.h"

// The ZIP validator: record signatures, record lengths and the member-name rules that type a package.
class classZipSearch {
 public:
  static constexpr std::uint16_t kMaxMethod = 10;
  static constexpr std::uint16_t kMaxNameLength = 4096;
  // Longer member names refuse the record.
  static constexpr std::size_t kMaxRuleName = 1024;
  static constexpr std::size_t kLocalBytes = 30;
  static constexpr std::size_t kCentralBytes = 46;
  static constexpr std::size_t kEndBytes = 22;
  static constexpr std::size_t kZip64EndBytes = 56;
  static constexpr std::size_t kZip64LocatorBytes = 20;
  static constexpr std::uint16_t kDescriptorFlag = 0x0008;

  enum class Kind { kNone, kLocal, kCentral, kEnd, kZip64End, kZip64Locator };

  // The record kind by its signature (a local header also by its method and name length).
  static Kind IsValidHeader(quellsy::ByteSpan record);
  static bool IsValidLocalZipFileHeader(quellsy::ByteSpan record);
  static bool IsValidCentralDirectoryHeader(quellsy::ByteSpan record);
  static bool IsValidEndCentralDir(quellsy::ByteSpan record);
  static bool IsValidZip64EndCentralDirRecord(quellsy::ByteSpan record);
  static bool IsValidZip64EndCentralDirLocator(quellsy::ByteSpan record);

  // Bytes of the record's fixed part and name (and extra field and comment) before its data.
  static std::uint64_t HeaderLength(Kind kind, quellsy::ByteSpan fixed);
  // A local header's data length: its compressed size, or the ZIP64 extra field's value in its place.
  static std::optional<std::uint64_t> LocalDataLength(quellsy::ByteSpan header);

  // The type a member name gives, from the type found so far; `after` holds the bytes that follow the
  // name in the record (the rules that look at content read at most 1024 of them).
  static std::uint32_t ClassifyLocal(const std::string& name, quellsy::ByteSpan after, bool office, std::uint32_t type);
  static std::uint32_t ClassifyCentral(const std::string& name, bool office, std::uint32_t type);
  // Whether the first member's name makes the archive an office package, or a drawing.
  static void JudgeMaybeOfficeType(const std::string& firstName, bool& office, bool& drawing);
};

class FileZIPAnalyser : public CPlainRawFileAnalyser {
 public:
  // Archives grow to this length at most (office packages to kOfficeSizeCap); a hit still unfinished
  // after kCapRunFactor times as much is cut to it.
  static constexpr std::uint64_t kSizeCap = 200000000;
  static constexpr std::uint64_t kOfficeSizeCap = 20000000;
  static constexpr std::uint64_t kCapRunFactor = 20;
  // The end record is searched no further than this from the file's start when measuring from the device.
  static constexpr std::uint64_t kDeviceSearchCap = 0xD000000;
  // A central directory read for member names is no longer than this.
  static constexpr std::uint64_t kCentralDirectoryCap = 0x400000;

  // The record walk, the end-record search and the core properties of one archive, fed with bytes asked
  // for by offset from the file's start.
  class Walk {
   public:
    using Fetch = OffsetFetch;
    enum class State { kWaiting, kDone, kBad };

    explicit Walk(std::uint32_t type) : m_uType(type) {}
    // Goes as far as the bytes at hand allow, searching for the end record no further than `limit`.
    State Advance(const Fetch& fetch, std::uint64_t limit);

    std::uint64_t Size() const { return m_ullEnd; }
    std::uint32_t Type() const { return m_uType; }
    bool Office() const { return m_bOffice; }
    bool PropertiesRead() const { return m_bPropertiesRead; }
    const FileProperty& Properties() const { return m_properties; }
    const std::string& LastName() const { return m_strLastName; }

   private:
    enum class Step { kNext, kWait, kStop };
    Step WalkRecord(const Fetch& fetch);
    Step SearchEnd(const Fetch& fetch, std::uint64_t limit);
    // The end record at `at` ends the archive when the central directory it names ends at `at`.
    Step CheckEnd(const Fetch& fetch, std::uint64_t at, bool& taken);
    void TypeByCentralDirectory(const Fetch& fetch, std::uint64_t offset, std::uint64_t size);
    void ReadCore(const Fetch& fetch);

    State m_state = State::kWaiting;
    bool m_bFirst = true;
    bool m_bWalking = true;
    bool m_bOffice = false;
    bool m_bDrawing = false;
    bool m_bCorePending = false;
    bool m_bPropertiesRead = false;
    std::uint64_t m_ullNext = 0;
    std::uint64_t m_ullScan = 0;
    std::uint64_t m_ullCore = 0;
    std::uint64_t m_ullEnd = 0;
    std::uint32_t m_uType;
    std::string m_strLastName;
    FileProperty m_properties;
  };

  class ZIPRawFileInfo : public CRawFileInfo {
   public:
    explicit ZIPRawFileInfo(std::uint32_t type);

    bool WhetherImplementGuess() override { return true; }
    // 2 = show me the next sector; 1 = finished (size 0: the analyser measures it from the device).
    int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override;
    // Leaving the growing set: an archive whose end was found keeps its size and is filed.
    void WillBeRemove(unsigned char* sector, long long sectorNumber) override;

   private:
    int Finish(long long lastSector);

    Walk m_walk;
    bool m_bFinished = false;
    int m_iSectorSize = 0;
  };

  FileZIPAnalyser();

  CRawFileInfo* CreateRawFileInfo() override;

  // The first member's name begins with a folder or file of an application bundle.
  static bool ZipIpaFileType(quellsy::ByteSpan header);
  // Name, label and time of a finished archive from its walk; the range name without core properties.
  static void FillFileInfo(CRawFileInfo& hit, const Walk& walk, long long lastSector);

 protected:
  // Any local file header: the registry's key already says so.
  int Test(quellsy::ByteSpan sector, CRawFileInfo& hit) override;
  int Measure(CRawFileInfo& hit, PlainFileWindow& window) override;
};
