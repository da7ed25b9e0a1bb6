#include "FATLib/CFATDBR.h"

#include <algorithm>

tagFATPARTITIONDBR CFATDBR::Copy(quellsy::ByteSpan sector) {
  tagFATPARTITIONDBR copy;
  // A short span cannot hold a boot sector: keep it all zero so the view over it decides "unknown".
  if (sector.size() >= copy.bytes.size()) std::copy_n(sector.begin(), copy.bytes.size(), copy.bytes.begin());
  return copy;
}

CFATDBR::CFATDBR(quellsy::ByteSpan sector, std::uint32_t sectorSize)
    : FATDBRStorage{Copy(sector)}, CTempFATDBR(record, sectorSize) {}

CFATDBR::CFATDBR(const CFATDBR& other, std::uint32_t sectorSize)
    : FATDBRStorage{other.record}, CTempFATDBR(record, sectorSize) {}

CFATDBR::CFATDBR(const CFATDBR& other) : CFATDBR(other, other.GetSectorSize()) {}

CFATDBR& CFATDBR::operator=(const CFATDBR& other) {
  if (this != &other) {
    record = other.record;
    CTempFATDBR::operator=(CTempFATDBR(record, other.GetSectorSize()));
  }
  return *this;
}
