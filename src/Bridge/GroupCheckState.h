#pragma once
// The three-state check mark of a group (a type group, a month) from the found files it stands for.

#include <vector>

#include "include/IFileNode.h"

class KDUIScan;

namespace quellsy::bridge {

// Hidden files do not count: none checked gives unchecked, all checked gives checked, anything else partial.
_tagCheckedStatus GroupCheckState(const std::vector<IFileNode*>& nodes);

// The mark of a month group of the creation (kind 2) or modification (kind 3) tree; unchecked for other kinds.
_tagCheckedStatus MonthCheckState(const KDUIScan& scan, int kind, int year, int month);

}  // namespace quellsy::bridge
