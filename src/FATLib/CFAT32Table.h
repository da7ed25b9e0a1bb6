#pragma once
// A FAT32 copy. Up to 128000 sectors (at 512 bytes a sector) it is read whole; a larger one, up to the
// FAT32 limit of 2^28 entries, is read through a window cache so that every lookup still answers.

#include <memory>

#include "FATLib/CFATWindowCache.h"
#include "FATLib/IRealFATTable.h"

class CFAT32Table : public IRealFATTable {
 public:
  static constexpr std::uint32_t kWholeReadSectorsAt512 = 128000;
  static constexpr std::uint64_t kMaxEntries = 1ull << 28;

  // wholeReadSectorsAt512: the read-whole limit (tests lower it to reach the windowed form on small images).
  CFAT32Table(IStorageDevice* device, std::int64_t startSector, std::uint32_t sectors,
              std::uint32_t wholeReadSectorsAt512 = kWholeReadSectorsAt512);

  std::uint32_t GetNextCluster(std::uint32_t cluster) override;
  void FillUnreadableFrom(std::int64_t otherStart) override;
  bool IsValidFATTable() override;
  // Entry 0 masked with 0x0FFFFFF0 and entry 1 masked with 0x07FFFFF8 all set.
  static bool CheckFATHeader(quellsy::ByteSpan table);
  bool CheckFATBody() { return CheckBody(0x0FFFFFF7); }
  bool CheckFATIndex() { return CheckChains(0x0FFFFFF6); }
  bool IsWindowed() const { return m_window != nullptr; }

 protected:
  std::uint32_t EntryAt(std::uint32_t index) override;

 private:
  std::unique_ptr<CFATWindowCache> m_window;
  bool m_windowReadFailed = false;
};
