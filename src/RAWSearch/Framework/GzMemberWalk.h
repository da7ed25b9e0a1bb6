#pragma once
// Where a gzip file ends by its structure: each member's header is read, its deflate stream inflated to
// its last block, and its eight-byte trailer taken in; another member right behind it goes on the same
// way, anything else (zeros, other files' data) ends the file behind the last trailer. The walk is fed
// the bytes at hand piece by piece, so the search can walk a file while it streams past and a
// measurement can walk it again from the device.

#include <cstdint>
#include <memory>

#include "Utility/ByteReader.h"

class GzMemberWalk {
 public:
  enum class State { kWaiting, kDone, kBad };
  // A header's name or comment longer than this is not a gzip file's.
  static constexpr std::uint64_t kMaxText = 65536;

  GzMemberWalk();
  ~GzMemberWalk();
  GzMemberWalk(const GzMemberWalk&) = delete;
  GzMemberWalk& operator=(const GzMemberWalk&) = delete;

  // Walks on from Next() through `bytes`, whose first byte lies at file offset `first` (at most Next()).
  // Bad: the bytes are no gzip member, or the byte at Next() lies before `first`.
  State Advance(quellsy::ByteSpan bytes, std::uint64_t first);

  State GetState() const { return m_state; }
  std::uint64_t Next() const { return m_next; }
  // Once done: the file's length, just past its last member's trailer.
  std::uint64_t End() const { return m_end; }

 private:
  enum class Part { kHeader, kData, kTrailer, kAfter };
  struct Inflater;

  // One step at the start of `rest`; false when more bytes are needed or the walk ended.
  bool StepHeader(quellsy::ByteSpan rest);
  bool StepData(quellsy::ByteSpan rest);
  bool StepAfter(quellsy::ByteSpan rest);
  bool Fail();

  State m_state = State::kWaiting;
  Part m_part = Part::kHeader;
  std::uint64_t m_next = 0;
  std::uint64_t m_end = 0;
  std::unique_ptr<Inflater> m_inflater;
};
