#pragma once
// The document information of a PDF read from raw sector bytes while the file streams past: an
// object marker, then the keys Title, Author, Creator, Producer, CreationDate and ModDate as plain
// byte strings, each with the literal string that follows it. Nothing is decoded beyond that: escapes,
// hexadecimal strings and compressed object streams give no value.

#include <string>

#include "RAWSearch/Metadata/FileProperty.h"

namespace BruteForce {

class PdfTitleAnalyzer {
 public:
  // Bytes of a value kept before it is cleaned; longer values are cut.
  static constexpr std::size_t kMaxValueChars = 25;
  // Bytes after a key in which its literal string is looked for.
  static constexpr int kValueWindow = 512;

  // `more`: the `length` bytes after the sector are in memory too. True once the creator, author or
  // one of the dates was stored in `out`.
  bool ObtainPerSecPDFInformation(const unsigned char* sector, int length, bool more, FileProperty& out);
  // Reads the six keys within `length` bytes of `data` into `out` when enough of them are there.
  bool SeparateInformation(const char* data, int length, FileProperty& out);
  // The literal string after the key at `data`, as UTF-8; empty when there is none.
  static std::string ObtainPerInfo(const char* data, int length);
  // D:YYYYMMDDhhmmss... as "YYYY-MM-DD hh-mm-ss"; empty when the value is not of that form.
  static std::string TimeChange(const std::string& value);
  // The first occurrence of `key` lying whole within the first `length` bytes, with its index in
  // `position` (0 when none; an empty key matches at 0).
  static const char* myStrstr(const char* data, int length, const char* key, int, int& position);
  // Four sampled bytes: does the data look like text at all.
  static bool RemoveNolessVec(const unsigned char* data, int length);
  // At least two characters, each a letter, a digit, a blank, "(", "-", "." or "_".
  static bool JudeLegalInfo(const std::string& text);
  // A title with a digit in it is taken for a generated one: empty.
  static std::string RemoveIllegalTitle(const std::string& text);

  // Bytes the last successful call examined.
  int m_iScanLength = 0;
};

}  // namespace BruteForce
