#pragma once
// Small checks on UTF-8 text that came from a disk: where its characters begin and end, and a form of it that is
// safe to print on a terminal.

#include <cstddef>
#include <string>
#include <string_view>

namespace quellsy {

// Length of the valid UTF-8 sequence starting at text[at] (1 to 4), 0 when none starts there (a stray
// continuation byte, an overlong form, a surrogate, a value past U+10FFFF, a cut sequence).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

// True for the character (a valid sequence of length bytes at text[at]) U+0000-U+001F, U+007F or U+0080-U+009F:
// a terminal acts on them instead of showing them.
bool IsControlCharacter(std::string_view text, std::size_t at, std::size_t length);

// text with every control character and every byte outside valid UTF-8 written as \xNN (a backslash as \\), so
// nothing read from a disk can move a terminal's cursor, change its colours or retitle it.
std::string EscapeForTerminal(std::string_view text);

}  // namespace quellsy
