#pragma once
// The one lock over what several threads change on the found nodes: their links and the check sums that roll
// up through them, check marks, shown flags, sizes and runs. The scan's tree builder holds it (through the tree
// sink) while it links, unlinks or amends nodes it may have shown; the result trees, the search and every facade
// call that reads or marks found nodes hold it too, so the windows only ever see a node between two changes.
// Taken before any operation's own lock, never while one is held.

#include <mutex>

namespace quellsy::bridge {

std::mutex& NodeLock();

}  // namespace quellsy::bridge
