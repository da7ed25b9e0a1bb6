#pragma once
// Result codes of the NTFS quick search (module 0x12).

#include "Utility/ResultCode.h"
#include "Utility/ResultMessage.h"

namespace quellsy::ntfssearch {

constexpr ResultCode kQuickMissingArgument = 0x0112006500000005ULL;
constexpr ResultCode kQuickNoBootSector = 0x0112007500000010ULL;
constexpr ResultCode kQuickNoMFTRecord = 0x0112007E00000011ULL;
// The boot sector, or the $MFT's own record in the $MFT and in its mirror, met unreadable sectors.
constexpr ResultCode kQuickBootSectorUnreadable = MakeFailure(module::kNTFSQuickSearch, 0x76, error::kBootSectorUnreadable);
constexpr ResultCode kQuickMFTUnreadable = MakeFailure(module::kNTFSQuickSearch, 0x7F, 0x12);

// Words for the codes whose error numbers are this module's own.
inline constexpr ResultWords kResultWords[] = {
    {kQuickNoBootSector, "no NTFS boot sector at %s"},
    {kQuickNoMFTRecord, "neither the $MFT nor its mirror holds a valid record of the $MFT"},
    {kQuickMFTUnreadable, "the $MFT and its mirror could not be read"},
};

}  // namespace quellsy::ntfssearch
