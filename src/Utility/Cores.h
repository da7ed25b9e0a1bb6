#pragma once
// How many cores the process may run on: those of its affinity mask (taskset or a container may allow fewer than
// the machine has), else the machine's; at least 1.

namespace quellsy {
unsigned UsableCores();
}  // namespace quellsy
