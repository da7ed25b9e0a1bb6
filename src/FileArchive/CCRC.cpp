#include "FileArchive/CCRC.h"

#include <array>

namespace {

template <typename T>
std::array<T, 256> MakeTable(T polynomial) {
  constexpr unsigned kTopShift = sizeof(T) * 8 - 8;
  constexpr T kTopBit = static_cast<T>(T{1} << (sizeof(T) * 8 - 1));
  std::array<T, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    auto value = static_cast<T>(static_cast<T>(i) << kTopShift);
    for (int bit = 0; bit < 8; ++bit)
      value = static_cast<T>((value & kTopBit) ? static_cast<T>(value << 1) ^ polynomial : static_cast<T>(value << 1));
    table[i] = value;
  }
  return table;
}

template <typename T>
T Run(const void* data, std::size_t length, T polynomial) {
  constexpr unsigned kTopShift = sizeof(T) * 8 - 8;
  const std::array<T, 256> table = MakeTable(polynomial);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  T crc = 0;
  for (std::size_t i = 0; i < length && bytes != nullptr; ++i)
    crc = static_cast<T>(static_cast<T>(crc << 8) ^ table[((crc >> kTopShift) ^ bytes[i]) & 0xFF]);
  return crc;
}

}  // namespace

std::uint16_t CCRC::RunCRC16(const void* data, std::size_t length, std::uint16_t polynomial) {
  return Run<std::uint16_t>(data, length, polynomial);
}
