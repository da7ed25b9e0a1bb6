#pragma once
// The nodes a tree builder accepted and has not delivered yet, in the order they came, and which of them the
// next build pass has to look at. A pass visits nodes in that order, as a pass over all of them would, but
// only those whose visit can do something: the new ones, those woken because their parent folder came or
// changed, and those whose branch reached the root. A node that could not be linked waits in a list kept
// under its parent ID until that ID is woken; one whose parent ID names several folders is looked at every
// pass, as which of them it goes under can change with any link. Memory: a few words for each pending node.

#include <cstddef>
#include <functional>
#include <queue>
#include <unordered_map>
#include <vector>

class IFileNode;

class CPendingNodes {
 public:
  // Appends node; the next pass visits it.
  void Add(IFileNode* node);

  // Whether the passes visit only what is due; else every node, and what is due needs no telling.
  bool Tracking() const { return !m_all; }

  // Every pending node in order, to read or change freely; the next pass then visits them all.
  std::vector<IFileNode*>& All();
  // The next pass visits every node.
  void VisitAllNext();

  // A pass: Next() gives the nodes to visit in order, null at the end. Unless tracked, a pass that visits
  // every node keeps no record of what waits, and the next pass visits every node again.
  void BeginPass(bool tracked = true);
  IFileNode* Next();
  // The node Next() gave leaves: delivered.
  void Delivered();
  // The node Next() gave stays pending, linked below a branch that does not reach the root yet.
  void Kept();
  // The node Next() gave could not be linked: it waits for parentID to be woken, or with several folders
  // under that ID, for the next pass.
  void Wait(IFileNode* node, long long parentID, bool severalParents);
  void EndPass();

  // The nodes waiting on parentID are due: in this pass when they come after the node being visited, else
  // in the next one.
  void Wake(long long parentID);
  // node (if pending) is due, by the same rule.
  void Schedule(const IFileNode* node);

 private:
  void Compact();

  std::vector<IFileNode*> m_nodes;  // in the order they came; null where one left
  std::size_t m_holes = 0;
  // The next pass visits every node; m_index, m_due and the waits are empty. So until the first pass: a scan
  // that has none before its flush (HFS+ before its private folder) keeps no record at all.
  bool m_all = true;
  bool m_sweep = false;  // this pass visits every node, in place order
  // A node visited and still pending to its place in m_nodes: most nodes are delivered at their first visit
  // and never come in.
  std::unordered_map<const IFileNode*, std::size_t> m_index;
  std::size_t m_fresh = 0;  // m_nodes from here on came since the last pass
  std::unordered_map<long long, std::vector<IFileNode*>> m_waiting;  // by parent ID
  std::vector<const IFileNode*> m_everyPass;
  std::vector<const IFileNode*> m_due;  // visited before, due in the next pass
  std::priority_queue<std::size_t, std::vector<std::size_t>, std::greater<>> m_pass;  // places, this pass
  bool m_inPass = false;
  bool m_visited = false;  // m_current is set
  std::size_t m_current = 0;
};
