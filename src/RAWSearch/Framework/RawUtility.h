#pragma once
// Helpers shared by the analysers that grow their hits sector by sector (and by other families):
// byte-order reads, a backwards pattern search and the end of data before a zero tail. Also the
// character test that keeps camera names fit to become part of a file name.

#include <cstdint>
#include <string>

namespace BruteForce {

class RawUtility {
 public:
  // The 16- or 32-bit value at p (2 or 4 readable bytes); false = big-endian.
  static std::uint16_t EXIF_Get16s(const unsigned char* p, bool littleEndian);
  static std::uint32_t EXIF_Get32s(const unsigned char* p, bool littleEndian);
  // Searches backwards for the pattern from position length - back down to 0; a position matches
  // when its byte is non-zero and the pattern lies there whole inside the buffer. The offset just past
  // the match, or 0 when nothing matches or length - back is negative.
  static long long FindMagicInBuffer(const unsigned char* buf, int length, int back, const unsigned char* pattern,
                                     int patternLength);
  // 0 for an all-zero buffer; otherwise where the data end before the zero tail, by bisection that
  // takes the tail as one unbroken run: the last middle probed plus 1 (the data length, or one more
  // when the last probe landed in the tail; the length when the last byte is non-zero).
  static int Binary_Compare(const unsigned char* buf, int length);
};

}  // namespace BruteForce

// True as soon as the text holds a character other than a-z, A-Z, 0-9, space, comma, hyphen, full
// stop, at sign and underscore; false for an empty text.
bool ApiIsInvalidCharInFileName(const std::string& text);
