#include "Bridge/KDUIRecovery.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "Bridge/KDCPPPublic.h"
#include "Bridge/KDUIPublic.h"
#include "DataRecovery/DataRecovery.h"
#include "Platform/MountInfo.h"
#include "ScanDriverFixture.h"
#include "support/MemoryDevice.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

using namespace std::chrono_literals;

// The first copy reports a short write and waits as the copier does, then copies.
class ShortWriteRecovery final : public KDUIRecovery {
 public:
  explicit ShortWriteRecovery(KDUIScan* scan) : KDUIRecovery(scan, kShortStep) {}

 protected:
  quellsy::ResultCode CopyFile(IDataRecovery& recovery, IFileNode* node, const char* path) override {
    if (!reported_) {
      reported_ = true;
      _PROGRESS_INFO record{};
      record.status = PROGRESS_STATUS_RUNNING;
      record.total = static_cast<std::uint64_t>(node->GetFileSize());
      record.result = CDataRecovery::kRecoverShortWrite;
      UpdateProgress(&record);
      if (!Continued()) return CDataRecovery::kRecoverStopped;
    }
    return KDUIRecovery::CopyFile(recovery, node, path);
  }

 private:
  bool reported_ = false;
};

// The first copy meets a full destination as the copier does: the progress record says so, a partial file is
// left at the path, the copy gives up.
class FullOnceRecovery final : public KDUIRecovery {
 public:
  explicit FullOnceRecovery(KDUIScan* scan) : KDUIRecovery(scan, kShortStep) {}
  std::string partial;

 protected:
  quellsy::ResultCode CopyFile(IDataRecovery& recovery, IFileNode* node, const char* path) override {
    if (partial.empty() && path) {
      partial = path;
      std::ofstream(partial) << "partial";
      _PROGRESS_INFO record{};
      record.status = PROGRESS_STATUS_RUNNING;
      record.total = static_cast<std::uint64_t>(node->GetFileSize());
      record.result = CDataRecovery::kRecoverNoSpace;
      UpdateProgress(&record);
      return CDataRecovery::kRecoverNoSpace;
    }
    return KDUIRecovery::CopyFile(recovery, node, path);
  }
};

// The user stops the recovery as its first copy begins: the copier sees the stop before its first chunk.
class StoppedInTheFirstCopyRecovery final : public KDUIRecovery {
 public:
  explicit StoppedInTheFirstCopyRecovery(KDUIScan* scan) : KDUIRecovery(scan, kShortStep) {}
  std::vector<std::string> paths;

 protected:
  quellsy::ResultCode CopyFile(IDataRecovery& recovery, IFileNode* node, const char* path) override {
    if (path) paths.emplace_back(path);
    StopOperation(1);
    return KDUIRecovery::CopyFile(recovery, node, path);
  }
};

// The first copy fails as the copier can after writing: its output holds `written` and the copy gives `result`.
class FailingFirstCopyRecovery final : public KDUIRecovery {
 public:
  FailingFirstCopyRecovery(KDUIScan* scan, quellsy::ResultCode result, std::string written)
      : KDUIRecovery(scan, kShortStep), result_(result), written_(std::move(written)) {}
  std::string failedPath;

 protected:
  quellsy::ResultCode CopyFile(IDataRecovery& recovery, IFileNode* node, const char* path) override {
    if (failedPath.empty() && path) {
      failedPath = path;
      std::ofstream(failedPath, std::ios::binary) << written_;
      return result_;
    }
    return KDUIRecovery::CopyFile(recovery, node, path);
  }

 private:
  quellsy::ResultCode result_;
  std::string written_;
};

// "dir/name.ext" as "dir/name.incomplete.ext".
std::filesystem::path Marked(const std::filesystem::path& path) {
  return path.parent_path() / (path.stem().string() + ".incomplete" + path.extension().string());
}

std::vector<std::uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string FileSha(const std::filesystem::path& path) { return Sha256Hex(FileBytes(path)); }

// A recovery into dest running on its own thread, joined at the latest when the run goes.
class RecoveryRun {
 public:
  RecoveryRun(KDUIRecovery& recovery, const std::filesystem::path& dest)
      : recovery_(Begun(recovery, dest)), thread_([this] { result_ = recovery_.DoRecovery(); }) {}
  bool Started() const { return thread_.Started(); }
  // Waits for the recovery's end and gives what it returned.
  quellsy::ResultCode Join() {
    thread_.Join();
    return result_;
  }

