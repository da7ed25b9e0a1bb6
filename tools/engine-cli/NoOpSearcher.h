#pragma once
// A complete searcher that looks at nothing: it stands in when the block loop alone is to be measured.

#include "include/IFileSystemSearchController.h"

class CNoOpSearcher final : public ICompleteFileSystemSearchController {
 public:
  void SetDirecotryTreeBuilder(IDirecotryTreeBuilder*) override {}
  int GetSearchedPartitionInfo(CSearchedPartitionInfo**, int) override { return 0; }
  void SetDevice(IStorageDevice*) override {}
  void SetBlockSize(int) override {}
  void PreparetoSearch() override {}
  void AnalyzeBlock(long long, long long) override {}
};
