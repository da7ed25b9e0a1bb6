#include "support/RecordingTreeSink.h"

#include <future>

namespace quellsy::test {

bool RecordingTreeSink::FreeForAnotherThread(std::mutex& lock) {
  return std::async(std::launch::async, [&lock] {
           if (!lock.try_lock()) return false;
           lock.unlock();
           return true;
         }).get();
}

void RecordingTreeSink::ShowNodes(IFileNode** nodes, unsigned int count, int flag) {
  if (nodeLock) lockFreeWhenShown.push_back(FreeForAnotherThread(*nodeLock));
  Event event;
  event.nodes.assign(nodes, nodes + count);
  event.flag = flag;
  events_.push_back(std::move(event));
}

void RecordingTreeSink::ShowFilesystemNode(IFilesystemNode* root) {
  if (nodeLock) lockFreeWhenShown.push_back(FreeForAnotherThread(*nodeLock));
  Event event;
  event.root = root;
  events_.push_back(std::move(event));
}

std::vector<IFilesystemNode*> RecordingTreeSink::Roots() const {
  std::vector<IFilesystemNode*> roots;
  for (const Event& event : events_)
    if (event.root != nullptr) roots.push_back(event.root);
  return roots;
}

std::vector<IFileNode*> RecordingTreeSink::Delivered() const {
  std::vector<IFileNode*> nodes;
  for (const Event& event : events_) nodes.insert(nodes.end(), event.nodes.begin(), event.nodes.end());
  return nodes;
}

int RecordingTreeSink::BatchCount() const {
  int batches = 0;
  for (const Event& event : events_) batches += event.root == nullptr ? 1 : 0;
  return batches;
}

IFileNode* RecordingTreeSink::Find(const std::string& name) const {
  for (IFileNode* node : Delivered())
    if (node->GetFileName() != nullptr && name == node->GetFileName()) return node;
  return nullptr;
}

std::string RecordingTreeSink::PathOf(const IFileNode* node) {
  std::string path;
  // Test trees are shallow; the bound only stops a broken tree from hanging a test.
  for (int depth = 0; node != nullptr && depth < 1000; node = node->GetParent(), ++depth) {
    const std::string name = node->GetFileName() != nullptr ? node->GetFileName() : "";
    path = path.empty() ? name : name + "/" + path;
  }
  return path;
}

std::vector<std::string> RecordingTreeSink::DeliveredPaths() const {
  std::vector<std::string> paths;
  for (const IFileNode* node : Delivered()) paths.push_back(PathOf(node));
  return paths;
}

}  // namespace quellsy::test
