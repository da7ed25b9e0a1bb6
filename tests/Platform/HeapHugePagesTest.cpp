// When the program restarts itself with glibc's malloc asking for transparent huge pages, and with what value.

#include "Platform/HeapHugePages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using quellsy::platform::HugePageTunables;

TEST(HeapHugePages, RestartsOnlyWhereTheKernelWaitsToBeAskedAndNothingChoseYet) {
  struct Case {
    const char* mode;      // /sys/kernel/mm/transparent_hugepage/enabled as the kernel writes it
    const char* tunables;  // GLIBC_TUNABLES before, null when unset
    std::string expected;  // the value to restart with, empty for no restart
  };
  const std::vector<Case> cases = {
      {"always [madvise] never\n", nullptr, "glibc.malloc.hugetlb=1"},
      {"always [madvise] never\n", "glibc.malloc.tcache_count=0", "glibc.malloc.tcache_count=0:glibc.malloc.hugetlb=1"},
      {"always [madvise] never\n", "", "glibc.malloc.hugetlb=1"},
      // Set already: by the restart itself (no loop), or by the user, whose choice stands.
      {"always [madvise] never\n", "glibc.malloc.hugetlb=1", ""},
      {"always [madvise] never\n", "glibc.malloc.hugetlb=0", ""},
      // "always" backs the heap without asking; "never" gives nothing; no file (no THP support) says nothing.
      {"[always] madvise never\n", nullptr, ""},
      {"always madvise [never]\n", nullptr, ""},
      {"", nullptr, ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(HugePageTunables(c.mode, c.tunables), c.expected) << c.mode << " / " << (c.tunables ? c.tunables : "unset");
}

}  // namespace
