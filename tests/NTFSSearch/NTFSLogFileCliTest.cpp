// A deleted file whose MFT record a newer file took, found again through the log: make-ntfs-logfile-image.sh
// writes and deletes /victim.bin and gives its record to /reuser.txt (ntfs-3g); the test logs the victim's record
// as it was (from the copy of the volume before the deletion) into the volume's own $LogFile with the test-side
// log writer, then runs the quick scan through engine-cli. The Sleuth Kit (fls -r -p, tsk_recover -e) lists only
// keep.txt and reuser.txt on this volume: it does not read the log.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "Engines/BuiltInEngines.h"
#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/CNTFSFileRecordAnalyzer.h"
#include "NTFSLib/NtfsImages.h"
#include "support/FixtureScript.h"
#include "support/Sha256.h"
#include "support/TempDir.h"
#include "support/ntfs/NtfsLogWriter.h"
#include "tools/EngineCliRun.h"

namespace {

using namespace quellsy::test;
namespace fs = std::filesystem;

// A log record carrying a FILE record image, addressed at its own record (four 1 KiB records a 4 KiB cluster).
std::vector<std::uint8_t> ImageOf(const std::vector<std::uint8_t>& image, std::uint64_t mftNumber) {
  NtfsLogClientRecord record;
  record.redoOperation = kLogInitializeFileRecordSegment;
  record.undoOperation = kLogDeallocateFileRecordSegment;
  record.redo = image;
  record.targetVcn = static_cast<std::int64_t>(mftNumber / 4);
  record.clusterBlockOffset = static_cast<std::uint16_t>((mftNumber % 4) * 2);
  return NtfsLogClientData(record);
}

TEST(NtfsLogFileCli, ADeletedFileWhoseRecordWasReusedIsListedFromTheLogAndCopiedOut) {
  TempDir dir;
  QUELLSY_REQUIRE_FIXTURE(RunFixture("tests/NTFSSearch/make-ntfs-logfile-image.sh", {dir.path().string()}));
  NtfsImage image;
  image.path = dir / "ntfs-logfile.img";
  ReadFixtureManifest(image.Beside(".manifest"), image.facts, [&](const std::vector<std::string>& f) {
    ASSERT_GE(f.size(), 5u);
    image.files.push_back({f[0], std::stoull(f[1]), f[2], f[3] == "1", std::stoull(f[4])});
  });
  const NtfsManifestFile* victim = image.File("/victim.bin");
  ASSERT_NE(victim, nullptr);
  ASSERT_EQ(image.File("/reuser.txt")->mftNumber, victim->mftNumber);

  std::vector<std::uint8_t> victimImage;
  std::vector<std::uint8_t> renamedImage;
  {
    const NtfsVolume before(dir / image.facts.at("before"), 512);
    ASSERT_TRUE(before.ok);
    victimImage = before.Record(victim->mftNumber);
    // keep.txt logged under an older name: its record was never given to another file, so the name the MFT
    // holds now is the one listed.
    renamedImage = before.Record(image.File("/keep.txt")->mftNumber);
    const auto utf16 = [](const std::string& text) {
      std::vector<std::uint8_t> bytes;
      for (const char c : text) bytes.insert(bytes.end(), {static_cast<std::uint8_t>(c), 0});
      return bytes;
    };
    const std::vector<std::uint8_t> from = utf16("keep.txt");
    const std::vector<std::uint8_t> to = utf16("kept.txt");
    const auto at = std::search(renamedImage.begin(), renamedImage.end(), from.begin(), from.end());
    ASSERT_NE(at, renamedImage.end());
    std::copy(to.begin(), to.end(), at);
  }
  ASSERT_EQ(victimImage.size(), 1024u);
  {
    const NtfsVolume volume(image.path, 512);
    ASSERT_TRUE(volume.ok);
    ASSERT_EQ(volume.geometry.ClusterBytes(), 4096u);
    const CNTFSFileRecord logRecord(volume.Record(2));
    ASSERT_TRUE(logRecord.IsValid());
    CNTFSDataRunList logRuns;
    std::int64_t logSize = 0;
    ASSERT_TRUE(CNTFSFileRecordAnalyzer::AddDataRunListfromFileRecordBuffer(logRecord, logRuns, false, logSize));
    ASSERT_GE(logSize, 64 * 4096);
    NtfsLogWriter log(static_cast<std::size_t>(logSize) / NtfsLogWriter::kPageSize);
    log.Add(std::vector<std::uint8_t>(3000, 0x11));
    // The image crosses from the first record page into the second.
    log.Add(ImageOf(victimImage, victim->mftNumber));
    log.Add(std::vector<std::uint8_t>(200, 0x22));
    log.Add(ImageOf(renamedImage, image.File("/keep.txt")->mftNumber));
    ASSERT_TRUE(WriteThroughRuns(image.path, volume.geometry, logRuns, log.Build()));
  }

  const fs::path out = dir / "out";
  fs::create_directories(out);
  RegisterBuiltInEngines();
  const CliRun run = Cli({"quick", image.path.string(), "--live", "--json", "--recover", out.string()});
  ASSERT_EQ(run.exit, 0) << run.err;
  const auto listed = ListedByPath(run);
  for (const NtfsManifestFile& file : image.files) {
    SCOPED_TRACE(file.path);
    ASSERT_TRUE(listed.count(file.path)) << run.err;
    EXPECT_EQ(listed.at(file.path).size, std::to_string(file.size));
    EXPECT_EQ(listed.at(file.path).deleted, file.deleted ? "true" : "false");
  }
  EXPECT_EQ(listed.size(), image.files.size()) << "only the three files are listed, not kept.txt";
  const fs::path root = fs::directory_iterator(out)->path();
  for (const NtfsManifestFile& file : image.files) {
    SCOPED_TRACE(file.path);
    EXPECT_EQ(Sha256Hex(ReadFile(root / file.path.substr(1))), file.sha256);
  }
}

}  // namespace
