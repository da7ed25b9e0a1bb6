#include "Bridge/SaveRestoreResult.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "Bridge/KDSaveAndRestoreNodeOperate.h"
#include "Bridge/KDScanResultEntry.h"
#include "Bridge/KDUIController.h"
#include "Bridge/KDUIPublic.h"
#include "Bridge/KDUIRecovery.h"
#include "DataRecovery/DataRecovery.h"
#include "FileArchive/RestoreFileNode.h"
#include "RecordingPoster.h"
#include "ScanDriverFixture.h"
#include "include/SearchPartitionInfoStruct.h"
#include "support/Sha256.h"
#include "support/TempDir.h"
#include "support/hfsplus/HFSPlusWriter.h"
#include "Utility/ByteReader.h"

namespace quellsy::test {
namespace {

// Everything a scan's trees say that a saved scan must give back: per root its searcher and volume name, per
// node (by its path) its IDs, parent, size and flags, and the partition records recovery reads through.
struct TreeSnapshot {
  using NodeFacts = std::tuple<long long, long long, long long, int, int, unsigned long long>;
  std::vector<std::tuple<int, std::string, std::string>> roots;
  std::map<std::string, NodeFacts> nodes;
  std::map<std::string, std::vector<std::tuple<long long, long long, std::uint32_t, std::uint64_t, int>>> partitions;

  bool operator==(const TreeSnapshot&) const = default;
};

std::vector<const CSearchedPartitionInfo*> PartitionsOf(IFileNode* root, KDUIScan& scan, KDUIRecovery& recovery) {
  IDataRecovery* object = scan.GetScanControllerType(scan.GetSavedStorage()) == RECOVERY_CONTROLLER_QUICK
                              ? scan.GetFileNodeDataRecover(root)
                              : recovery.GetDataRecoveryByType(root->GetSearcheType());
  auto* common = dynamic_cast<CDataRecovery*>(object);
  std::vector<const CSearchedPartitionInfo*> out;
  if (common)
    for (const CSearchedPartitionInfo* record : common->GetSearchedPartition()) out.push_back(record);
  return out;
}

TreeSnapshot Snapshot(KDUIScan& scan, KDUIRecovery& recovery) {
  TreeSnapshot snapshot;
  if (recovery.CheckWhetherNeedReset()) recovery.InitDataRecoveryController();
  int index = 0;
  for (IFileNode* root : scan.GetFileSystemNode()) {
    auto* system = dynamic_cast<IFilesystemNode*>(root);
    const std::string key = std::to_string(index++) + ":" + std::to_string(root->GetSearcheType());
    snapshot.roots.emplace_back(root->GetSearcheType(), root->GetFileName(),
                                system && system->GetVolumeName() ? system->GetVolumeName() : "");
    for (const CSearchedPartitionInfo* record : PartitionsOf(root, scan, recovery))
      snapshot.partitions[key].emplace_back(record->GetStartSector(), record->GetClusterOrigin(),
                                            record->GetSectorsPerCluster(), record->GetTotalSectors(),
                                            record->GetPartitionIndex());
    std::vector<std::pair<IFileNode*, std::string>> stack{{root, key}};
    while (!stack.empty()) {
      auto [folder, path] = stack.back();
      stack.pop_back();
      for (IFileNode* child = folder->GetFirstChild(); child; child = child->GetNextNode()) {
        const std::string childPath = path + "/" + child->GetFileName();
        snapshot.nodes[childPath] = {child->GetCurrentNodeID(), child->GetParentNodeID(), child->GetFileSize(),
                                     child->IsDirectory(), child->IsDeleted(), child->GetModificationTime()};
        if (child->GetFirstChild()) stack.emplace_back(child, childPath);
      }
    }
  }
  return snapshot;
}

std::string FileSha(const std::filesystem::path& path) { return Sha256Hex(ReadFile(path)); }

class ScanResultFileTest : public ScanDriverFixture {
 protected:
  void TearDown() override {
    recovery_.reset();
    SaveRestoreResult::ResetForTests();
    ScanDriverFixture::TearDown();
  }

