// Faults of the recovery's destination, through the program's real windows on the real engine: the FAT32
// partition's deleted files are recovered onto a small ext2 file system (mkfs.ext2, mounted with mount -o loop)
// nearly filled by a filler file beforehand. The start warns that the space is short and is answered to go on; the
// progress window's full-destination pane appears with the recovery paused. Then either the filler is deleted and
// Continue pressed (every file ends whole, the one that met the full disk copied again), or the program is asked
// to quit (asked once, the recovery stops, the program ends once, and every file left is whole). A quit while the
// recovery's worker is held at its start by the test gate ends the program only once the worker has ended, with
// nothing written. Skips only on a machine without root, loop devices or /dev/fuse (which the journey disk's
// script needs); anything else that goes wrong on the way, that script failing included, fails the test.

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <sys/statvfs.h>
#include <unistd.h>

#include <fstream>

#include "Bridge/KDUIController.h"
#include "JourneySupport.h"
#include "UI/Kit/TCImageButton.h"
#include "UI/Results/CheckBoxDelegate.h"
#include "UI/Results/CommOutlineView.h"
#include "UI/Results/ResultTreeModel.h"
#include "UI/Results/ResultsBrowser.h"
#include "UI/Results/ResultsRecovery.h"
#include "UI/Shell/KDShowScanProgressWindowController.h"
#include "support/CommandOutput.h"

namespace quellsy::ui::test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kKiB = 1024;

