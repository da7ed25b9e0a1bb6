#include "Bridge/GroupCheckState.h"

namespace quellsy::bridge {

_tagCheckedStatus GroupCheckState(const std::vector<IFileNode*>& nodes) {
  int sum = 0;
  int shown = 0;
  bool partial = false;
  for (IFileNode* node : nodes) {
    if (!node || !node->IsNodeShow()) continue;
    ++shown;
    const int status = node->GetCheckedStatus();
    sum += status;
    if (status == CHECKED_STATUS_PARTIAL || status == CHECKED_STATUS_CHECKED) {
      partial = true;
    } else if (partial && sum > 0) {
      // One checked and one unchecked file already settle it: partial.
      break;
    }
  }
  if (sum == 0) return CHECKED_STATUS_UNCHECKED;
  if (sum == 2 * shown) return CHECKED_STATUS_CHECKED;
  return CHECKED_STATUS_PARTIAL;
}

}  // namespace quellsy::bridge
