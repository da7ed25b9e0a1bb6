#pragma once
// Text conversions shared by the engines and the metadata readers: UTF-16LE found on disk (long file
// names, recycle-bin paths, metadata text) to UTF-8, the one UTF-8 encoder and decoder of single
// values that every other conversion builds on, and the one cut of UTF-8 text to a byte limit.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Utility/ByteReader.h"

namespace quellsy {

// What to do at a unit that is not valid UTF-16 (an unpaired surrogate, a cut last unit).
enum class InvalidUtf16 {
  kFail,     // no text at all
  kStop,     // the text converted before it
  kReplace,  // "_" in its place, then go on
};

// nullopt at invalid text under kFail.
std::optional<std::string> Utf16LeToUtf8(ByteSpan bytes, InvalidUtf16 policy);
std::optional<std::string> Utf16LeToUtf8(const std::vector<std::uint16_t>& units, InvalidUtf16 policy);

// Longest sequence EncodeUtf8 writes: the original 31-bit form of UTF-8.
inline constexpr int kMaxUtf8Bytes = 6;
// Writes `value` (below 2^31 for a well-formed result) to `out`, which has room for kMaxUtf8Bytes;
// bytes written, 1 to 6.
int EncodeUtf8(std::uint32_t value, unsigned char* out);

// The continuation bytes a lead byte announces: 0 below 0xC0 (a stray continuation byte counts as a
// lead of its own), then 1 to 5.
int Utf8ContinuationBytes(unsigned char lead);

struct Utf8Sequence {
  std::uint32_t value;
  int length;  // 0 when a following byte is not 10xxxxxx
};
// The sequence starting at `s`, its length taken from the lead byte alone (a stray continuation
// byte reads as one byte; overlong forms are not refused). Reads no further than the first byte that
// breaks the sequence, so a NUL-terminated text is safe.
Utf8Sequence DecodeUtf8(const unsigned char* s);

// The longest start of `text` of at most `maxBytes` bytes that does not end inside a character: a valid
// sequence (see Utf8SequenceLength) is kept whole or left out whole. A byte of no valid sequence is a unit
// of its own, kept as it is, so text read from a disk is never cut short before its limit.
std::string_view CutUtf8(std::string_view text, std::size_t maxBytes);

}  // namespace quellsy
