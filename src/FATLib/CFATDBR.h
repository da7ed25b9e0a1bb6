#pragma once
// A boot sector with its own copy of the 512 bytes, so the caller's buffer may go.

#include "FATLib/CTempFATDBR.h"

namespace quellsy::detail {
// Holds the copy; a base class so that it exists before the view over it is made.
struct FATDBRStorage {
  tagFATPARTITIONDBR record;
};
}  // namespace quellsy::detail

class CFATDBR : private quellsy::detail::FATDBRStorage, public CTempFATDBR {
 public:
  // Copies the first 512 bytes of `sector`; a shorter span gives an all-zero copy (type unknown).
  CFATDBR(quellsy::ByteSpan sector, std::uint32_t sectorSize);
  CFATDBR(const CFATDBR& other, std::uint32_t sectorSize);
  CFATDBR(const CFATDBR& other);
  CFATDBR& operator=(const CFATDBR& other);
  ~CFATDBR() = default;

 private:
  static tagFATPARTITIONDBR Copy(quellsy::ByteSpan sector);
};
