#pragma once
// A tree sink for tests: records every root and batch it is shown, in order. It keeps the node pointers, as
// the application's sink does, so they are valid only while the tree builder that made them lives.

#include <chrono>
#include <mutex>
#include <string>
#include <vector>

#include "include/IFileSystemSearchController.h"

namespace quellsy::test {

class RecordingTreeSink : public IDrirectoryTree {
 public:
  struct Event {
    IFilesystemNode* root = nullptr;  // set for a root, null for a batch
    std::vector<IFileNode*> nodes;
    int flag = 0;
  };

  void ShowNodes(IFileNode** nodes, unsigned int count, int flag) override;
  void ShowFilesystemNode(IFilesystemNode* root) override;
  std::chrono::milliseconds PauseAfterRoot() const override { return pauseAfterRoot; }
  std::mutex* NodeLock() override { return nodeLock; }

  const std::vector<Event>& events() const { return events_; }
  std::vector<IFilesystemNode*> Roots() const;
  // The nodes of every batch, in delivery order.
  std::vector<IFileNode*> Delivered() const;
  int BatchCount() const;
  // The first delivered node of that name, or null.
  IFileNode* Find(const std::string& name) const;
  // The names from the root down to node, joined by "/" ("Disk(NTFS)/docs/a.txt").
  static std::string PathOf(const IFileNode* node);
  // Every delivered node's path, in delivery order.
  std::vector<std::string> DeliveredPaths() const;

  // What the sink asks for after a root: none, as the harness's sink, unless a test plays a window.
  std::chrono::milliseconds pauseAfterRoot{0};
  // The node lock the sink hands the builder, none unless a test plays the application's sink; then, for each
  // root and batch shown, whether another thread could take it at that moment.
  std::mutex* nodeLock = nullptr;
  std::vector<bool> lockFreeWhenShown;

  // Whether another thread can take lock right now (it lets go of it at once).
  static bool FreeForAnotherThread(std::mutex& lock);

 private:
  std::vector<Event> events_;
};

}  // namespace quellsy::test
