#pragma once
// Result codes of the HFS+ library (module 0x05) and the one line each failure writes to standard output.

#include <cstdint>

#include "Utility/ResultCode.h"
#include "Utility/ResultMessage.h"

namespace quellsy::hfsplus {

namespace hfserror {
constexpr std::uint32_t kMissing = 2;       // no header, descriptor, extent chain or tree
constexpr std::uint32_t kUnsupported = 3;   // a file ID with no tree
constexpr std::uint32_t kOutOfMemory = 4;
constexpr std::uint32_t kBadArgument = 5;   // null device, volume, file or pointer
constexpr std::uint32_t kInvalid = 6;       // invalid or not found
constexpr std::uint32_t kStopped = 0xD;     // the progress sink asked to stop
constexpr std::uint32_t kShortRead = 0xE;   // a special file read short
constexpr std::uint32_t kDeviceRead = 0x501;
}  // namespace hfserror

// Words for this library's error numbers, whichever line gave the code.
inline constexpr ResultWords kResultWords[] = {
    {MakeFailure(module::kHFSPlus, 0, hfserror::kMissing),
     "the HFS+ volume lacks its header, a B-tree or an extent chain", true},
    {MakeFailure(module::kHFSPlus, 0, hfserror::kInvalid), "the HFS+ volume's structures are damaged", true},
    {MakeFailure(module::kHFSPlus, 0, hfserror::kShortRead),
     "the HFS+ volume header or one of its special files could not be read", true},
    {MakeFailure(module::kHFSPlus, 0, hfserror::kDeviceRead), "reading the HFS+ volume failed", true},
};

// Logs "Return Error:0x<code>\tFile:<name>\tLine:<line>\tFuction:<function>" and returns the code.
ResultCode FormatError(ResultCode code, const char* sourceFile, long line, const char* function);

}  // namespace quellsy::hfsplus

// A failure of this library at the calling line, logged once.
#define HFS_FAILURE(errorNumber)                                                                             \
  ::quellsy::hfsplus::FormatError(                                                                           \
      ::quellsy::MakeFailure(::quellsy::module::kHFSPlus, static_cast<std::uint16_t>(__LINE__), (errorNumber)), \
      __FILE__, __LINE__, __func__)