 private:
  static KDUIRecovery& Begun(KDUIRecovery& recovery, const std::filesystem::path& dest) {
    recovery.SetRecoveryPath((dest.string() + "/").c_str());
    recovery.SetStatus(OPERATION_STATUS_RUNNING);
    return recovery;
  }

  KDUIRecovery& recovery_;
  quellsy::ResultCode result_ = 0;
  SizedStackThread thread_;
};

class RecoveryDriverTest : public ScanDriverFixture {
 protected:
  // Scans the FAT volume (completely when deep) and checks every file found.
  void ScanFat(int deep) {
    const ScanImages* images = ScanImages::Get();
    KDUIDeviceData* list = UseDisks({images->FatVolumeDisk(FILE_SYSTEM_FAT16)});
    scan_->SetDeepScan(deep);
    ASSERT_EQ(Scan(list->GetStorageByDiskVolumeIndex(0, 0)), quellsy::kResultOk);
    for (const auto& [path, node] : FilesByPath()) node->SetCheck(static_cast<_tagCheckedStatus>(2));
  }

  quellsy::ResultCode Recover(KDUIRecovery& recovery) {
    RecoveryRun run(recovery, dest_.path());
    EXPECT_TRUE(run.Started());
    return run.Join();
  }

  // The folder of the FAT searcher's files numbered index.
  std::filesystem::path FatFolder(int index) const {
    char number[8];
    std::snprintf(number, sizeof number, "%04d", index);
    return dest_.path() / (KDUIPublic::GetFileSystemStrByType(SEARCHER_FAT) + number);
  }

  // Every manifest file the scan found is in folder/<volume>/<path> (renamed by suffix), byte for byte.
  void ExpectRecovered(const std::filesystem::path& folder, const std::string& suffix, std::size_t expected) {
    const auto files = FilesByPath();
    std::size_t checked = 0;
    for (const auto& entry : ScanImages::Get()->FatManifest()) {
      IFileNode* node = FindFound(files, entry);
      if (!node) continue;
      SCOPED_TRACE(entry.path);
      std::filesystem::path written = folder;
      const std::string tree = KDUIPublic::GetPathByFileNode(node);  // "/<volume>/docs/x.txt"
      written += tree;
      if (!suffix.empty()) written.replace_filename(written.stem().string() + suffix + written.extension().string());
      ASSERT_TRUE(std::filesystem::exists(written)) << written;
      EXPECT_EQ(std::filesystem::file_size(written), entry.size);
      EXPECT_EQ(FileSha(written), entry.sha256);
      // The tree path below the volume folder is the file's own path.
      EXPECT_EQ(tree.substr(tree.find('/', 1)).size(), entry.path.size());
      ++checked;
    }
    EXPECT_EQ(checked, expected);
  }

  TempDir dest_;
};

TEST_F(RecoveryDriverTest, QuickScanFilesAreCopiedWithTheirRootsObjects) {
  QUELLSY_REQUIRE_FIXTURE(ScanImages::Get()->Fixture());
  KDUIRecovery recovery(scan_.get(), kShortStep);
  ScanFat(0);
  EXPECT_TRUE(recovery.CheckWhetherNeedReset() == false);
  ASSERT_EQ(Recover(recovery), quellsy::kResultOk);
  EXPECT_EQ(recovery.GetStatus(), OPERATION_STATUS_IDLE);
  EXPECT_EQ(recovery.GetRecoveriedFilesCnt(), 2u);
  EXPECT_EQ(recovery.GetFailedFilesCnt(), 0u);
  EXPECT_EQ(recovery.GetRecoveriedFileSize(), 1500u + 7000u);
  ExpectRecovered(FatFolder(1), "", 2);
}

