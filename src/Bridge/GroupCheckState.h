#pragma once
// The three-state check mark of a group (a type group, a month) from the found files it stands for.

#include <vector>

#include "include/IFileNode.h"

namespace quellsy::bridge {

// Hidden files do not count: none checked gives unchecked, all checked gives checked, anything else partial.
_tagCheckedStatus GroupCheckState(const std::vector<IFileNode*>& nodes);

}  // namespace quellsy::bridge