std::uint64_t FreeBytes(const fs::path& folder) {
  struct statvfs info {};
  if (statvfs(folder.c_str(), &info) != 0) return 0;
  return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

bool WriteZeros(const fs::path& path, std::uint64_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  const std::vector<char> block(64 * kKiB, 0);
  for (std::uint64_t left = size; left > 0 && out;) {
    const std::uint64_t piece = std::min<std::uint64_t>(left, block.size());
    out.write(block.data(), static_cast<std::streamsize>(piece));
    left -= piece;
  }
  out.flush();
  return static_cast<bool>(out);
}

// A small ext2 file system of 1 KiB blocks with no reserved blocks, loop-mounted on a folder of its own; unmounted
// (and so detached) on destruction, also when the test fails.
class SmallFileSystem {
 public:
  ~SmallFileSystem() {
    const std::string point = quellsy::test::ShellQuoted(mountPoint().string());
    if (mounted_ && !quellsy::test::RunFixtureCommand("umount " + point).Made())
      quellsy::test::RunFixtureCommand("umount -l " + point);
  }
  // Made and mounted; a machine without root or loop devices lacks a capability, and anything else that fails
  // (mkfs.ext2, the mount) is a failure.
  quellsy::test::FixtureRun Mount() {
    using quellsy::test::FixtureRun;
    if (std::string missing = quellsy::test::LoopDevicesMissing(); !missing.empty())
      return {FixtureRun::Outcome::kNoCapability, missing};
    const std::string image = quellsy::test::ShellQuoted((dir_ / "small.img").string());
    fs::create_directories(mountPoint());
    const FixtureRun made =
        quellsy::test::RunFixtureCommand("truncate -s 4M " + image + " && mkfs.ext2 -q -F -m 0 -b 1024 " + image);
    if (!made.Made()) return {FixtureRun::Outcome::kFailed, "mkfs.ext2: " + made.why};
    const FixtureRun mount = quellsy::test::RunFixtureCommand(
        "mount -o loop " + image + " " + quellsy::test::ShellQuoted(mountPoint().string()));
    if (!mount.Made()) return {FixtureRun::Outcome::kFailed, "mount -o loop: " + mount.why};
    mounted_ = true;
    fs::permissions(mountPoint(), fs::perms::all);
    return {FixtureRun::Outcome::kMade, {}};
  }
  // Fills the file system with filler until about room bytes stay free; the free bytes left.
  std::uint64_t FillLeaving(std::uint64_t room) {
    // The filler's own block pointers take about one block in 256; a second, small filler comes nearer.
    for (const char* name : {"filler", "filler-top"}) {
      const std::uint64_t free = FreeBytes(mountPoint());
      if (free <= room + 4 * kKiB) break;
      const std::uint64_t size = free - room - 2 * kKiB;
      if (!WriteZeros(filler(name), size - size / 200)) ADD_FAILURE() << "the filler could not be written";
      sync();
    }
    return FreeBytes(mountPoint());
  }
  void RemoveFillers() {
    for (const char* name : {"filler", "filler-top"}) fs::remove(filler(name));
    sync();
  }
  fs::path mountPoint() const { return dir_ / "mounted"; }
  // The recovery's folder on it.
  fs::path destination() const { return mountPoint() / "recovered"; }

 private:
  fs::path filler(const char* name) const { return mountPoint() / name; }

  quellsy::test::TempDir dir_;
  bool mounted_ = false;
};

class DestinationFaults : public JourneyFixture {
 protected:
  void TearDown() override {
    // A recovery left paused by a failed check would hold the teardown's wait for the workers.
    if (KDUIController::IsRecoveryRunning()) KDUIController::StopRecvoery();
    JourneyFixture::TearDown();
  }

  // The FAT32 partition quickly scanned, all its deleted files checked, their recovery into the small file system
  // (nearly full) begun, and paused on the full destination with the progress window's pane showing; before, what
  // it copied until then. Skips only for a capability the machine lacks.
  void RecoverUntilTheDestinationIsFull(KDDeletailWindowController*& results, Contents& before) {
    QUELLSY_REQUIRE_FIXTURE(JourneyDisk::Get().Fixture());
    ASSERT_NO_FATAL_FAILURE(RequireAttachedDisk());
    if (IsSkipped()) return;
    QUELLSY_REQUIRE_FIXTURE(FileSystem().Mount());
    const std::vector<DiskFile> deleted = DeletedIn("fat32");
    std::uint64_t total = 0;
    std::uint64_t largest = 0;
    for (const DiskFile& file : deleted) {
      total += file.size;
      largest = std::max(largest, file.size);
    }
    // Room for the largest file with its folders and block pointers, too little for all of them.
    const std::uint64_t room = FileSystem().FillLeaving(largest + 6 * kKiB);
    ASSERT_GE(room, largest + 5 * kKiB) << "room for the largest file";
    ASSERT_LT(room, total) << "too little room for every file";
    fs::create_directories(FileSystem().destination());
    fs::permissions(FileSystem().destination(), fs::perms::all);

    AnswerWith("noSpaceAlert", "alertAlternateButton");
    ASSERT_NO_FATAL_FAILURE(RecoverTheFat32FilesInto(FileSystem().destination(), results));
    ASSERT_TRUE(WaitShown("noSpaceAlert")) << "the start warns of the short space";
    ASSERT_TRUE(QTest::qWaitFor([&] {
      KDShowScanProgressWindowController* progress = ProgressWindow(results);
      return progress && progress->noMemeryView()->isVisible();
    }, 120000)) << "no full-destination pane; alerts: " << AlertsSeen();
    EXPECT_TRUE(program_->backend.IsRecoveryRunning()) << "paused, not ended";
    EXPECT_EQ(TimesShown("recoveryEndWindow"), 0u);
    before = RecoveredSoFar();
    ASSERT_FALSE(before.empty()) << "the largest file had room";
    ASSERT_LT(before.size(), DeletedIn("fat32").size());
  }

  // The program started, the FAT32 partition quickly scanned, all its deleted files checked, and Recover pressed
  // with the folder panel answered with destination.
  void RecoverTheFat32FilesInto(const fs::path& destination, KDDeletailWindowController*& results) {
    const std::vector<DiskFile> deleted = DeletedIn("fat32");
    AnswerWith("recoveryEndWindow", "okButton");
    Start();
    results = ScanFromTheMainWindow("deletedRecoveryTile", 0);
    ASSERT_NE(results, nullptr);
    ASSERT_TRUE(WaitForScanEnd(results));

    // Check the file system's root in the path tree: every deleted file.
    ResultsBrowser* browser = results->browser();
    QTest::mouseClick(browser->tabButton(0), Qt::LeftButton);
    ResultTreeModel* paths = browser->treeModel(0);
    ASSERT_EQ(paths->rowCount(), 1);
    const QModelIndex root = paths->index(0, 0);
    CommOutlineView* outline = browser->outline(0);
    outline->scrollTo(root);
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {},
                      CheckBoxDelegate::BoxRect(outline->visualRect(root)).center());
    std::uint64_t count = 0;
    std::uint64_t size = 0;
    program_->backend.GetSelectedFilesAmout(count, size);
    ASSERT_EQ(count, deleted.size());
    std::uint64_t total = 0;
    for (const DiskFile& file : deleted) total += file.size;
    ASSERT_EQ(size, total);

    AnswerPanelsWith(destination, {});
    QTest::mouseClick(results->recovertyButton(), Qt::LeftButton);
  }

  static KDShowScanProgressWindowController* ProgressWindow(KDDeletailWindowController* results) {
    return results->recovery()->recoveryProgressWindow();
  }

  // What lies in the recovery's folder: each file a whole copy of one of the partition's deleted files.
  Contents RecoveredSoFar() {
    const Contents recovered = quellsy::test::DigestsBelow(FileSystem().destination());
    const Contents expected = ContentsOf(DeletedIn("fat32"));
    for (const auto& file : recovered)
      EXPECT_EQ(expected.count(file), 1u) << "not a whole copy: " << file.first << " bytes, " << file.second;
    return recovered;
  }

  SmallFileSystem& FileSystem() { return fileSystem_; }

  // The journey disk attached; a skip only on a machine without root or loop devices, a failure otherwise.
  void RequireAttachedDisk() {
    const std::string why = AttachDisk();
    if (why.empty()) return;
    if (const std::string missing = quellsy::test::LoopDevicesMissing(); !missing.empty())
      GTEST_SKIP() << "this machine lacks a capability: " << missing;
    FAIL() << "the journey disk could not be attached: " << why;
  }

 private:
  SmallFileSystem fileSystem_;
};