TEST_F(RecoveryDriverTest, CompleteScanRecoveryNumbersFoldersAndClashingNames) {
  QUELLSY_REQUIRE_FIXTURE(ScanImages::Get()->Fixture());
  KDUIRecovery recovery(scan_.get(), kShortStep);
  ScanFat(1);
  ASSERT_NE(recovery.GetDataRecoveryByType(SEARCHER_FAT), nullptr);
  // A folder of an earlier recovery is already there: this one takes the next number.
  std::filesystem::create_directories(FatFolder(1));
  ASSERT_EQ(Recover(recovery), quellsy::kResultOk);
  EXPECT_EQ(recovery.GetCreateDirIndex(SEARCHER_FAT), 2);
  const std::size_t live = 4;
  EXPECT_GE(recovery.GetRecoveriedFilesCnt(), live);
  ExpectRecovered(FatFolder(2), "", recovery.GetRecoveriedFilesCnt());
  // Again without clearing the folder numbers: the same folder, every name taken, so each gets _0001.
  ASSERT_EQ(Recover(recovery), quellsy::kResultOk);
  ExpectRecovered(FatFolder(2), "_0001", recovery.GetRecoveriedFilesCnt());
  EXPECT_FALSE(std::filesystem::exists(FatFolder(3)));
  // Cleared, the next recovery takes the next free number.
  recovery.ClearCreateDirIndex();
  ASSERT_EQ(Recover(recovery), quellsy::kResultOk);
  ExpectRecovered(FatFolder(3), "", recovery.GetRecoveriedFilesCnt());
}

TEST_F(RecoveryDriverTest, ShortWritePausesUntilResumed) {
  QUELLSY_REQUIRE_FIXTURE(ScanImages::Get()->Fixture());
  ShortWriteRecovery recovery(scan_.get());
  ScanFat(0);
  RecoveryRun run(recovery, dest_.path());
  ASSERT_TRUE(run.Started());
  ASSERT_TRUE(recovery.WaitForHeldWorkers(1, 60s));
  EXPECT_EQ(recovery.GetStatus(), OPERATION_STATUS_PAUSE);
  EXPECT_EQ(quellsy::ErrorOf(recovery.GetProgressInfo().result), 0xD03u);
  recovery.PauseOrResumeOperation();  // the user frees room and continues
  EXPECT_EQ(run.Join(), quellsy::kResultOk);
  EXPECT_EQ(recovery.GetStatus(), OPERATION_STATUS_IDLE);
  ExpectRecovered(FatFolder(1), "", 2);
}

TEST_F(RecoveryDriverTest, AFullDestinationPausesAndTheFileIsCopiedAgainOnceContinued) {
  QUELLSY_REQUIRE_FIXTURE(ScanImages::Get()->Fixture());
  ScanFat(0);
  for (const bool resume : {true, false}) {
    SCOPED_TRACE(resume ? "continued" : "stopped");
    TempDir other;
    const std::filesystem::path dest = resume ? dest_.path() : other.path();
    FullOnceRecovery recovery(scan_.get());
    RecoveryRun run(recovery, dest);
    ASSERT_TRUE(run.Started());
    ASSERT_TRUE(recovery.WaitForHeldWorkers(1, 60s));
    EXPECT_EQ(recovery.GetStatus(), OPERATION_STATUS_PAUSE);
    EXPECT_EQ(quellsy::ErrorOf(recovery.GetProgressInfo().result), quellsy::error::kNoSpace);
    EXPECT_FALSE(std::filesystem::exists(recovery.partial)) << "the partial copy goes at once";
    if (resume) {
      recovery.PauseOrResume();  // the user made room and continues
      EXPECT_EQ(recovery.GetProgressInfo().result, quellsy::kResultOk) << "resumed: no longer full";
    } else {
      recovery.StopOperation(1);
    }
    const quellsy::ResultCode result = run.Join();
    EXPECT_EQ(recovery.GetStatus(), OPERATION_STATUS_IDLE);
    EXPECT_EQ(recovery.GetRecoveriedFilesCnt(), resume ? 2u : 1u) << "a file copied again counts once";
    EXPECT_EQ(recovery.GetFailedFilesCnt(), resume ? 0u : 1u);
    if (resume) {
      EXPECT_EQ(result, quellsy::kResultOk);
      ExpectRecovered(FatFolder(1), "", 2);
    } else {
      EXPECT_EQ(quellsy::ErrorOf(result), quellsy::error::kNoSpace);
      EXPECT_FALSE(std::filesystem::exists(recovery.partial));
    }
  }
}

