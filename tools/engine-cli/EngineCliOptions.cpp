#include "EngineCliOptions.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <sstream>

namespace {

using Scan = EngineCliOptions::Scan;

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

// One row per option: adding an option is adding a row. value is null for a flag; scans limits the option to one
// scan kind (null: both).
struct OptionRow {
  const char* name;
  const char* value;
  const Scan* only;
  const char* help;
  bool (*apply)(EngineCliOptions& options, const std::string& value, std::string& error);
};

constexpr Scan kQuickOnly = Scan::kQuick;
constexpr Scan kCompleteOnly = Scan::kComplete;

const OptionRow kOptions[] = {
    {"--offset", "SECTORS", nullptr, "where the volume starts inside the image (512-byte sectors)",
     [](EngineCliOptions& options, const std::string& value, std::string& error) {
       const auto offset = ParseCount(value);
       if (!offset) error = "bad offset '" + value + "'";
       options.offsetSectors = offset.value_or(0);
       return offset.has_value();
     }},
    {"--sector-size", "N", nullptr,
     "512, 1024, 2048 or 4096 (default: what the image's boot sector or GPT header declares, else 512)",
     [](EngineCliOptions& options, const std::string& value, std::string& error) {
       const auto size = ParseCount(value);
       const bool valid = size && *size >= 512 && *size <= 4096 && (*size & (*size - 1)) == 0;
       if (!valid) error = "bad sector size '" + value + "'";
       options.sectorSize = valid ? static_cast<unsigned>(*size) : 0;
       return valid;
     }},
    {"--searchers", "LIST", &kCompleteOnly,
     "comma-separated hfs, exfat, fat, raw, ntfs, apfs or 31-35, 37; 'none' runs the block loop alone",
     [](EngineCliOptions& options, const std::string& value, std::string& error) {
       options.searchers = ParseSearcherList(value, error);
       return options.searchers.has_value();
     }},
    {"--threads", "N", &kCompleteOnly,
     "threads the searchers analyse each block on (1: one after another; default: one per searcher, up to the cores)",
     [](EngineCliOptions& options, const std::string& value, std::string& error) {
       const auto threads = ParseCount(value);
       const bool valid = threads && *threads >= 1 && *threads <= 1024;
       if (!valid) error = "bad thread count '" + value + "'";
       options.threads = valid ? static_cast<unsigned>(*threads) : 0;
       return valid;
     }},
    {"--live", nullptr, &kQuickOnly, "list files that were not deleted too",
     [](EngineCliOptions& options, const std::string&, std::string&) { return options.live = true; }},
    {"--json", nullptr, nullptr, "one JSON object per line on standard output",
     [](EngineCliOptions& options, const std::string&, std::string&) { return options.json = true; }},
    {"--recover", "DIR", nullptr, "copy every found file into DIR (checked before the scan)",
     [](EngineCliOptions& options, const std::string& value, std::string& error) {
       options.recoverDir = value;
       if (value.empty()) error = "'--recover' needs a folder";
       return !value.empty();
     }},
    {"--help", nullptr, nullptr, "show this text",
     [](EngineCliOptions& options, const std::string&, std::string&) { return options.help = true; }},
};

const OptionRow* FindOption(const std::string& name) {
  for (const OptionRow& row : kOptions)
    if (name == row.name) return &row;
  return nullptr;
}

}  // namespace

std::string EngineCliUsage() {
  std::string usage =
      "usage: engine-cli quick|complete IMAGE [options]   (options and IMAGE in any order)\n"
      "options:\n";
  for (const OptionRow& row : kOptions) {
    std::string left = std::string("  ") + row.name + (row.value ? std::string(" ") + row.value : "");
    left.resize(std::max<std::size_t>(left.size() + 1, 24), ' ');
    usage += left + row.help;
    if (row.only) usage += *row.only == Scan::kQuick ? " (quick scan)" : " (complete scan)";
    usage += "\n";
  }
  usage +=
      "exit status: 0 success, 1 the image could not be scanned or a recovery did not bring back everything whole\n"
      "  (a file failed or was kept incomplete, or the device had unreadable ranges), 2 bad usage\n";
  return usage;
}

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
  EngineCliOptions options;
  std::vector<std::string> positional;
  std::vector<const OptionRow*> given;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg.rfind("-", 0) != 0) {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const OptionRow* row = FindOption(arg);
    if (row == nullptr) {
      error = "unknown option '" + arg + "'";
      return std::nullopt;
    }
    std::string value;
    if (row->value != nullptr) {
      if (i + 1 >= args.size()) {
        error = "'" + arg + "' needs a value";
        return std::nullopt;
      }
      value = args[++i];
    }
    if (!row->apply(options, value, error)) return std::nullopt;
    given.push_back(row);
  }
  if (options.help) return options;
  if (positional.size() < 2) {
    error = "a scan kind and an image are needed";
    return std::nullopt;
  }
  if (positional.size() > 2) {
    error = "unexpected argument '" + positional[2] + "'";
    return std::nullopt;
  }
  if (positional[0] == "quick") {
    options.scan = Scan::kQuick;
  } else if (positional[0] != "complete") {
    error = "unknown scan '" + positional[0] + "'";
    return std::nullopt;
  }
  options.image = positional[1];
  for (const OptionRow* row : given) {
    if (row->only != nullptr && *row->only != options.scan) {
      error = std::string("unknown option '") + row->name + "' for a " +
              (options.scan == Scan::kQuick ? "quick" : "complete") + " scan";
      return std::nullopt;
    }
  }
  return options;
}
