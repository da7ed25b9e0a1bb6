#include "Platform/HeapArenas.h"

#include <malloc.h>

namespace quellsy::platform {

void LimitHeapArenas() { mallopt(M_ARENA_MAX, 2); }

}  // namespace quellsy::platform
