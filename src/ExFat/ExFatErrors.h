#pragma once
// Result codes of the exFAT quick search (module 0x0B), with words for those whose error numbers are its own.

#include "Utility/ResultCode.h"
#include "Utility/ResultMessage.h"

namespace quellsy::exfat {

constexpr ResultCode kQuickMissingArgument = MakeFailure(module::kExFat, 0x40, error::kBadArgument);
constexpr ResultCode kQuickBootSectorUnreadable = MakeFailure(module::kExFat, 0x42, error::kBootSectorUnreadable);
constexpr ResultCode kQuickNoBootSector = MakeFailure(module::kExFat, 0x43, 0x10);
constexpr ResultCode kQuickOutOfMemory = MakeFailure(module::kExFat, 0x44, error::kOutOfMemory);

inline constexpr ResultWords kResultWords[] = {
    {kQuickNoBootSector, "no exFAT boot sector at %s"},
};

}  // namespace quellsy::exfat