TEST_F(DestinationFaults, AFullDestinationPausesTheRecoveryAndContinueAfterFreeingRoomCopiesEveryFileWhole) {
  KDDeletailWindowController* results = nullptr;
  Contents before;
  ASSERT_NO_FATAL_FAILURE(RecoverUntilTheDestinationIsFull(results, before));
  if (IsSkipped()) return;

  FileSystem().RemoveFillers();
  KDShowScanProgressWindowController* progress = ProgressWindow(results);
  ASSERT_NE(progress, nullptr);
  QTest::mouseClick(progress->noMemeryContinueButton(), Qt::LeftButton);
  ASSERT_TRUE(WaitShown("recoveryEndWindow")) << "the finished window ends it; alerts: " << AlertsSeen();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !program_->backend.IsRecoveryRunning(); }, 60000));
  EXPECT_EQ(quellsy::test::DigestsBelow(FileSystem().destination()), ContentsOf(DeletedIn("fat32")));
  EXPECT_EQ(program_->backend.GetRecoveryFailedFiles(), 0u);
  EXPECT_EQ(TimesShown("noSpaceAlert"), 1u);
  EXPECT_EQ(program_->backend.closeCalls(), 0);
}

TEST_F(DestinationFaults, AQuitWhileTheFullDestinationHoldsTheRecoveryAsksOnceStopsItAndKeepsEveryCopyWhole) {
  KDDeletailWindowController* results = nullptr;
  Contents before;
  ASSERT_NO_FATAL_FAILURE(RecoverUntilTheDestinationIsFull(results, before));
  if (IsSkipped()) return;

  const std::size_t alerts = AlertTexts().size();
  auto* quit = program_->session->delegate().applicationMenu()->findChild<QAction*>(QStringLiteral("exit"));
  ASSERT_NE(quit, nullptr);
  quit->trigger();
  // The question is answered with its default button: stop the recovery and end.
  ASSERT_TRUE(QTest::qWaitFor([&] { return program_->backend.closeCalls() > 0; }, 60000)) << AlertsSeen();
  ASSERT_EQ(AlertTexts().size(), alerts + 1) << "asked once: " << AlertsSeen();
  EXPECT_FALSE(AlertTexts().back().isEmpty());
  EXPECT_FALSE(program_->backend.IsRecoveryRunning());
  // Asked again meanwhile, the program would end twice.
  quit->trigger();
  QCoreApplication::processEvents();
  EXPECT_EQ(program_->backend.closeCalls(), 1);
  // Nothing lost that was copied, and the file that met the full disk is not left cut short.
  EXPECT_EQ(RecoveredSoFar(), before);
}

TEST_F(DestinationFaults, AQuitWhileTheRecoveryIsHeldAtItsStartEndsTheProgramOnlyOnceTheRecoveryHasEnded) {
  QUELLSY_REQUIRE_FIXTURE(JourneyDisk::Get().Fixture());
  ASSERT_NO_FATAL_FAILURE(RequireAttachedDisk());
  if (IsSkipped()) return;
  HeldWorker walk(bridge::FacadeStart::kRecovery);
  const quellsy::test::TempDir destination;
  fs::permissions(destination.path(), fs::perms::all);
  KDDeletailWindowController* results = nullptr;
  ASSERT_NO_FATAL_FAILURE(RecoverTheFat32FilesInto(destination.path(), results));
  ASSERT_TRUE(QTest::qWaitFor([&] { return walk.Held() && program_->backend.IsRecoveryRunning(); }, 60000))
      << AlertsSeen();

  const std::size_t alerts = AlertTexts().size();
  auto* quit = program_->session->delegate().applicationMenu()->findChild<QAction*>(QStringLiteral("exit"));
  ASSERT_NE(quit, nullptr);
  quit->trigger();
  // Answered with its default button, the question stops the recovery; the program waits for its worker.
  ASSERT_TRUE(QTest::qWaitFor([&] { return program_->backend.IsRecoveryStopping(); }, 60000)) << AlertsSeen();
  EXPECT_EQ(AlertTexts().size(), alerts + 1) << "asked once: " << AlertsSeen();
  EXPECT_EQ(program_->backend.closeCalls(), 0) << "ended while the recovery's worker still runs";
  walk.Release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return program_->backend.closeCalls() > 0; }, 60000));
  KDUIController::WaitForOperations();
  QCoreApplication::processEvents();
  EXPECT_EQ(program_->backend.closeCalls(), 1);
  EXPECT_EQ(AlertTexts().size(), alerts + 1);
  EXPECT_TRUE(quellsy::test::DigestsBelow(destination.path()).empty()) << "stopped before its first copy";
}

}  // namespace
}  // namespace quellsy::ui::test
