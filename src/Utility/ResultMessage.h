#pragma once
// Words for the engine's result codes, one table for every program that shows a failure to a person (the harness
// today, the windows later). A text may name its object with "%s" (an image, a folder, a file); the code follows
// the words in hex so that a report can still be traced to its return point.

#include <span>
#include <string>
#include <string_view>

#include "Utility/ResultCode.h"

namespace quellsy {

// "0x" and the sixteen hex digits of code.
std::string ResultCodeHex(ResultCode code);
// The words for code with subject in place of "%s", then " (0x...)": those registered for the exact code, else
// the table's for its error number. Unknown error numbers read "failed".
std::string DescribeResult(ResultCode code, std::string_view subject = {});

// Words for one exact code (or all lines of one module and error number). An engine registers them for the codes whose error number alone says too little
// (several of its return points share the number, or the shared words would mislead).
struct ResultWords {
  ResultCode code;
  std::string_view words;
  // The words stand for every code of the module and error number, whatever its line (a library that puts the
  // calling line in its codes).
  bool anyLine = false;
};
// Adds a table that lives as long as the process (a static array); a table registered again is not added twice.
void RegisterResultWords(std::span<const ResultWords> table);
// Forgets every registered table.
void ResetResultWordsForTesting();

}  // namespace quellsy