  SaveRestoreResult::OperationPara Para(IProgress* progress) {
    SaveRestoreResult::OperationPara para;
    para.path = (dir_ / "scan.rsf").string();
    para.progress = progress;
    para.scan = scan_.get();
    para.recovery = recovery_.get();
    return para;
  }

  std::uint32_t Save() { return SaveRestoreResult::SaveScanResult(Para(&saver_)); }

  // A fresh scan driver (as after a restart) restores the file on an operation thread, as the facade runs it.
  std::uint32_t Restore() {
    recovery_.reset();
    scan_ = std::make_unique<RecordingScan>();
    recovery_ = std::make_unique<KDUIRecovery>(scan_.get(), kShortStep);
    scan_->SetStatus(OPERATION_STATUS_RUNNING);
    std::uint32_t result = 0;
    SizedStackThread thread([&] { result = SaveRestoreResult::RestoreScanResult(Para(scan_.get())); });
    EXPECT_TRUE(thread.Started());
    thread.Join();
    return result;
  }

  // Scans, saves, restores; the restored trees must equal the scanned ones.
  void RoundTrip(IStorageDevice* device, int deep, std::size_t minimumNodes) {
    ASSERT_NE(device, nullptr);
    scan_->SetDeepScan(deep);
    ASSERT_EQ(Scan(device), quellsy::kResultOk);
    const TreeSnapshot scanned = Snapshot(*scan_, *recovery_);
    ASSERT_GE(scanned.nodes.size(), minimumNodes);
    ASSERT_FALSE(scanned.partitions.empty());
    ASSERT_EQ(Save(), 0u);
    EXPECT_EQ(saver_.GetProgressInfo().status, PROGRESS_STATUS_FINISHED);
    ASSERT_EQ(Restore(), 0u);
    EXPECT_EQ(scan_->GetStatus(), OPERATION_STATUS_IDLE);
    const TreeSnapshot restored = Snapshot(*scan_, *recovery_);
    EXPECT_EQ(restored.roots, scanned.roots);
    EXPECT_EQ(restored.partitions, scanned.partitions);
    EXPECT_EQ(restored.nodes.size(), scanned.nodes.size());
    for (const auto& [path, facts] : scanned.nodes) {
      const auto found = restored.nodes.find(path);
      ASSERT_NE(found, restored.nodes.end()) << path;
      EXPECT_EQ(found->second, facts) << path;
    }
    for (IFileNode* root : scan_->GetFileSystemNode())
      for (IFileNode* child = root->GetFirstChild(); child; child = child->GetNextNode())
        EXPECT_NE(dynamic_cast<SaveRestoreResult::RestoreFileNode*>(child), nullptr) << child->GetFileName();
  }

  // Copies every file of the restored scan out; the number copied.
  std::uint64_t RecoverAll() {
    for (IFileNode* node : scan_->KDGetFileNodesSince(0)) node->SetCheck(CHECKED_STATUS_CHECKED);
    recovery_->SetRecoveryPath((dest_.path().string() + "/").c_str());
    recovery_->SetStatus(OPERATION_STATUS_RUNNING);
    SizedStackThread thread([&] { recovery_->DoRecovery(); });
    EXPECT_TRUE(thread.Started());
    thread.Join();
    EXPECT_EQ(recovery_->GetFailedFilesCnt(), 0u);
    return recovery_->GetRecoveriedFilesCnt();
  }

  // The copy of the restored node whose path in its volume ends with tail; empty when there is none.
  std::filesystem::path CopyOf(const std::string& tail) const {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dest_.path())) {
      const std::string path = entry.path().string();
      if (entry.is_regular_file() && path.size() >= tail.size() && path.compare(path.size() - tail.size(), tail.size(), tail) == 0)
        return entry.path();
    }
    return {};
  }

