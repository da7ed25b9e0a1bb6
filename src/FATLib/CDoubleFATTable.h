#pragma once
// The FAT the engine reads: the first copy when it is there, else the second.

#include <memory>

#include "FATLib/IRealFATTable.h"

class CDoubleFATTable : public IFATTable {
 public:
  CDoubleFATTable(std::unique_ptr<IRealFATTable> first, std::unique_ptr<IRealFATTable> second);

  // The first copy's answer, else the second's, else 0 (no copy: every cluster reads as free).
  std::uint32_t GetNextCluster(std::uint32_t cluster) override;
  bool HasFirstCopy() const { return m_first != nullptr; }
  bool HasSecondCopy() const { return m_second != nullptr; }

 private:
  std::unique_ptr<IRealFATTable> m_first;
  std::unique_ptr<IRealFATTable> m_second;
};
