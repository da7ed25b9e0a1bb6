#pragma once
// Where a PDF document ends by its structure: after an "%%EOF" (and its line end) whose "startxref"
// points at a cross-reference table or stream inside the file. An incremental update appends a body, a
// cross-reference section and another "%%EOF" to a finished document, so after every end mark the walk
// looks at what follows: an object, a cross-reference table or comment lines go on to a later end (so do
// "endstream" and "endobj", behind a document embedded uncompressed in a stream); anything else (zeros,
// other files' data, another document) leaves the last valid end as the file's.
// A document whose "startxref" points elsewhere still ends at its last end mark, unvalidated.
// The walk is fed the bytes at hand piece by piece, so the search can walk a document while it streams
// past and a measurement can walk it again from the device.

#include <array>
#include <cstddef>
#include <cstdint>

#include "Utility/ByteReader.h"

class PdfEndWalk {
 public:
  enum class State { kWaiting, kDone };
  // The walk looks at up to this many bytes before Next(): a piece should start that far before it.
  static constexpr std::uint64_t kLookBehind = 8;
  // Cross-reference sections remembered for the check of a later "startxref" that points back at one
  // the search no longer holds; a document with more updates keeps its latest ones.
  static constexpr std::size_t kRemembered = 64;

  // Walks on from Next() through `bytes`, whose first byte lies at file offset `first` (at most Next()).
  State Advance(quellsy::ByteSpan bytes, std::uint64_t first);

  State GetState() const { return m_state; }
  // The file offset from which the walk reads on.
  std::uint64_t Next() const { return m_next; }
  // Just past the last valid end mark and its line end so far; 0 = none yet. Once done, the file's end.
  std::uint64_t End() const { return m_end; }
  // Just past the last end mark of any kind so far, whether or not its "startxref" points at a
  // cross-reference section; 0 = none yet.
  std::uint64_t MarkEnd() const { return m_markEnd; }

 private:
  enum class Mode { kSearch, kAfterEnd };
  enum class Step { kNext, kWait, kStop };
  // Finds the next keyword: a "startxref", a table's "xref" or a stream's "/XRef".
  Step Search(quellsy::ByteSpan bytes, std::uint64_t first);
  // The "startxref" at `at`: its offset, the "%%EOF" and the line end; an end mark moves the mark's end,
  // a valid one the end too.
  Step CheckEndMark(quellsy::ByteSpan bytes, std::uint64_t first, std::uint64_t at);
  // Whether an object, a table, comment lines or the end of a stream follow the end mark just found.
  Step CheckUpdate(quellsy::ByteSpan bytes, std::uint64_t first);
  // Whether `target` is a cross-reference table or stream the walk saw or can see in `bytes`.
  bool IsCrossReference(quellsy::ByteSpan bytes, std::uint64_t first, std::uint64_t target) const;
  void Remember(std::array<std::uint64_t, kRemembered>& ring, std::size_t& count, std::uint64_t offset);

  State m_state = State::kWaiting;
  Mode m_mode = Mode::kSearch;
  std::uint64_t m_next = 0;
  std::uint64_t m_end = 0;
  std::uint64_t m_markEnd = 0;
  // Offsets of the "xref" keywords of tables and of the "/XRef" keywords of streams seen so far.
  std::array<std::uint64_t, kRemembered> m_tables{};
  std::size_t m_tableCount = 0;
  std::array<std::uint64_t, kRemembered> m_streams{};
  std::size_t m_streamCount = 0;
};