  TempDir dir_;
  TempDir dest_;
  KDSaveAndRestoreNodeOperate saver_;
  std::unique_ptr<KDUIRecovery> recovery_ = std::make_unique<KDUIRecovery>(scan_.get(), kShortStep);
};

TEST_F(ScanResultFileTest, QuickFatScanComesBackAndItsDeletedFilesCopyOutByteForByte) {
  const ScanImages* images = ScanImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  KDUIDeviceData* list = UseDisks({images->FatVolumeDisk(FILE_SYSTEM_FAT16)});
  RoundTrip(list->GetStorageByDiskVolumeIndex(0, 0), 0, 3);
  ASSERT_EQ(RecoverAll(), 2u);
  std::size_t checked = 0;
  for (const auto& entry : images->FatManifest()) {
    if (!entry.deleted) continue;
    // A deleted entry's name has lost its first character.
    const std::filesystem::path copy = CopyOf(entry.path.substr(entry.path.rfind('/') + 2));
    ASSERT_FALSE(copy.empty()) << entry.path;
    EXPECT_EQ(FileSha(copy), entry.sha256) << entry.path;
    ++checked;
  }
  EXPECT_EQ(checked, 2u);
}

TEST_F(ScanResultFileTest, QuickScanOfADiskComesBackVolumeByVolume) {
  const ScanImages* images = ScanImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  KDUIDeviceData* list = UseDisks({images->ThreeVolumeDisk()});
  // Each volume of the disk takes back the roots saved under its name.
  RoundTrip(list->GetStorageByDiskVolumeIndex(0, -1), 0, 3);
}

TEST_F(ScanResultFileTest, QuickScanOfADiskWithTwoFatVolumesCopiesEachVolumesFilesWithItsOwnGeometry) {
  // Two FAT16 volumes of one disk, with different cluster sizes and reserved areas: each restored volume must
  // read its files through its own partition record, not the other volume's.
  const FixtureRun run = RunFixture("tests/Bridge/make-two-fat-disk.sh", {dir_.path().string()});
  QUELLSY_REQUIRE_FIXTURE(run);
  FakeDisk disk{"Two Cards", "sdv", 1, DISK_BUS_SATA, 0, {}, ReadFile(dir_ / "two-fat.img")};
  disk.sectors = static_cast<long long>(disk.bytes.size() / 512);
  std::ifstream layout(dir_ / "two-fat.layout");
  std::string name;
  long long start = 0;
  long long sectors = 0;
  while (layout >> name >> start >> sectors) {
    const auto begin = disk.bytes.begin() + start * 512;
    disk.volumes.push_back({name, FILE_SYSTEM_FAT16, {}, "", sectors, std::vector<std::uint8_t>(begin, begin + sectors * 512)});
  }
  ASSERT_EQ(disk.volumes.size(), 2u);
  KDUIDeviceData* list = UseDisks({disk});
  RoundTrip(list->GetStorageByDiskVolumeIndex(0, -1), 0, 2);
  ASSERT_EQ(scan_->GetFileSystemNode().size(), 2u);
  ASSERT_EQ(RecoverAll(), 2u);
  // The deleted file of each volume, by its bytes: both copies, each whole.
  std::multiset<std::string> expected;
  std::ifstream manifest(dir_ / "two-fat.manifest");
  for (std::string line; std::getline(manifest, line);) {
    std::istringstream fields(line);
    std::string volume, path, size, sha, deleted;
    fields >> volume >> path >> size >> sha >> deleted;
    if (deleted == "1") expected.insert(sha);
  }
  std::multiset<std::string> copied;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dest_.path()))
    if (entry.is_regular_file()) copied.insert(FileSha(entry.path()));
  ASSERT_EQ(expected.size(), 2u);
  EXPECT_EQ(copied, expected);
}

