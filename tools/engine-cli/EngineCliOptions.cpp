#include "EngineCliOptions.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <sstream>

const char* const kEngineCliUsage =
    "usage: engine-cli quick IMAGE [--offset SECTORS] [--sector-size N] [--live] [--json] [--recover DIR]\n"
    "       engine-cli complete IMAGE [--offset SECTORS] [--sector-size N] [--searchers LIST] [--threads N] [--json]\n"
    "                                 [--recover DIR]\n"
    "N: 512, 1024, 2048 or 4096 (default: what the image's boot sector or GPT header declares, else 512)\n"
    "LIST: comma-separated hfs, exfat, fat, raw, ntfs, apfs or 31-35, 37; 'none' runs the block loop alone\n"
    "--threads: threads the searchers analyse each block on (1: one after another; default: one per searcher,\n"
    "up to the cores)\n";

namespace {

std::optional<long long> ParseCount(const std::string& text) {
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < 0) return std::nullopt;
  return value;
}

std::optional<std::vector<_tagSearcherType>> ParseSearcherList(const std::string& list, std::string& error) {
  std::vector<_tagSearcherType> searchers;
  if (list == "none") return searchers;
  std::stringstream items(list);
  std::string item;
  while (std::getline(items, item, ',')) {
    const auto searcher = ParseSearcherName(item);
    if (!searcher) {
      error = "unknown searcher '" + item + "'";
      return std::nullopt;
    }
    if (std::find(searchers.begin(), searchers.end(), *searcher) == searchers.end()) searchers.push_back(*searcher);
  }
  if (searchers.empty()) {
    error = "empty searcher list";
    return std::nullopt;
  }
  return searchers;
}

}  // namespace

std::optional<_tagSearcherType> ParseSearcherName(const std::string& name) {
  static const std::map<std::string, _tagSearcherType> kNames = {
      {"hfs", SEARCHER_HFSPLUS}, {"exfat", SEARCHER_EXFAT}, {"fat", SEARCHER_FAT},
      {"raw", SEARCHER_RAW},     {"ntfs", SEARCHER_NTFS},   {"apfs", SEARCHER_APFS}};
  if (const auto found = kNames.find(name); found != kNames.end()) return found->second;
  const auto number = ParseCount(name);
  if (!number) return std::nullopt;
  for (const auto& [unused, type] : kNames) {
    if (type == *number) return type;
  }
  return std::nullopt;
}

std::optional<EngineCliOptions> ParseEngineCliOptions(const std::vector<std::string>& args, std::string& error) {
  if (args.size() < 2) {
    error = "a scan kind and an image are needed";
    return std::nullopt;
  }
  EngineCliOptions options;
  if (args[0] == "quick") {
    options.scan = EngineCliOptions::Scan::kQuick;
  } else if (args[0] != "complete") {
    error = "unknown scan '" + args[0] + "'";
    return std::nullopt;
  }
  options.image = args[1];
  for (std::size_t i = 2; i < args.size(); ++i) {
    const std::string& option = args[i];
    if (option == "--json") {
      options.json = true;
      continue;
    }
    if (option == "--live" && options.scan == EngineCliOptions::Scan::kQuick) {
      options.live = true;
      continue;
    }
    if (i + 1 >= args.size()) {
      error = "'" + option + "' needs a value";
      return std::nullopt;
    }
    const std::string& value = args[++i];
    if (option == "--offset") {
      const auto offset = ParseCount(value);
      if (!offset) {
        error = "bad offset '" + value + "'";
        return std::nullopt;
      }
      options.offsetSectors = *offset;
    } else if (option == "--sector-size") {
      const auto size = ParseCount(value);
      if (!size || *size < 512 || *size > 4096 || (*size & (*size - 1)) != 0) {
        error = "bad sector size '" + value + "'";
        return std::nullopt;
      }
      options.sectorSize = static_cast<unsigned>(*size);
    } else if (option == "--recover") {
      options.recoverDir = value;
    } else if (option == "--threads" && options.scan == EngineCliOptions::Scan::kComplete) {
      const auto threads = ParseCount(value);
      if (!threads || *threads < 1 || *threads > 1024) {
        error = "bad thread count '" + value + "'";
        return std::nullopt;
      }
      options.threads = static_cast<unsigned>(*threads);
    } else if (option == "--searchers" && options.scan == EngineCliOptions::Scan::kComplete) {
      options.searchers = ParseSearcherList(value, error);
      if (!options.searchers) return std::nullopt;
    } else {
      error = "unknown option '" + option + "'";
      return std::nullopt;
    }
  }
  return options;
}
