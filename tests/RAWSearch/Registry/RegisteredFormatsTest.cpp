// The registry against the formats that exist: every analyser class written under the formats folder is
// made by some row (directly, or as the fallback of the row's analyser), and every format a row really analyses is found by a complete scan
// through the registry, sized and copied out byte for byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "CompleteScanSupport.h"
#include "Formats/FormatSamples.h"
#include "RAWSearch/Framework/BruteForceAnalyser.h"
#include "RAWSearch/Framework/RawFileExtName.h"
#include "RAWSearch/Registry/RawAnalyserTables.h"
#include "RawResultTestSupport.h"
#include "include/IDataRecovery.h"
#include "include/IDataRunList.h"
#include "support/ImageBuilder.h"
#include "support/RecordingTreeSink.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

using formats::Bytes;
using formats::ScanSample;

std::string Unqualified(const std::string& name) {
  const std::size_t colon = name.rfind("::");
  return colon == std::string::npos ? name : name.substr(colon + 2);
}

// The class heads "class Name [final] : public Base" of a header, as (name, unqualified base).
std::vector<std::pair<std::string, std::string>> ClassHeads(const std::string& text) {
  std::vector<std::pair<std::string, std::string>> heads;
  std::istringstream words(text);
  std::vector<std::string> tokens;
  for (std::string word; words >> word;) tokens.push_back(word);
  for (std::size_t i = 0; i + 4 < tokens.size(); ++i) {
    if (tokens[i] != "class") continue;
    std::size_t at = i + 2;
    if (tokens[at] == "final") ++at;
    if (at + 2 >= tokens.size() || tokens[at] != ":" || tokens[at + 1] != "public") continue;
    std::string base = tokens[at + 2];
    if (!base.empty() && (base.back() == ',' || base.back() == '{')) base.pop_back();
    heads.emplace_back(tokens[i + 1], Unqualified(base));
  }
  return heads;
}

std::vector<const RawAnalyserRow*> SearchRows() {
  std::vector<const RawAnalyserRow*> rows;
  for (auto table : {RawAnalyserMapRows(), RawAnalyserMultimapRows(), RawAnalyserListRows()})
    for (const RawAnalyserRow& row : table) rows.push_back(&row);
  return rows;
}

// The analyser classes declared in the format headers, by a plain reading of their class heads: a
// class counts when it derives from an analyser base or from a class that does.
std::map<std::string, std::filesystem::path> AnalyserClassesInSourceTree() {
  const char* source = std::getenv("QUELLSY_SOURCE_DIR");
  if (!source) {
    ADD_FAILURE() << "QUELLSY_SOURCE_DIR is not set: run the tests through ctest";
    return {};
  }
  const std::filesystem::path root = std::filesystem::path(source) / "src" / "RAWSearch" / "Formats";
  std::map<std::string, std::string> baseOf;
  std::map<std::string, std::filesystem::path> fileOf;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.path().extension() != ".h") continue;
    std::ifstream in(entry.path());
    std::stringstream text;
    text << in.rdbuf();
    for (const auto& [name, base] : ClassHeads(text.str())) {
      baseOf[name] = base;
      fileOf[name] = entry.path();
    }
  }
  std::set<std::string> analysers = {"IRawFileAnalyser",    "CPlainRawFileAnalyser", "CHeaderSizedRawFileAnalyser",
                                     "CBruteForceAnalyser", "CStreamingAnalyser",    "CBranchAnalyser"};
  std::map<std::string, std::filesystem::path> found;
  for (bool grew = true; grew;) {
    grew = false;
    for (const auto& [name, base] : baseOf)
      if (analysers.count(base) && analysers.insert(name).second) {
        found[name] = fileOf[name];
        grew = true;
      }
  }
  return found;
}

// Every class the registry makes when it builds its containers and its by-type list.
std::set<std::string> ClassesTheRegistryMakes() {
  std::vector<std::unique_ptr<IRawFileAnalyser>> made;
  for (const RawAnalyserRow* row : SearchRows()) made.emplace_back(CreateRawAnalyser(*row));
  std::list<IRawFileAnalyser*> byType;
  BuildRawFileAnalyserListByFileType(byType, nullptr);
  for (IRawFileAnalyser* analyser : byType) made.emplace_back(analyser);

  std::set<std::string> names;
  for (const auto& analyser : made) {
    names.insert(Unqualified(AnalyserClassName(analyser.get())));
    if (auto* growing = dynamic_cast<BruteForce::CBruteForceAnalyser*>(analyser.get()); growing && growing->Fallback())
      names.insert(Unqualified(AnalyserClassName(growing->Fallback())));
  }
  return names;
}

