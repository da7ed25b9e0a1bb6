#pragma once
// The LZVN decoder for compressed HFS+ files: a raw opcode stream (no block framing), as held by an inline
// type-7 payload or by one chunk of a type-8 resource fork.

#include <cstddef>
#include <optional>

#include "Utility/ByteReader.h"

namespace quellsy::lzvn {

// Decodes in into out until the end-of-stream opcode or until out is full; the bytes written. nullopt for an
// undefined opcode, a stream that ends early, a match reaching before the start, or an operation that would
// write past out. Bytes after the end-of-stream opcode are ignored.
std::optional<std::size_t> Decode(ByteSpan in, MutableByteSpan out);

}  // namespace quellsy::lzvn
