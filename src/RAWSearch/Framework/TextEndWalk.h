#pragma once
// Where a text document ends: text runs until a byte no text holds (a control character other than
// tab, line feed, form feed and carriage return: zeros, or other files' data). The document ends behind
// the last closing mark before that byte (an XML root's closing tag, the brace that closes an RTF's
// outermost group) and the line end behind it; without one, where zeros follow its text, and before
// other data behind its last line end (a stray run of text-like bytes is not taken in). A closing mark
// followed by anything but ASCII text ends the document at once, so UTF-16 text, whose units rarely
// look like control characters, ends there too. The walk is fed the bytes at hand piece by piece, so the
// search can walk a document while it streams past and a measurement can walk it again from the device.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "Utility/ByteReader.h"

class TextEndWalk {
 public:
  enum class State { kWaiting, kDone };
  enum class Encoding { kBytes, kUtf16Le };
  // Text after the last closing mark or line end further than this is the document's own: it ends
  // where its text does.
  static constexpr std::uint64_t kReach = 1024;
  static constexpr std::size_t kMaxClosings = 4;
  static constexpr std::size_t kMaxClosingLength = 16;
  // The walk looks at up to this many bytes before Next(): a piece should start that far before it.
  static constexpr std::uint64_t kLookBehind = 2 * kMaxClosingLength;

  // `closings`: marks (ASCII letters matched without case) any of which may close the document; longer
  // ones and more than kMaxClosings are ignored. `braces`: the brace that closes the outermost group
  // is a closing mark (backslash escapes a brace). `first`: where the walk starts.
  TextEndWalk(std::span<const std::string_view> closings, Encoding encoding, bool braces = false,
              std::uint64_t first = 0);

  // Walks on from Next() through `bytes`, whose first byte lies at file offset `first` (at most Next()).
  State Advance(quellsy::ByteSpan bytes, std::uint64_t first);

  State GetState() const { return m_state; }
  std::uint64_t Next() const { return m_next; }
  // Once done: the document's length.
  std::uint64_t End() const { return m_end; }

 private:
  // One unit at `at`: false once the walk is done or needs more bytes.
  bool Step(quellsy::ByteSpan bytes, std::size_t at, std::uint32_t unit, std::size_t width);
  // `zero`: the unit at `stop` is zero.
  void Finish(std::uint64_t stop, bool zero);
  // Whether a closing mark ends at the unit just read (its last byte at `at` in `bytes`).
  bool ClosesAt(quellsy::ByteSpan bytes, std::size_t at, std::size_t width) const;

  State m_state = State::kWaiting;
  Encoding m_encoding;
  bool m_bBraces;
  std::array<std::string_view, kMaxClosings> m_closings{};
  std::size_t m_closingCount = 0;
  std::uint64_t m_next;
  std::uint64_t m_end = 0;
  // Just past the last closing mark and its line end; just past the last line end (0 = none).
  std::uint64_t m_closingEnd = 0;
  std::uint64_t m_lineEnd = 0;
  // Set right after a closing mark: its line end is being taken in.
  bool m_bAfterClosing = false;
  std::uint64_t m_depth = 0;
  bool m_bEscaped = false;
};