TEST_F(RecoveryDriverTest, ACopyCutShortByAStopIsKeptOnlyUnderANameSayingItIsIncomplete) {
  QUELLSY_REQUIRE_FIXTURE(ScanImages::Get()->Fixture());
  ScanFat(0);
  StoppedInTheFirstCopyRecovery recovery(scan_.get());
  const quellsy::ResultCode result = Recover(recovery);
  EXPECT_EQ(quellsy::ErrorOf(result), quellsy::error::kIncomplete);
  ASSERT_EQ(recovery.paths.size(), 1u) << "the walk ends at the stop";
  EXPECT_EQ(recovery.GetIncompleteFilesCnt(), 1u);
  const std::filesystem::path cut(recovery.paths.front());
  EXPECT_FALSE(std::filesystem::exists(cut)) << "no cut copy under the file's own name";
  EXPECT_TRUE(std::filesystem::exists(Marked(cut))) << Marked(cut);
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dest_.path())) files += entry.is_regular_file();
  EXPECT_EQ(files, 1u);
}

TEST_F(RecoveryDriverTest, HiddenOrUncheckedFilesAreNotCopied) {
  QUELLSY_REQUIRE_FIXTURE(ScanImages::Get()->Fixture());
  KDUIRecovery recovery(scan_.get(), kShortStep);
  ScanFat(0);
  const auto files = FilesByPath();
  ASSERT_EQ(files.size(), 2u);
  files.begin()->second->ShowNode(0);
  std::next(files.begin())->second->SetCheck(static_cast<_tagCheckedStatus>(0));
  EXPECT_EQ(CreateRecoveryFilePathByNode(files.begin()->second, dest_.path().string() + "/", &recovery), "");
  ASSERT_EQ(Recover(recovery), quellsy::kResultOk);
  EXPECT_EQ(recovery.GetRecoveriedFilesCnt(), 0u);
  EXPECT_TRUE(std::filesystem::is_empty(dest_.path()));
}

TEST_F(RecoveryDriverTest, SameDeviceIsFoundThroughTheMountTable) {
  // The volume record names the device mounted on the destination's file system, as the enumerator records it.
  struct stat info {};
  ASSERT_EQ(stat(dest_.path().c_str(), &info), 0);
  std::string source;
  for (const auto& mount : quellsy::platform::ReadMountInfo("/proc/self/mountinfo"))
    if (mount.deviceNumber == static_cast<std::uint64_t>(info.st_dev)) source = mount.source;
  if (source.rfind("/dev/", 0) != 0) GTEST_SKIP() << "the temporary folder is not on a device node: " << source;
  FakeDisk disk{"Disk", "sdx", 1, DISK_BUS_SATA, 256, {}, {}};
  disk.volumes.push_back(FakeVolume{"Data", FILE_SYSTEM_FAT32, {}, "", 64, {}});
  KDUIDeviceData* list = UseDisks({disk});
  KDUIRecovery recovery(scan_.get(), kShortStep);
  IStorageDevice* volume = list->GetStorageByDiskVolumeIndex(0, 0);
  scan_->SaveScanSorage(volume);
  EXPECT_FALSE(recovery.RecoveryPathIsSameDevice(dest_.path().c_str()));
  std::snprintf(KDUIScan::GetStorageVolumeInfo(volume)->bsdName, 128, "%s", source.substr(5).c_str());
  EXPECT_TRUE(recovery.RecoveryPathIsSameDevice(dest_.path().c_str()));
  scan_->SaveScanSorage(list->GetDiskStorageByIndex(0));  // a whole disk: any of its volumes
  EXPECT_TRUE(recovery.RecoveryPathIsSameDevice(dest_.path().c_str()));
  EXPECT_FALSE(recovery.RecoveryPathIsSameDevice(nullptr));
  EXPECT_FALSE(recovery.RecoveryPathIsSameDevice((dest_.path() / "missing").c_str()));
}

