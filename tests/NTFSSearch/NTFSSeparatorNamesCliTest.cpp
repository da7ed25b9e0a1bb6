// NTFS file names holding "/" or "\" (written by no Windows or Linux tool, but found on damaged and foreign
// volumes) are files like any other: both scans list them, one name each ("/" shown as "_" in a listed path),
// and a copy-out writes them under a safe name with "_" for the separator, byte for byte. The image is made by
// mkntfs and ntfscp with stand-in names patched after; The Sleuth Kit lists the patched names as they are.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "support/CommandOutput.h"
#include "support/FixtureScript.h"
#include "support/Sha256.h"
#include "support/TempDir.h"
#include "tools/EngineCliRun.h"

namespace quellsy::test {
namespace {

namespace fs = std::filesystem;

struct Named {
  std::string disk;      // the name on the disk
  std::string listed;    // its path in engine-cli's JSON listing (a JSON string's text: "\" is escaped)
  std::string written;   // the name of its copy
  std::string sha256;
};

class NtfsSeparatorNames : public EveryEngineRegistered, public ::testing::TestWithParam<const char*> {};

TEST_P(NtfsSeparatorNames, AreListedAndCopiedUnderASafeName) {
  TempDir dir;
  QUELLSY_REQUIRE_FIXTURE(RunFixture("tests/NTFSSearch/make-ntfs-separator-names.sh", {dir.path().string()}));
  const fs::path image = dir / "separators.img";
  std::vector<Named> names = {{"slash/name.txt", "/slash_name.txt", "slash_name.txt", ""},
                              {"back\\slash.txt", "/back\\\\slash.txt", "back_slash.txt", ""},
                              {"plain-neighbour.txt", "/plain-neighbour.txt", "plain-neighbour.txt", ""}};
  std::map<std::string, std::string> facts;
  std::size_t row = 0;
  ReadFixtureManifest(image.string() + ".manifest", facts, [&](const std::vector<std::string>& f) {
    ASSERT_LT(row, names.size());
    ASSERT_EQ(f.at(0), "/" + names[row].disk);
    names[row++].sha256 = f.at(2);
  });
  ASSERT_EQ(row, names.size());
  // The independent oracle sees the names as patched.
  int status = 0;
  const std::string fls = CommandOutput("fls " + ShellQuoted(image.string()), status);
  ASSERT_EQ(status, 0);
  for (const Named& name : names) EXPECT_NE(fls.find("\t" + name.disk + "\n"), std::string::npos) << fls;

  const std::string scan = GetParam();
  fs::create_directories(dir / "out");
  std::vector<std::string> args = {scan, image.string(), "--json", "--recover", (dir / "out").string()};
  if (scan == "quick") args.push_back("--live");
  if (scan == "complete") args.insert(args.end(), {"--searchers", "ntfs"});
  const CliRun run = Cli(args);
  ASSERT_EQ(run.exit, 0) << run.err;
  const std::map<std::string, Listed> listed = ListedByPath(run);
  const fs::path root = fs::directory_iterator(dir / "out")->path();
  for (const Named& name : names) {
    SCOPED_TRACE(name.disk);
    // The complete scan files a volume's tree under a folder of its own: the path ends with the name.
    std::vector<std::string> found;
    for (const auto& [path, entry] : listed)
      if (path.size() >= name.listed.size() &&
          path.compare(path.size() - name.listed.size(), name.listed.size(), name.listed) == 0)
        found.push_back(path);
    ASSERT_EQ(found.size(), 1u) << run.err;
    const fs::path copy = root / fs::path(found.front().substr(1)).parent_path() / name.written;
    EXPECT_EQ(Sha256Hex(ReadFile(copy)), name.sha256) << copy;
  }
}

INSTANTIATE_TEST_SUITE_P(Scans, NtfsSeparatorNames, ::testing::Values("quick", "complete"),
                         [](const auto& p) { return std::string(p.param); });

}  // namespace
}  // namespace quellsy::test
