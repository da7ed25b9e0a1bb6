#pragma once
// Text search the way the user expects it in file names: without regard to case, for any script.

#include <string_view>

namespace quellsy::bridge {

// Whether haystack holds needle, both UTF-8, with both sides lower-cased character by character (Unicode
// simple case mapping; bytes that are not UTF-8 only match themselves). An empty needle is always found.
bool ContainsIgnoringCase(std::string_view haystack, std::string_view needle);

}  // namespace quellsy::bridge
