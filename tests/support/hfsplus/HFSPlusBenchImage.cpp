// hfsplus-bench-image MANIFEST IMAGE [--live]: writes the quick-scan benchmarks' tree (the manifest of
// bench/many_files.py: path, size, SHA-256, 1 for a file to delete) as an HFS+ volume with the test-side writer,
// there being no HFS+ formatter on Debian. The files to delete are deleted after their records were logged in the
// journal, as the quick scan finds deleted files; --live keeps them. The file contents come from the tree's own
// rule, checked against the manifest's hashes.

#include <cstdio>
#include <exception>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/Sha256.h"
#include "support/hfsplus/HFSPlusWriter.h"

namespace {

using quellsy::test::HFSPlusWriter;
using quellsy::test::HFSPlusWriterOptions;

struct Line {
  std::string path;
  std::string sha256;
  bool deleted = false;
};

std::u16string Ascii(const std::string& text) { return {text.begin(), text.end()}; }

// The bytes bench/many_files.py writes for file i of folder f.
std::vector<std::uint8_t> Contents(unsigned folder, unsigned index) {
  const std::string unit = std::to_string(folder) + "-" + std::to_string(index) + " ";
  std::string text;
  for (unsigned n = 0; n < 1 + (folder * 31 + index) % 60; ++n) text += unit;
  return {text.begin(), text.end()};
}

int Run(const std::string& manifestPath, const std::string& imagePath, bool live) {
  std::ifstream manifest(manifestPath);
  std::vector<Line> lines;
  for (std::string row; std::getline(manifest, row);) {
    std::istringstream fields(row);
    Line line;
    std::string size, deleted;
    std::getline(fields, line.path, '\t');
    std::getline(fields, size, '\t');
    std::getline(fields, line.sha256, '\t');
    std::getline(fields, deleted, '\t');
    line.deleted = deleted == "1" && !live;
    lines.push_back(line);
  }
  if (lines.empty()) {
    std::fprintf(stderr, "hfsplus-bench-image: %s holds no files\n", manifestPath.c_str());
    return 1;
  }

  HFSPlusWriterOptions options;
  // The writer leaves a free block after every file; the catalog, folders and journal take the rest.
  options.totalBlocks = static_cast<std::uint32_t>(2 * lines.size() + lines.size() / 4 + 65536);
  options.volumeName = u"MANYFILES";
  options.journal.enabled = !live;
  // Room for every deleted file's logged records.
  options.journal.bytes = 64u << 20;
  HFSPlusWriter writer(options);
  std::map<std::string, std::uint32_t> folders{{"", 2}};
  std::vector<std::uint32_t> doomed;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const Line& line = lines[n];
    std::uint32_t parent = 2;
    std::string folder;
    std::size_t from = 0;
    for (std::size_t slash; (slash = line.path.find('/', from)) != std::string::npos; from = slash + 1) {
      const std::string name = line.path.substr(from, slash - from);
      folder += (folder.empty() ? "" : "/") + name;
      const auto [at, made] = folders.try_emplace(folder, 0);
      if (made) at->second = writer.AddFolder(parent, Ascii(name));
      parent = at->second;
    }
    auto data = Contents(static_cast<unsigned>(n / 100), static_cast<unsigned>(n % 100));
    if (quellsy::test::Sha256Hex(data) != line.sha256) {
      std::fprintf(stderr, "hfsplus-bench-image: %s is not what the manifest holds\n", line.path.c_str());
      return 1;
    }
    const std::uint32_t id = writer.AddFile(parent, Ascii(line.path.substr(from)), std::move(data));
    if (line.deleted) doomed.push_back(id);
  }
  // The deleted files' records as logged before they went: a few files to a logged leaf node (each one's file
  // and thread records fit a 4 KiB node eight times over), many nodes to a transaction.
  constexpr std::size_t kFilesPerNode = 8;
  constexpr std::size_t kNodesPerTransaction = 64;
  std::vector<quellsy::test::HFSPlusLoggedNode> transaction;
  for (std::size_t at = 0; at < doomed.size(); at += kFilesPerNode) {
    quellsy::test::HFSPlusLoggedNode node;
    node.ids.assign(doomed.begin() + static_cast<std::ptrdiff_t>(at),
                    doomed.begin() + static_cast<std::ptrdiff_t>(std::min(at + kFilesPerNode, doomed.size())));
    transaction.push_back(std::move(node));
    if (transaction.size() == kNodesPerTransaction || at + kFilesPerNode >= doomed.size())
      writer.LogTransaction(std::exchange(transaction, {}));
  }
  for (const std::uint32_t id : doomed) writer.Delete(id);
  writer.Build()->WriteFile(imagePath);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4 || (argc == 4 && std::string(argv[3]) != "--live")) {
    std::fprintf(stderr, "usage: hfsplus-bench-image MANIFEST IMAGE [--live]\n");
    return 2;
  }
  try {
    return Run(argv[1], argv[2], argc == 4);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "hfsplus-bench-image: %s\n", error.what());
    return 1;
  }
}