TEST_F(ScanResultFileTest, NtfsScanComesBackAndItsDeletedCompressedFileCopiesOut) {
  const FixtureRun run = RunFixture("tests/NTFSSearch/make-ntfs-compressed-image.sh", {dir_.path().string()});
  QUELLSY_REQUIRE_FIXTURE(run);
  std::map<std::string, std::string> facts;
  std::vector<std::vector<std::string>> rows;
  ReadFixtureManifest(dir_ / "ntfs-compressed.img.manifest", facts,
                      [&](const std::vector<std::string>& fields) { rows.push_back(fields); });
  const std::vector<std::uint8_t> bytes = ReadFile(dir_ / "ntfs-compressed.img");
  FakeDisk disk{"Windows Disk", "sdw", 1, DISK_BUS_SATA, 0, {}, {}};
  disk.volumes.push_back({"PACKED", FILE_SYSTEM_NTFS, {}, "", static_cast<long long>(bytes.size() / 512), bytes});
  disk.sectors = disk.volumes[0].sectors + 2048;
  KDUIDeviceData* list = UseDisks({disk});
  RoundTrip(list->GetStorageByDiskVolumeIndex(0, 0), 0, 2);
  EXPECT_EQ(scan_->GetFileSystemNode().at(0)->GetSearcheType(), SEARCHER_NTFS);
  ASSERT_GE(RecoverAll(), 1u);
  std::size_t checked = 0;
  for (const auto& row : rows) {
    if (row.at(3) != "1") continue;
    const std::filesystem::path copy = CopyOf(row.at(0));
    ASSERT_FALSE(copy.empty()) << row.at(0);
    EXPECT_EQ(std::to_string(std::filesystem::file_size(copy)), row.at(1));
    EXPECT_EQ(FileSha(copy), row.at(2)) << row.at(0);
    ++checked;
  }
  EXPECT_EQ(checked, 1u);
}

TEST_F(ScanResultFileTest, CompleteScanOfAWholeDiskComesBack) {
  const ScanImages* images = ScanImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  KDUIDeviceData* list = UseDisks({images->ThreeVolumeDisk()});
  RoundTrip(list->GetStorageByDiskVolumeIndex(0, -1), 1, 6);
}

TEST_F(ScanResultFileTest, HfsPlusScanComesBackAndItsCompressedFileReadsWhole) {
  HFSPlusWriter writer;
  const std::uint32_t folder = writer.AddFolder(2, u"docs");
  writer.AddFile(folder, u"plain.bin", PatternBytes(20000, 3), 3);
  writer.AddCompressedFile(2, u"packed.txt", PatternBytes(70000, 4), 4);
  writer.AddCompressedFile(folder, u"inline.txt", std::vector<std::uint8_t>(3000, 'z'), 3);
  const std::vector<std::uint8_t> bytes = writer.Build()->Flatten();
  FakeDisk disk{"Mac Disk", "sdx", 1, DISK_BUS_SATA, 0, {}, {}};
  disk.volumes.push_back({"QuellsyHFS", FILE_SYSTEM_HFSPLUS, {}, "", static_cast<long long>(bytes.size() / 512), bytes});
  disk.sectors = disk.volumes[0].sectors + 2048;
  KDUIDeviceData* list = UseDisks({disk});
  // A complete scan: a quick one lists deleted files only, and this volume has none.
  RoundTrip(list->GetStorageByDiskVolumeIndex(0, 0), 1, 4);
  ASSERT_EQ(RecoverAll(), 3u);
  for (const ImageManifestEntry& entry : writer.Manifest()) {
    if (entry.sha256.empty()) continue;
    const std::filesystem::path copy = CopyOf("/" + entry.path);
    ASSERT_FALSE(copy.empty()) << entry.path;
    EXPECT_EQ(std::filesystem::file_size(copy), entry.size) << entry.path;
    EXPECT_EQ(FileSha(copy), entry.sha256) << entry.path;
  }
}

