#include "DirectoryTreeBuilder/PendingNodes.h"

#include <utility>

void CPendingNodes::Add(IFileNode* node) {
  m_nodes.push_back(node);
}

std::vector<IFileNode*>& CPendingNodes::All() {
  VisitAllNext();
  Compact();
  return m_nodes;
}

void CPendingNodes::VisitAllNext() {
  m_all = true;
  // The lists may hold nodes that are released before the next pass: they go, and their memory with them.
  m_index = {};
  m_waiting = {};
  m_everyPass = {};
  m_due = {};
}

void CPendingNodes::BeginPass(bool tracked) {
  m_pass = {};
  m_sweep = m_all;
  if (m_all) {
    Compact();
    m_all = !tracked;
  } else {
    for (std::size_t at = m_fresh; at < m_nodes.size(); ++at) m_pass.push(at);
    for (const std::vector<const IFileNode*>* list : {&m_due, &m_everyPass})
      for (const IFileNode* node : *list)
        if (const auto found = m_index.find(node); found != m_index.end()) m_pass.push(found->second);
    m_due.clear();
    m_everyPass.clear();
  }
  m_fresh = m_nodes.size();
  m_inPass = true;
  m_visited = false;
}

IFileNode* CPendingNodes::Next() {
  if (m_sweep) {
    for (std::size_t at = m_visited ? m_current + 1 : 0; at < m_nodes.size(); ++at) {
      m_current = at;
      m_visited = true;
      if (m_nodes[at] != nullptr) return m_nodes[at];
    }
    return nullptr;
  }
  while (!m_pass.empty()) {
    const std::size_t at = m_pass.top();
    m_pass.pop();
    // A node may be due twice; places come out in order, so a repeat is one not above the last.
    if (m_visited && at <= m_current) continue;
    m_current = at;
    m_visited = true;
    if (m_nodes[at] != nullptr) return m_nodes[at];
  }
  return nullptr;
}

void CPendingNodes::Delivered() {
  if (!m_all) m_index.erase(m_nodes[m_current]);
  m_nodes[m_current] = nullptr;
  ++m_holes;
}

void CPendingNodes::Kept() {
  if (!m_all) m_index[m_nodes[m_current]] = m_current;
}

void CPendingNodes::Wait(IFileNode* node, long long parentID, bool severalParents) {
  if (m_all) return;
  Kept();
  if (severalParents)
    m_everyPass.push_back(node);
  else
    m_waiting[parentID].push_back(node);
}

void CPendingNodes::EndPass() {
  m_inPass = false;
  m_sweep = false;
  m_pass = {};
  // Compacting costs the nodes left, so it waits until at least as many have gone.
  if (m_holes > 0 && m_holes * 2 >= m_nodes.size()) {
    Compact();
    m_fresh = m_nodes.size();
    if (!m_all)
      for (std::size_t at = 0; at < m_nodes.size(); ++at) m_index[m_nodes[at]] = at;
  }
}

void CPendingNodes::Wake(long long parentID) {
  if (m_all) return;
  const auto found = m_waiting.find(parentID);
  if (found == m_waiting.end()) return;
  // Taken out first: a node visited meanwhile may wait on the same ID again.
  const std::vector<IFileNode*> woken = std::move(found->second);
  m_waiting.erase(found);
  for (const IFileNode* node : woken) Schedule(node);
}

void CPendingNodes::Schedule(const IFileNode* node) {
  if (m_all) return;
  const auto found = m_index.find(node);
  // Delivered since, or not visited yet: then it is due in this pass or the next anyway.
  if (found == m_index.end()) return;
  if (!m_inPass || !m_visited || found->second > m_current) {
    // A sweep comes to it anyway.
    if (m_sweep) return;
    if (m_inPass)
      m_pass.push(found->second);
    else
      m_due.push_back(node);
  } else if (found->second != m_current) {
    m_due.push_back(node);
  }
}

void CPendingNodes::Compact() {
  if (m_holes == 0) return;
  std::erase(m_nodes, nullptr);
  m_holes = 0;
}