TEST_F(RecoveryDriverTest, ACopyThatFailedAfterWritingIsKeptOnlyUnderTheIncompleteName) {
  QUELLSY_REQUIRE_FIXTURE(ScanImages::Get()->Fixture());
  ScanFat(0);
  struct Case {
    const char* name;
    quellsy::ResultCode result;
    std::string written;
    bool kept;  // under the incomplete name
  };
  const Case cases[] = {
      {"decoding failed midway", CDataRecovery::kRecoverCompressedFailed, "the decoded start", true},
      {"writes gave up", CDataRecovery::kRecoverShortWrite, "some bytes", true},
      {"failed before writing", CDataRecovery::kRecoverNoReader, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dest;
    FailingFirstCopyRecovery recovery(scan_.get(), c.result, c.written);
    RecoveryRun run(recovery, dest.path());
    ASSERT_TRUE(run.Started());
    EXPECT_EQ(run.Join(), c.result) << "the failure is still what the walk reports";
    EXPECT_EQ(recovery.GetFailedFilesCnt(), 1u);
    EXPECT_EQ(recovery.GetIncompleteFilesCnt(), 0u);
    ASSERT_FALSE(recovery.failedPath.empty());
    const std::filesystem::path failed(recovery.failedPath);
    EXPECT_FALSE(std::filesystem::exists(failed)) << "no half-written copy under the file's own name";
    EXPECT_EQ(std::filesystem::exists(Marked(failed)), c.kept);
    if (c.kept) {
      const std::vector<std::uint8_t> kept = FileBytes(Marked(failed));
      EXPECT_EQ(std::string(kept.begin(), kept.end()), c.written);
    }
  }
}

TEST_F(RecoveryDriverTest, AFileWithAnUnreadableRangeIsKeptOnlyUnderTheIncompleteNameOthersWhole) {
  QUELLSY_REQUIRE_FIXTURE(ScanImages::Get()->Fixture());
  ScanFat(0);
  // The fixture fills the deleted /gone.jpg (7000 bytes) with its own path, line after line.
  const std::string line = "/gone.jpg\n";
  std::string content;
  while (content.size() < 7000) content += line;
  content.resize(7000);
  const std::vector<std::uint8_t> image = ScanImages::Get()->Bytes("fat.img");
  const std::string head = line + line;
  const auto found = std::search(image.begin(), image.end(), head.begin(), head.end());
  ASSERT_NE(found, image.end());
  const long long start = found - image.begin();
  ASSERT_EQ(start % 512, 0) << "a file's data starts on a sector";
  // The sector 4096 bytes into the file cannot be read.
  auto* device = dynamic_cast<MemoryDevice*>(KDUIDeviceData::instance()->GetStorageByDiskVolumeIndex(0, 0));
  ASSERT_NE(device, nullptr);
  device->FailSectors((start + 4096) / 512, 1);

  KDUIRecovery recovery(scan_.get(), kShortStep);
  Recover(recovery);
  EXPECT_EQ(recovery.GetIncompleteFilesCnt(), 1u);
  EXPECT_EQ(recovery.GetFailedFilesCnt(), 0u);
  const auto files = FilesByPath();
  std::size_t whole = 0;
  for (const auto& entry : ScanImages::Get()->FatManifest()) {
    IFileNode* node = FindFound(files, entry);
    if (!node) continue;
    SCOPED_TRACE(entry.path);
    std::filesystem::path written = FatFolder(1);
    written += KDUIPublic::GetPathByFileNode(node);
    if (entry.path != "/gone.jpg") {
      ASSERT_TRUE(std::filesystem::exists(written));
      EXPECT_EQ(FileSha(written), entry.sha256) << "a whole file keeps its name and its bytes";
      ++whole;
      continue;
    }
    EXPECT_FALSE(std::filesystem::exists(written)) << "zeros stand in it: not under the file's own name";
    const std::vector<std::uint8_t> kept = FileBytes(Marked(written));
    ASSERT_EQ(kept.size(), content.size()) << "the copy keeps the file's length";
    bool zeros = false;
    for (std::size_t i = 0; i < kept.size(); ++i) {
      ASSERT_TRUE(kept[i] == 0 || kept[i] == static_cast<std::uint8_t>(content[i])) << "byte " << i;
      zeros = zeros || (i >= 4096 && i < 4608 && kept[i] == 0);
    }
    EXPECT_TRUE(zeros) << "the unreadable sector reads as zeros";
  }
  EXPECT_EQ(whole, 1u);
}

}  // namespace
}  // namespace quellsy::test
