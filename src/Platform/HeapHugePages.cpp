#include "Platform/HeapHugePages.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace quellsy::platform {

namespace {
constexpr std::string_view kTunable = "glibc.malloc.hugetlb";
constexpr const char* kModePath = "/sys/kernel/mm/transparent_hugepage/enabled";
}  // namespace

std::string HugePageTunables(std::string_view thpMode, const char* tunables) {
  if (thpMode.find("[madvise]") == std::string_view::npos) return {};
  const std::string_view current = tunables != nullptr ? tunables : "";
  if (current.find(kTunable) != std::string_view::npos) return {};
  std::string value(current);
  if (!value.empty()) value += ':';
  return value.append(kTunable).append("=1");
}

void RestartWithHugePageHeap(char** argv) {
  if (argv == nullptr || argv[0] == nullptr) return;
  std::ifstream mode(kModePath);
  const std::string text((std::istreambuf_iterator<char>(mode)), std::istreambuf_iterator<char>());
  const char* before = std::getenv("GLIBC_TUNABLES");
  const std::string kept = before != nullptr ? before : "";
  const std::string tunables = HugePageTunables(text, before);
  if (tunables.empty() || setenv("GLIBC_TUNABLES", tunables.c_str(), 1) != 0) return;
  execv("/proc/self/exe", argv);
  // Still here: the restart failed; go on as the program was started.
  if (before != nullptr)
    setenv("GLIBC_TUNABLES", kept.c_str(), 1);
  else
    unsetenv("GLIBC_TUNABLES");
}

}  // namespace quellsy::platform
