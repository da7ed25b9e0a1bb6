#pragma once
// A result tree grouped from the scan's maps (by file type, by creation month, by modification month), kept by
// its own manager. The result trees drive it under their lock, from the scan's operation thread or the search
// thread, and never from the windows' thread.

#include <cstdint>

class KDUIScan;

namespace quellsy::bridge {

class IGroupTree {
 public:
  virtual ~IGroupTree() = default;
  // A new scan or search begins: everything grouped so far goes; the groups made from now on belong to scan
  // (the result trees' scan generation).
  virtual void Clear(std::uint64_t scan) = 0;
  // Whether the next passes group the hits of a search rather than a scan's results.
  virtual void SetSearch(bool searching) = 0;
  // One building pass: groups what the scan added since the last pass.
  virtual void Refresh(KDUIScan& scan) = 0;
  // A check mark changed in the window: the group marks are to be worked out again.
  virtual void SetNeedRefresh() = 0;
};

}  // namespace quellsy::bridge
