#pragma once
// The search for a mark that closes a file, written once for the growing records (over the bytes the
// search holds while it streams past) and the plain analysers (over the device, read again): each sector
// of the file is looked at with the bytes before it, for a mark cut by the boundary; when asked, only
// sectors that end in zeros are (a file padded with zeros to its sector's end). Also the first place a
// pattern starts inside a window, and the zero test of a sector's last bytes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "Utility/ByteReader.h"

class PlainFileWindow;

// Where `pattern` first starts inside `window`; nothing for an empty pattern or a shorter window.
std::optional<std::size_t> FindPattern(quellsy::ByteSpan window, quellsy::ByteSpan pattern);
// True when the last `count` bytes of `sector` are zero (and it holds that many).
bool HasZeroTail(quellsy::ByteSpan sector, std::size_t count);

// One form of a closing mark: the file ends `toEnd` bytes past the mark's first byte.
struct MarkForm {
  quellsy::ByteSpan bytes;
  std::uint64_t toEnd = 0;
};

struct EndMark {
  // Any of these closes the file.
  std::span<const MarkForm> forms;
  // Bytes before a sector looked at with it (at most a sector's).
  std::size_t behind = 0;
  // When not 0: only a sector whose last `zeroTail` bytes are zero holds the end, its mark before them.
  std::size_t zeroTail = 0;
  // The last mark among the bytes looked at rather than the first.
  bool last = false;
};

// The file's end by `mark` among `bytes`: a sector (their last `sectorSize` bytes) and up to
// `mark.behind` bytes before it, bytes[0] at file offset `first`. The file offset just past the file.
std::optional<std::uint64_t> EndByMark(quellsy::ByteSpan bytes, std::uint64_t first, std::size_t sectorSize,
                                       const EndMark& mark);
// The same, sector by sector, over a file read through the read window from its first sector; no
// sector starting past `cap` is looked at. Without a mark: where the device ends, or `cap`.
std::uint64_t ScanForEndMark(PlainFileWindow& window, std::uint64_t cap, const EndMark& mark);
