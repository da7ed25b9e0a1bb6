#pragma once
// Analysers for driving the signature search without real formats. Each is put in the registry's map
// under a four-byte key, so it is asked only about sectors that begin with that key. What they are
// asked and when is written to a shared log.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/IRawFileAnalyser.h"
#include "RAWSearch/Framework/ISpecialRawFileAnalyser.h"
#include "include/IStorageDevice.h"

namespace quellsy::test {

// The map key of a sector beginning with these four characters.
inline unsigned int KeyOf(const char (&lead)[5]) {
  unsigned int key = 0;
  std::memcpy(&key, lead, 4);
  return key;
}

struct FakeLog {
  struct Sizing {
    long long start;
    std::uint64_t sizeBefore;
    int deviceType;
  };
  struct Removal {
    long long start;
    long long atSector;
  };
  std::vector<Sizing> sizings;
  std::vector<Removal> removals;
  struct Asked {
    long long sector;
    long long bufferFirst;
    long long blockEnd;
    bool operator==(const Asked&) const = default;
  };
  std::vector<Asked> asked;
  std::vector<long long> SectorsAsked() const {
    std::vector<long long> sectors;
    for (const Asked& a : asked) sectors.push_back(a.sector);
    return sectors;
  }
};

// What a hit says about itself: its name, time text and label.
struct FakeContent {
  std::string name{};
  std::string time{};
  RAW_FILE_TAG tag = RAW_FILE_TAG_NONE;
  std::string tagValue{};
};

// Hits of one type, sized at once (size != 0) or pending; sized from the device with sizeWhenAsked.
class FixedSizeAnalyser : public IRawFileAnalyser {
 public:
  // The hit's size stands in the sector as a little-endian u32 at offset 4.
  static constexpr std::uint64_t kSizeInSector = ~0ULL;

  FixedSizeAnalyser(std::uint32_t type, std::uint64_t size, FakeLog* log, std::uint64_t sizeWhenAsked = 0,
                    FakeContent content = {})
      : IRawFileAnalyser(type), size_(size), sizeWhenAsked_(sizeWhenAsked), log_(log), content_(std::move(content)) {}

  int AnalyseBuffer(unsigned char* sector, CRawFileInfo& scratch) override {
    scratch.m_uRawFileType = m_uType;
    scratch.m_ullSize = size_;
    if (size_ == kSizeInSector) {
      std::uint32_t size = 0;
      std::memcpy(&size, sector + 4, sizeof size);
      scratch.m_ullSize = size;
    }
    return 1;
  }
  int GetRawFileSize(CRawFileInfo& info, IStorageDevice* device) override {
    if (log_) log_->sizings.push_back({info.m_llStartSector, info.m_ullSize, device ? device->GetType() : -1});
    info.m_ullSize = sizeWhenAsked_;
    return sizeWhenAsked_ != 0;
  }
  CRawFileInfo* CreateRawFileInfo() override {
    auto* record = new CRawFileInfo();
    record->SetRawFileName(content_.name);
    record->SetRawFileTime(content_.time);
    if (content_.tag != RAW_FILE_TAG_NONE || !content_.tagValue.empty())
      record->SetRawFileTagAndValue(content_.tag, content_.tagValue);
    return record;
  }

 private:
  std::uint64_t size_;
  std::uint64_t sizeWhenAsked_;
  FakeLog* log_;
  FakeContent content_;
};

// How a growing hit behaves.
struct GrowingScript {
  // CalcRawSize calls (the start sector's included) after which the record finishes; 0 = never.
  int finishAfter = 0;
  std::uint64_t finalSize = 0;
  // The type it turns out to be when it finishes (0 keeps the analyser's).
  std::uint32_t finalType = 0;
  // Grows its size field by a sector per call, as a running length.
  bool runningLength = false;
  // Closing on removal settles this size (0 = closing settles nothing).
  std::uint64_t closingSize = 0;
};

class GrowingRecord : public CRawFileInfo {
 public:
  GrowingRecord(GrowingScript script, FakeLog* log) : script_(script), log_(log) {}

  bool WhetherImplementGuess() override { return true; }
  void WillBeRemove(unsigned char*, long long sectorNumber) override {
    if (log_) log_->removals.push_back({m_llStartSector, sectorNumber});
    if (script_.closingSize != 0) m_ullSize = script_.closingSize;
  }
  int CalcRawSize(unsigned char*, int sectorSize, long long, SearchContext&) override {
    ++calls_;
    if (script_.runningLength) m_ullSize += static_cast<std::uint64_t>(sectorSize);
    if (calls_ != script_.finishAfter) return 2;
    m_ullSize = script_.finalSize;
    if (script_.finalType != 0) m_uRawFileType = script_.finalType;
    return 1;
  }

 private:
  GrowingScript script_;
  FakeLog* log_;
  int calls_ = 0;
};

// Hits that grow themselves; unfinished ones are sized from the device with sizeWhenAsked.
class GrowingAnalyser : public FixedSizeAnalyser {
 public:
  GrowingAnalyser(std::uint32_t type, GrowingScript script, FakeLog* log, std::uint64_t sizeWhenAsked = 0)
      : FixedSizeAnalyser(type, 0, log, sizeWhenAsked), script_(script), log_(log) {}

  CRawFileInfo* CreateRawFileInfo() override { return new GrowingRecord(script_, log_); }

 private:
  GrowingScript script_;
  FakeLog* log_;
};

// Claims nothing; notes the number of every sector it is asked about.
class SectorWatcher : public IRawFileAnalyser, public ISpecialRawFileAnalyser {
 public:
  explicit SectorWatcher(FakeLog* log) : IRawFileAnalyser(RAW_FILE_TYPE_NONE), log_(log) {}

  int GetRawFileSize(CRawFileInfo&, IStorageDevice*) override { return 0; }
  ISpecialRawFileAnalyser* GetSpecialRawFile() override { return this; }
  int AnalyseBufferEx(unsigned char*, CRawFileInfo&, long long, long long sector, long long bufferFirst,
                      long long blockEnd) override {
    log_->asked.push_back({sector, bufferFirst, blockEnd});
    return 0;
  }

 private:
  FakeLog* log_;
};

}  // namespace quellsy::test