TEST_F(ScanResultFileTest, AFailedWriteLeavesNoFileAndANonZeroCode) {
  const ScanImages* images = ScanImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  KDUIDeviceData* list = UseDisks({images->FatVolumeDisk(FILE_SYSTEM_FAT16)});
  ASSERT_EQ(Scan(list->GetStorageByDiskVolumeIndex(0, 0)), quellsy::kResultOk);
  // The file system refuses to let the file grow past 300 bytes: the roots frame cannot be written.
  rlimit before{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
  const auto previous = signal(SIGXFSZ, SIG_IGN);
  rlimit small = before;
  small.rlim_cur = 300;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::uint32_t result = Save();
  setrlimit(RLIMIT_FSIZE, &before);
  signal(SIGXFSZ, previous);
  EXPECT_EQ(result, SaveRestoreResult::kWriteFailed);
  EXPECT_EQ(saver_.GetProgressInfo().result, SaveRestoreResult::kWriteFailed);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "scan.rsf"));
  // A folder that is not there cannot take the file.
  SaveRestoreResult::OperationPara para = Para(&saver_);
  para.path = (dir_ / "missing" / "scan.rsf").string();
  EXPECT_EQ(SaveRestoreResult::SaveScanResult(para), SaveRestoreResult::kNotOpened);
}

// Where the saved record of the file node named by `suffix` lies in a scan-result file, and how many runs it has;
// its fields as the writer lays them out: IDs, size (at 16), attribute, times, flags, run count (at 58), resident
// flag, runs of 16 bytes (cluster, length) from 66, name length, name.
struct NodeRecord {
  std::size_t start = 0;
  std::uint32_t runs = 0;
};

std::optional<NodeRecord> FindNodeRecord(const std::vector<std::uint8_t>& file, const std::string& suffix) {
  const auto u32 = [&file](std::size_t at) { return le32(file, at).value_or(0xFFFFFFFFu); };
  for (auto at = std::search(file.begin(), file.end(), suffix.begin(), suffix.end()); at != file.end();
       at = std::search(at + 1, file.end(), suffix.begin(), suffix.end())) {
    const auto end = static_cast<std::size_t>(at - file.begin()) + suffix.size();
    for (std::size_t name = end - suffix.size(); name + 16 >= end && name >= 4; --name) {
      if (u32(name - 4) != end - name) continue;
      for (std::uint32_t runs = 0; runs < 64; ++runs) {
        const std::size_t before = 4 + 16 * std::size_t{runs} + 66;
        if (name < before) break;
        if (u32(name - before + 58) == runs && u32(name - before + 50) == 0) return NodeRecord{name - before, runs};
      }
    }
  }
  return std::nullopt;
}

