#pragma once
// Small pieces of the plain analysers that find a file's end by a mark near the zero tail of its last
// sector: the first place a pattern starts inside a window, and the zero test of a sector's last bytes.

#include <cstddef>
#include <optional>

#include "Utility/ByteReader.h"

// Where `pattern` first starts inside `window`; nothing for an empty pattern or a shorter window.
std::optional<std::size_t> FindPattern(quellsy::ByteSpan window, quellsy::ByteSpan pattern);
// True when the last `count` bytes of `sector` are zero (and it holds that many).
bool HasZeroTail(quellsy::ByteSpan sector, std::size_t count);
