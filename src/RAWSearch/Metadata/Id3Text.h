#pragma once
// Texts of ID3 tags as UTF-8: the synchsafe sizes of ID3v2, its text frames (whose encoding byte says
// how the text is stored) and the guess of an unstated character set.

#include <cstdint>
#include <optional>
#include <string>

#include "Utility/ByteReader.h"

namespace Id3Text {

// Bytes of text an ID3v2 text frame may contribute, as the fixed buffers of the tag reader allow.
constexpr std::size_t kTextLimit = 1023;
constexpr std::size_t kLatinTextLimit = 255;

// The 28-bit value of four bytes each below 0x80; nothing when one of them is not.
std::optional<std::uint32_t> SynchsafeInteger(quellsy::ByteSpan bytes);

// The detected character-set name of `text`, or empty when the detector is unsure or fails.
std::string GuessCharset(quellsy::ByteSpan text);

// `text` converted from `charset` to UTF-8; nothing when the set is unknown or the text does not
// convert.
std::optional<std::string> ToUtf8(quellsy::ByteSpan text, const std::string& charset);

// One text frame's data (encoding byte first) as UTF-8. With `detect`, the set guessed for a
// Latin-1-style text becomes `keptCharset`; such texts are converted from the kept set, or from their
// own guess when none is kept. Encoding 2 and unknown encodings give an empty text.
std::string DecodeTextFrame(quellsy::ByteSpan frame, bool detect, std::string& keptCharset);

struct Id3v1Names {
  std::string title;
  std::string artist;
};
// Title and artist of the 128-byte ID3v1 tag at the start of `tag` ("TAG" first), as UTF-8 from the
// set guessed for the title; nothing when no set is guessed or the tag is cut short.
std::optional<Id3v1Names> ReadId3v1(quellsy::ByteSpan tag);

// The text up to the first zero byte.
std::string UntilZero(quellsy::ByteSpan text);

}  // namespace Id3Text
