// The signature search end to end on a corpus: every maker in bench/corpus/ makes a few files with real tools,
// bench/corpus/assemble.py places them between random and zero gaps in an image of 512- or 4096-byte sectors,
// engine-cli's complete scan copies out what it finds, and bench/corpus/recall.py scores the copies against the
// image's manifest: every file is found, recovered as its end kind asks (byte for byte, or the placed bytes as a
// prefix) and shows the name its maker expects, unless the table below says why not. Each sector size runs with
// zeros behind every file and with random bytes there (its last sector and the gap behind it, as on a reused disk).

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "EngineCli.h"
#include "Engines/BuiltInEngines.h"
#include "RawSearchTestSupport.h"
#include "include/EngineRegistry.h"
#include "support/CommandOutput.h"
#include "support/FixtureScript.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

// Seeds 0..5 of every maker, or as many as the formats its `# formats: N` line says it goes round.
constexpr int kFilesPerMaker = 6;

enum class Lack { kFound, kExact, kName };

// What a format may fall short of, and why. Every row must still happen (at the given sector size, 0 for both,
// and slack mode, null for both): a shortfall that is fixed leaves the table. None is left.
struct Shortfall {
  const char* type;
  unsigned sector;
  const char* slack;
  Lack lack;
  const char* why;
};

constexpr std::array<Shortfall, 0> kShortfalls{};

struct Layout {
  unsigned sector;
  const char* slack;
};

void PrintTo(const Layout& layout, std::ostream* out) {
  *out << layout.sector << "-byte sectors, " << layout.slack << " slack";
}

struct Scored {
  std::string name, type, family, end;
  bool found = false, exact = false, padded = false;
  std::string named;
};

std::filesystem::path SourceDir() {
  const char* source = std::getenv("QUELLSY_SOURCE_DIR");
  return source ? std::filesystem::path(source) : std::filesystem::path();
}

std::set<std::string> MakerFamilies() {
  std::set<std::string> families;
  for (const auto& entry : std::filesystem::directory_iterator(SourceDir() / "bench" / "corpus"))
    if (entry.path().extension() == ".sh") families.insert(entry.path().stem().string());
  return families;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream split(line);
  for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
  return fields;
}

class CorpusRecall : public RawSearchTest, public ::testing::WithParamInterface<Layout> {
 protected:
  // The makers run once for every layout; their files stay in the suite's folder.
  static void SetUpTestSuite() { files_ = std::make_unique<TempDir>(); }
  static void TearDownTestSuite() { files_.reset(); }

  static std::unique_ptr<TempDir> files_;
};

std::unique_ptr<TempDir> CorpusRecall::files_;

bool Applies(const Shortfall& row, const Layout& layout) {
  return (row.sector == 0 || row.sector == layout.sector) &&
         (row.slack == nullptr || std::string_view(row.slack) == layout.slack);
}

bool Allowed(const Scored& file, const Layout& layout, Lack lack, std::set<const Shortfall*>& seen) {
  for (const Shortfall& row : kShortfalls)
    if (file.type == row.type && row.lack == lack && Applies(row, layout)) {
      seen.insert(&row);
      return true;
    }
  return false;
}

TEST_P(CorpusRecall, EveryMakersFilesAreFoundRecoveredAndNamed) {
  const unsigned sector = GetParam().sector;
  const std::string slack = GetParam().slack;
  ASSERT_FALSE(SourceDir().empty()) << "QUELLSY_SOURCE_DIR is not set: run the tests through ctest";
  TempDir dir;
  const auto image = dir / "corpus.img";
  const std::string assemble = "python3 " + ShellQuoted((SourceDir() / "bench/corpus/assemble.py").string()) + " " +
                               ShellQuoted(image.string()) + " --files " +
                               ShellQuoted(files_->path().string()) + " --per-maker " +
                               std::to_string(kFilesPerMaker) + " --sector " + std::to_string(sector) +
                               " --slack " + slack;
  QUELLSY_REQUIRE_FIXTURE(RunFixtureCommand(assemble));

  const auto copies = dir / "out";
  std::filesystem::create_directories(copies);
  EngineRegistry::Instance().Reset();
  RegisterBuiltInEngines();
  std::ostringstream out;
  std::ostringstream err;
  const int exit = EngineCliMain({"complete", image.string(), "--sector-size", std::to_string(sector), "--json",
                                  "--recover", copies.string()},
                                 out, err);
  EngineRegistry::Instance().Reset();
  ASSERT_EQ(exit, 0) << err.str();

  int status = -1;
  const std::string scored =
      CommandOutput("python3 " + ShellQuoted((SourceDir() / "bench/corpus/recall.py").string()) + " " +
                        ShellQuoted(image.string()) + " " + ShellQuoted(copies.string()) + " --per-file",
                    status);
  ASSERT_EQ(status, 0) << scored;

  std::map<std::string, int> perFamily;
  std::set<const Shortfall*> seen;
  std::istringstream lines(scored);
  for (std::string line; std::getline(lines, line);) {
    const std::vector<std::string> f = Fields(line);
    ASSERT_EQ(f.size(), 8u) << line;
    const Scored file{f[0], f[1], f[2], f[3], f[4] == "yes", f[5] == "yes", f[6] == "yes", f[7]};
    ++perFamily[file.family];
    SCOPED_TRACE(file.name + " (" + file.type + ", end=" + file.end + ", " + std::to_string(sector) +
                 "-byte sectors, " + slack + " slack)");
    if (!file.found) {
      EXPECT_TRUE(Allowed(file, GetParam(), Lack::kFound, seen)) << "not found";
      continue;
    }
    if (!file.exact) {
      EXPECT_TRUE(Allowed(file, GetParam(), Lack::kExact, seen))
          << (file.padded ? "recovered with the zeros of its last sector" : "not recovered as its end kind asks");
    }
    if (file.named == "no") {
      EXPECT_TRUE(Allowed(file, GetParam(), Lack::kName, seen)) << "not shown under its name";
    }
  }

  // Every maker made files: a maker that is skipped cannot pass.
  for (const std::string& family : MakerFamilies())
    EXPECT_GE(perFamily[family], kFilesPerMaker) << "files of " << family << ".sh scored";
  for (const Shortfall& row : kShortfalls)
    if (Applies(row, GetParam())) {
      EXPECT_TRUE(seen.count(&row)) << row.type << ": a listed shortfall that no longer happens (" << row.why << ")";
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, CorpusRecall,
                         ::testing::Values(Layout{512, "zero"}, Layout{4096, "zero"}, Layout{512, "random"},
                                           Layout{4096, "random"}),
                         [](const ::testing::TestParamInfo<Layout>& layout) {
                           return std::to_string(layout.param.sector) + "_" + layout.param.slack + "_slack";
                         });

}  // namespace
}  // namespace quellsy::test
