#pragma once
// Text conversion between UTF-8, wide characters (32-bit wchar_t units, with UTF-16 surrogate pairs
// for values past U+FFFF) and the multibyte encoding of the C library's current locale ("ANSI").
// Stateless; single values are encoded and decoded by Utility/TextConvert, the one UTF-8 codec.

#include <cwchar>

// UTF-8 -> wide (at most dstLen units) -> the locale's encoding; at most dstLen bytes are written,
// with a terminating NUL when it fits. Bytes written, 0 when either step yields nothing.
unsigned long UTF8ToANSI(const unsigned char* src, unsigned long srcLen, char* dst, unsigned long dstLen);
// Units written. A sequence cut at the end of the source is dropped; a malformed one fails the
// whole conversion (0).
long UTF8ToUNICODE(const unsigned char* src, long srcLen, wchar_t* dst, long dstLen);
// The locale's NUL-terminated text -> UTF-8 (the length argument is not used). Bytes written.
unsigned long ANSIToUTF8(const char* src, unsigned long, unsigned char* dst, unsigned long dstLen);
// Bytes written; stops before a sequence that does not fit.
long UNICODEToUTF8(const wchar_t* src, long srcLen, unsigned char* dst, long dstLen);
// mbstowcs / wcstombs, low 32 bits of the result.
unsigned int ANSIToUNICODE(const char* src, unsigned long, wchar_t* dst, unsigned long len);
unsigned int UNICODEToANSI(const wchar_t* src, unsigned long, char* dst, unsigned long len);

// Encodes one value into `out` (room for 6 bytes); bytes written, 1 to 6.
int XCharToUTF8(int ch, char* out);
// For a first byte below 0x80: that byte's value, `ch` untouched. Otherwise the sequence's length
// with `ch` its value (less 0x10000 from 0x10000 up), or 0 when a following byte is not 10xxxxxx.
// Reads no further than the first byte that breaks the sequence, so a NUL-terminated text is safe.
int UTF8ToXChar(const unsigned char* s, int& ch);
// The value of the sequence at `s` (less 0x10000 from 0x10000 up); 0 when it is broken.
int utf8_value(const unsigned char* s);
// n of all ones compares as strcmp; otherwise the first min(strlen a, strlen b, n) bytes, and on a
// tie the longer text is the greater.
int utf8_strcmp(const char* a, const char* b, unsigned long n);
// Walks `s` to its NUL or maxBytes bytes: `bytes` counts the bytes walked, `chars` those below 0x80
// or from 0xE0 up.
void utf8_strlen(const char* s, unsigned int& chars, unsigned int& bytes, unsigned int maxBytes);