// A flipped byte in a saved file's record (its size, a run's cluster or length) must not give a copy of terabytes
// or one that reads past the volume: the file is refused, the restore says the scan-result file is damaged (what
// the windows show as a failed load), and the other files still come back byte for byte.
TEST_F(ScanResultFileTest, ASavedFileWhoseRunsOrSizeNoLongerFitIsRefused) {
  const ScanImages* images = ScanImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  KDUIDeviceData* list = UseDisks({images->FatVolumeDisk(FILE_SYSTEM_FAT16)});
  IStorageDevice* volume = list->GetStorageByDiskVolumeIndex(0, 0);
  ASSERT_NE(volume, nullptr);
  const auto volumeSectors = static_cast<std::uint64_t>(volume->GetTotalSectors());
  ASSERT_EQ(Scan(volume), quellsy::kResultOk);
  ASSERT_EQ(Save(), 0u);
  const std::vector<std::uint8_t> whole = ReadFile(dir_ / "scan.rsf");
  // Both deleted files of the volume; a deleted entry's name has lost its first character.
  std::map<std::string, std::string> deleted;  // name without its first character: sha256
  for (const auto& entry : images->FatManifest())
    if (entry.deleted) deleted[entry.path.substr(entry.path.rfind('/') + 2)] = entry.sha256;
  ASSERT_EQ(deleted.size(), 2u);
  const std::string damaged = "one.jpg";
  ASSERT_EQ(deleted.count(damaged), 1u);
  const std::optional<NodeRecord> record = FindNodeRecord(whole, damaged);
  ASSERT_TRUE(record);
  ASSERT_GE(record->runs, 1u);
  const std::size_t size = record->start + 16;
  const std::size_t cluster = record->start + 66;
  const std::size_t length = cluster + 8;

  struct Case {
    const char* name;
    std::size_t at;
    std::uint64_t value;
  };
  const std::vector<Case> cases = {
      {"a size of 68 TB", size, le64(whole, size).value() | 0x3EULL << 40},
      {"a size of 1 GiB", size, 1ULL << 30},
      {"a run far past the device", cluster, le64(whole, cluster).value() | 1ULL << 40},
      {"a run longer than the volume", length, le64(whole, length).value() + volumeSectors},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> flipped = whole;
    FieldWriter writer(flipped);
    writer.le64(c.at, c.value);
    ASSERT_TRUE(writer.ok());
    WriteFile(dir_ / "scan.rsf", flipped);
    ASSERT_EQ(Restore(), SaveRestoreResult::kDamaged);
    std::size_t shown = 0;
    for (IFileNode* node : scan_->KDGetFileNodesSince(0)) {
      EXPECT_EQ(std::string(node->GetFileName()).find(damaged), std::string::npos);
      ++shown;
    }
    EXPECT_EQ(shown, 1u);
    for (const auto& entry : std::filesystem::directory_iterator(dest_.path())) std::filesystem::remove_all(entry);
    ASSERT_EQ(RecoverAll(), 1u);
    EXPECT_TRUE(CopyOf(damaged).empty());
    for (const auto& [name, sha256] : deleted) {
      if (name == damaged) continue;
      const std::filesystem::path copy = CopyOf(name);
      ASSERT_FALSE(copy.empty()) << name;
      EXPECT_EQ(FileSha(copy), sha256) << name;
    }
  }
}

TEST_F(ScanResultFileTest, RestoreRefusalsCarryTheirCodes) {
  const ScanImages* images = ScanImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  EXPECT_EQ(Restore(), SaveRestoreResult::kNotOpened);  // no file yet
  WriteFile(dir_ / "scan.rsf", std::vector<std::uint8_t>(500, 0x41));
  EXPECT_EQ(Restore(), SaveRestoreResult::kBadHeader);

  KDUIDeviceData* list = UseDisks({images->FatVolumeDisk(FILE_SYSTEM_FAT16)});
  ASSERT_EQ(Scan(list->GetStorageByDiskVolumeIndex(0, 0)), quellsy::kResultOk);
  const std::size_t found = scan_->KDGetFileNodeCount();
  ASSERT_EQ(Save(), 0u);
  const std::vector<std::uint8_t> whole = ReadFile(dir_ / "scan.rsf");

  // Cut inside the nodes: a clear error, and what came before is shown.
  std::vector<std::uint8_t> cut(whole.begin(), whole.end() - 40);
  WriteFile(dir_ / "scan.rsf", cut);
  EXPECT_EQ(Restore(), SaveRestoreResult::kDamaged);
  EXPECT_EQ(scan_->GetFileSystemNode().size(), 1u);

  // The scanned device is gone from the list.
  WriteFile(dir_ / "scan.rsf", whole);
  FakeDisk other{"Other Disk", "sdv", 1, DISK_BUS_SATA, 4096, {}, {}};
  other.volumes.push_back({"OTHER", FILE_SYSTEM_FAT16, {}, "", 2048, {}});
  UseDisks({other});
  EXPECT_EQ(Restore(), SaveRestoreResult::kDeviceMissing);
  EXPECT_TRUE(scan_->GetFileSystemNode().empty());
  EXPECT_GT(found, 0u);
}

