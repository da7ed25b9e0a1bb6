#pragma once
// Small helpers shared by the signature search and its analysers.

#include <string>

// Cleans a name or label taken from file content so it can be shown and used in a path: trailing
// blanks go, and each of 0x01 \ / : ? " < > | * CR LF becomes "_".
std::string ApiStrFilterBadFileName(std::string name);

// The first occurrence of pattern in data, or null. Null also for null arguments, dataLength < 1,
// patternLength < 1 or patternLength > dataLength.
const unsigned char* Apimemstr(const unsigned char* data, int dataLength, const unsigned char* pattern,
                               int patternLength);
