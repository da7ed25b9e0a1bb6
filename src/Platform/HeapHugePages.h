#pragma once
// A scan keeps a record for every file it lists, hundreds of thousands of small allocations: on a heap backed by
// transparent huge pages they take far fewer page faults and TLB misses. Where the kernel gives huge pages only to
// memory that asks for them ("madvise"), glibc's malloc asks when its tunable glibc.malloc.hugetlb is 1, and
// tunables are read only when a program starts: the program starts itself again, once, with it set.

#include <string>
#include <string_view>

namespace quellsy::platform {

// The GLIBC_TUNABLES value to restart with, given the kernel's transparent-huge-page mode (the text of
// /sys/kernel/mm/transparent_hugepage/enabled) and the current value (null when unset); empty when there is
// nothing to do: the mode is not "madvise", or the tunable is set already (by us, or chosen by the user).
std::string HugePageTunables(std::string_view thpMode, const char* tunables);

// Re-executes the running program with the tunable set when HugePageTunables says so; returns only when it does
// not (or when the restart fails, which changes nothing).
void RestartWithHugePageHeap(char** argv);

}  // namespace quellsy::platform