TEST(SaveAndRestoreEntryTest, ProposedNameIsTheDeviceAndTheLocalTime) {
  std::tm when{};
  when.tm_year = 2024 - 1900;
  when.tm_mon = 2;
  when.tm_mday = 5;
  when.tm_hour = 14;
  when.tm_min = 7;
  when.tm_sec = 9;
  EXPECT_EQ(KDScanResultEntry::FormatSaveFileName("Untitled", when), "Untitled_03-05-2024 at 14:07:09");
}

TEST(SaveAndRestoreEntryTest, SaveFolderIsRememberedAndTheDefaultOneIsMade) {
  ScopedRecordingPoster services;
  EXPECT_EQ(KDScanResultEntry::GetSavePath(), "");
  KDScanResultEntry::SavePathToPList("/home/someone/Scans");
  EXPECT_EQ(KDScanResultEntry::GetSavePath(), "/home/someone/Scans");
  const std::string folder = KDScanResultEntry::GetDefaultSavePath();
  EXPECT_EQ(std::filesystem::path(folder).filename(), "SaveScan");
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  std::filesystem::remove(folder);
}

TEST(SaveAndRestoreEntryTest, ProgressOfAFinishedSaveIsWholeAndThePollEndsWithIt) {
  ScopedRecordingPoster services;
  KDSaveAndRestoreNodeOperate::ResetForTests();
  KDSaveAndRestoreNodeOperate* saver = KDSaveAndRestoreNodeOperate::instance();
  saver->SetStatus(OPERATION_STATUS_RUNNING);
  _PROGRESS_INFO running{};
  running.status = PROGRESS_STATUS_RUNNING;
  running.total = 100;
  running.current = 40;
  saver->UpdateProgress(&running);
  std::uint64_t total = 0, current = 0, code = 7;
  KDScanResultEntry::GetSaveorRestoreProgress(&total, &current, &code, true);
  EXPECT_EQ(current, 40u);
  // The poll forwards the news, then the end once the save reports that it finished.
  std::thread poll([saver] { KDScanResultEntry::QueryUpdateUI(*saver, "SaveNews"); });
  ASSERT_TRUE(services.poster().WaitForCount(1));
  _PROGRESS_INFO finished = running;
  finished.status = PROGRESS_STATUS_FINISHED;
  finished.current = 60;
  saver->UpdateProgress(&finished);
  poll.join();
  KDScanResultEntry::GetSaveorRestoreProgress(&total, &current, &code, true);
  EXPECT_EQ(current, total);
  EXPECT_EQ(code, 0u);
  const std::vector<std::string> names = services.poster().Names();
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.front(), "SaveNews");
  EXPECT_EQ(names.back(), KDScanResultEntry::kFinishNotification);
  KDSaveAndRestoreNodeOperate::ResetForTests();
}

// The entry starts through the facade's one rule: while a search runs, neither a save nor a restore.
TEST(SaveAndRestoreEntryTest, NothingStartsWhileAnotherOperationRuns) {
  ScopedRecordingPoster services;
  std::promise<void> entered;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  KDUIController::SetWorkerGateForTests([&](bridge::FacadeStart start) {
    if (start != bridge::FacadeStart::kSearch) return;
    entered.set_value();
    released.wait();
  });
  ASSERT_TRUE(KDUIController::DoSearchWithString("x", "SearchName"));
  entered.get_future().wait();
  EXPECT_EQ(KDScanResultEntry::BeginSaveOrRestoreNode(true, "x.rsf", nullptr), KDScanResultEntry::kBusy);
  EXPECT_EQ(KDUIController::GetLastStartResult(), bridge::result::kSearchRunning);
  EXPECT_EQ(KDScanResultEntry::BeginSaveOrRestoreNode(false, "x.rsf", nullptr), KDScanResultEntry::kBusy);
  release.set_value();
  KDUIController::ResetForTests();
  EXPECT_EQ(KDScanResultEntry::BeginSaveOrRestoreNode(true, nullptr, nullptr), -1);
  KDUIRecovery::ResetForTests();
  KDUIScan::ResetForTests();
}

}  // namespace
}  // namespace quellsy::test
