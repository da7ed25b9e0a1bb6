#pragma once
// The command line of the engine harness: a scan kind, an image and options, in any order.
//   engine-cli quick IMAGE [--offset SECTORS] [--sector-size N] [--live] [--json] [--recover DIR]
//   engine-cli complete IMAGE [--offset SECTORS] [--sector-size N] [--searchers LIST] [--threads N] [--json]
//                             [--recover DIR]
//   engine-cli --help

#include <optional>
#include <string>
#include <vector>

#include "include/SearcherType.h"

struct EngineCliOptions {
  enum class Scan { kQuick, kComplete };

  Scan scan = Scan::kComplete;
  std::string image;
  long long offsetSectors = 0;  // where the volume starts inside the image
  unsigned sectorSize = 0;      // 0: what the image declares
  unsigned threads = 0;  // complete scan: threads the searchers run on; 0 = one per searcher up to the cores
  // The searchers to run, in the controller's order; absent = every registered one; empty = none (the block loop
  // alone, to measure it).
  std::optional<std::vector<_tagSearcherType>> searchers;
  std::string recoverDir;  // empty = no copy-out
  bool json = false;
  // Quick scan: list files that were not deleted too (the application's quick scan shows deleted ones only).
  bool live = false;
  bool help = false;  // print the usage and do nothing else
};

// The options, or nothing with a message in error.
std::optional<EngineCliOptions> ParseEngineCliOptions(const std::vector<std::string>& args, std::string& error);

// A searcher of the complete scan by name (hfs, exfat, fat, raw, ntfs, apfs) or number (31-35, 37).
std::optional<_tagSearcherType> ParseSearcherName(const std::string& name);

// The usage text, made from the option table.
std::string EngineCliUsage();
