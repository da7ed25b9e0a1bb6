#pragma once
// A file's run list packed back into mapping-pair bytes, so that stored scan results keep it compactly
// ("compressed" means packed, not file compression).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Utility/ByteReader.h"

class IDataRunList;

class CCompressedDataRunList {
 public:
  CCompressedDataRunList() = default;
  // Packs a list's runs. A resident list (type 1) keeps its non-zero offset; any other list must answer offset 0.
  // Null for a null list, a list without runs, or an offset that does not fit its type. exact (when given) is set
  // when Decompress gives back the same runs: no cluster below -1 and no negative length, which packing would
  // change.
  static std::unique_ptr<CCompressedDataRunList> Compress(IDataRunList* list, bool* exact = nullptr);
  // The same into a list kept by the caller; false (and into left as it was) where the above gives null.
  static bool Compress(IDataRunList* list, CCompressedDataRunList& into, bool* exact = nullptr);

  // A new resident list (first packed run and the offset) when the offset is non-zero, else a new non-resident
  // list decoded from the bytes; the caller releases it.
  IDataRunList* Decompress() const;
  // No runs: what a default-constructed list holds (packing always gives at least one).
  bool IsEmpty() const { return m_bytes.size() <= 1; }
  // Bytes including the final zero (1 for an empty list).
  std::size_t GetCompressedDataRunSize() const { return m_bytes.size(); }
  quellsy::ByteSpan Bytes() const {
    return {reinterpret_cast<const std::uint8_t*>(m_bytes.data()), m_bytes.size()};
  }
  std::uint16_t GetOffset() const { return m_offset; }

  // The stored form: byte count (u32), the bytes, the offset (u16), little-endian.
  std::vector<std::uint8_t> Save() const;
  // Reads a stored form from the start of bytes; consumed gets its length. Null when it is cut short, holds no
  // terminating zero where its count says, or claims more bytes than the span holds.
  static std::unique_ptr<CCompressedDataRunList> Restore(quellsy::ByteSpan bytes, std::size_t& consumed);

 private:
  std::uint16_t m_offset = 0;
  // Every listed file keeps one: a string holds the few bytes of most files' runs inside itself, with no
  // allocation of their own.
  std::string m_bytes = std::string(1, '\0');
};
