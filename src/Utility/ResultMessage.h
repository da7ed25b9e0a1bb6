#pragma once
// Words for the engine's result codes, one table for every program that shows a failure to a person (the harness
// today, the windows later). A text may name its object with "%s" (an image, a folder, a file); the code follows
// the words in hex so that a report can still be traced to its return point.

#include <string>
#include <string_view>

#include "Utility/ResultCode.h"

namespace quellsy {

// "0x" and the sixteen hex digits of code.
std::string ResultCodeHex(ResultCode code);
// The table's words for code with subject in place of "%s", then " (0x...)". Unknown error numbers read "failed".
std::string DescribeResult(ResultCode code, std::string_view subject = {});

}  // namespace quellsy