TEST(RegisteredFormats, EveryAnalyserClassIsMadeByARow) {
  const auto written = AnalyserClassesInSourceTree();
  ASSERT_FALSE(written.empty()) << "no analyser class found under src/RAWSearch/Formats";
  const std::set<std::string> made = ClassesTheRegistryMakes();
  for (const auto& [name, file] : written)
    EXPECT_TRUE(made.count(name)) << name << " (" << file.string() << ") is made by no registry row";

  // One file pair per format: every format header but the family's factories declares one analyser.
  std::map<std::filesystem::path, int> perHeader;
  for (const auto& [name, file] : written) ++perHeader[file];
  for (const auto& entry : std::filesystem::recursive_directory_iterator(
           std::filesystem::path(std::getenv("QUELLSY_SOURCE_DIR")) / "src" / "RAWSearch" / "Formats")) {
    const std::string stem = entry.path().stem().string();
    if (entry.path().extension() != ".h" || stem.ends_with("Formats")) continue;
    EXPECT_EQ(perHeader[entry.path()], 1) << entry.path().string();
  }
}

// The rows that really analyse (not placeholders), by their class, in table order.
std::vector<std::string> WiredClasses() {
  std::vector<std::string> classes;
  for (const RawAnalyserRow* row : SearchRows())
    if (row->create && std::find(classes.begin(), classes.end(), row->className) == classes.end())
      classes.emplace_back(row->className);
  return classes;
}


using RegisteredFormatsScan = RawResultTest;

TEST_F(RegisteredFormatsScan, EveryWiredFormatIsFoundByACompleteScan) {
  constexpr unsigned kSector = formats::kSector;
  constexpr long long kGapSectors = 16;

  struct Placed {
    const ScanSample* sample;
    Bytes bytes;
    long long sector;
  };
  std::vector<Placed> placed;
  long long next = 64;
  for (const std::string& wired : WiredClasses()) {
    SCOPED_TRACE(wired);
    const auto samples = std::count_if(formats::ScanSamples().begin(), formats::ScanSamples().end(),
                                       [&](const ScanSample& s) { return s.analyserClass == wired; });
    EXPECT_GT(samples, 0) << "no complete-scan sample for " << wired;
  }
  for (const ScanSample& sample : formats::ScanSamples()) {
    Bytes bytes = sample.file();
    ASSERT_FALSE(bytes.empty()) << sample.name;
    const long long sectors = static_cast<long long>((bytes.size() + sample.zeroBehind + kSector - 1) / kSector);
    placed.push_back({&sample, std::move(bytes), next});
    next += sectors + kGapSectors;
  }
  ASSERT_FALSE(placed.empty());

  TempDir dir;
  ImageBuilder image(next + kGapSectors, kSector, ImageFill::kZero);
  for (const Placed& p : placed) image.Place(p.sample->name, p.sector, p.bytes);
  auto device = image.MakeDevice();

  RecordingTreeSink sink;
  const SignatureScan scan = ScanForSignatureFiles(*device, sink);
  ASSERT_EQ(scan.result, 0u);

  // Files labelled after their camera are found in the label tree.
  const auto& found = scan.found;
  const auto& recovery = scan.recovery;
  ASSERT_NE(recovery, nullptr);

  for (std::size_t i = 0; i < placed.size(); ++i) {
    const Placed& p = placed[i];
    SCOPED_TRACE(p.sample->name + " of " + p.sample->analyserClass);
    const auto node = found.find(p.sector);
    ASSERT_NE(node, found.end()) << "nothing found at sector " << p.sector;
    const std::string name = node->second->GetFileName();
    const std::string extension = std::string(".") + RawFileExtension(p.sample->type);
    EXPECT_TRUE(name.ends_with(extension)) << name << " is not of the type " << extension;
    const std::uint64_t size = p.sample->sizeOf
                                   ? p.sample->sizeOf(p.bytes)
                                   : formats::ExpectedSize(p.sample->expect, p.bytes.size(), p.sample->stated);
    EXPECT_EQ(static_cast<std::uint64_t>(node->second->GetFileSize()), size);

    // The copy is the file (or its stated prefix), then only the zero slack behind it.
    Bytes expected = p.bytes;
    expected.resize(static_cast<std::size_t>(size), 0);
    const auto out = dir / ("recovered-" + std::to_string(i));
    ASSERT_FALSE(quellsy::IsFailure(recovery->RecoverNodeTo(node->second, out.c_str(), nullptr, 0)));
    const Bytes copy = ReadFile(out);
    EXPECT_EQ(copy.size(), expected.size());
    EXPECT_EQ(Sha256Hex(copy), Sha256Hex(expected));
  }
}

}  // namespace
}  // namespace quellsy::test
