#pragma once
// Feeds a complete searcher every block of a fuzzed disk, as the complete controller does, and ends the search.

#include "FuzzBytesDevice.h"
#include "FuzzKeepingBuilder.h"

template <class Searcher>
void RunCompleteSearch(Searcher& searcher, FuzzBytesDevice& device, FuzzKeepingBuilder& builder, int blockSectors) {
  searcher.SetDevice(&device);
  searcher.SetBlockSize(blockSectors);
  searcher.SetDirecotryTreeBuilder(&builder);
  searcher.PreparetoSearch();
  const long long total = device.GetTotalSectors();
  for (long long first = 0; first < total; first += blockSectors)
    searcher.AnalyzeBlock(first, total - first < blockSectors ? total - first : blockSectors);
  searcher.EndSearch(1);
}
