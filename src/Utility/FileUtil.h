#pragma once

#include <cstdint>

// True for a non-null pointer to well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool isValidString(const char* text);

// The file's size from stat; 0 for a null path, a failed stat or an empty file.
std::uint64_t GetFileSize(const char* path);

// Copies a file or a folder tree with its permissions and times; the third argument is ignored.
// 0 on success, -1 on failure (errno tells why).
int CopyFileA(const char* from, const char* to, int);
