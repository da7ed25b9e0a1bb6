#include "Utility/Cores.h"

#include <sched.h>

#include <algorithm>
#include <thread>

namespace quellsy {

unsigned UsableCores() {
  cpu_set_t allowed;
  if (sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 0)
    return static_cast<unsigned>(CPU_COUNT(&allowed));
  return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace quellsy
