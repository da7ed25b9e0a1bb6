#pragma once
// glibc's malloc gives a thread that finds the heap busy an arena of its own, up to eight per core, and memory
// freed into one arena is used again only by the threads that allocate from it. In the windowed program a scan's
// threads, the result trees' builder and the toolkit's own threads then each keep a heap of freed blocks the
// others cannot reuse, and the program holds several times the memory its live records need.

namespace quellsy::platform {

// At most two arenas: the GUI thread and the scan still seldom wait on each other's lock, and freed memory is
// used again. Called first thing in main, before any other thread starts.
void LimitHeapArenas();

}  // namespace quellsy::platform
