#pragma once
// Result codes of the NTFS quick search (module 0x12).

#include "Utility/ResultCode.h"

namespace quellsy::ntfssearch {

constexpr ResultCode kQuickMissingArgument = 0x0112006500000005ULL;
constexpr ResultCode kQuickNoBootSector = 0x0112007500000010ULL;
constexpr ResultCode kQuickNoMFTRecord = 0x0112007E00000011ULL;

}  // namespace quellsy::ntfssearch
