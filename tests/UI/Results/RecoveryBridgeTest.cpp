// Recovery from the results window on the real bridge: a quick scan of a FAT image made at test time (mkfs.fat
// and mtools, with its manifest of SHA-256s), every file checked through the facade, copied into a temporary
// folder as the invoking user's, byte for byte; and a destination that fills up, paused with the full-destination
// pane until room is made and then finished.

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLabel>
#include <cerrno>
#include <filesystem>
#include <set>

#include "Bridge/NodeTreeType.h"
#include "FatImageOnTheBridge.h"
#include "RecoveryFixture.h"
#include "ScanImages.h"
#include "UI/Kit/AlertPanel.h"
#include "UI/Kit/KDHandButton.h"
#include "UI/Shell/KDScanEndSaveWindowController.h"
#include "support/ScopedEnv.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace quellsy::ui::test {
namespace {

using quellsy::test::ScanImages;
using quellsy::test::ScanManifestEntry;
namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

using Contents = quellsy::test::FileDigests;
using quellsy::test::DigestsBelow;

// What a quick scan finds: the manifest's deleted files.
Contents DeletedInManifest() {
  Contents expected;
  for (const ScanManifestEntry& entry : ScanImages::Get()->FatManifest())
    if (entry.deleted) expected.emplace(entry.size, entry.sha256);
  return expected;
}

class RecoveryOnTheBridge : public FatImageOnTheBridge<RecoveryFixture> {
 protected:
  // The FAT image's volume scanned quickly to the end in a results window, every found file checked.
  KDDeletailWindowController* ScannedAndChecked() {
    KDDeletailWindowController* window = StartQuickScan();
    if (!window) return nullptr;
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->selectFilesLabel()->isVisible(); }, 120000));
    for (const auto& group : backend_.KDGetTopNodes(NODE_TREE_FILE_TYPE)) backend_.KDSetNodeState(group.get(), 2);
    std::uint64_t count = 0;
    std::uint64_t size = 0;
    backend_.GetSelectedFilesAmout(count, size);
    EXPECT_EQ(count, DeletedInManifest().size()) << "every found file checked";
    return window;
  }
};

TEST_F(RecoveryOnTheBridge, TheCheckedFilesOfAFatImageAreRecoveredAsTheInvokingUsersByteForByte) {
  QUELLSY_REQUIRE_FIXTURE(ScanImages::Get()->Fixture());
  if (geteuid() != 0) GTEST_SKIP() << "needs root to hand the copies to another user";
  quellsy::test::TempDir dest;
  fs::permissions(dest.path(), fs::perms::all);
  // Started by user 65534 through pkexec: the folder is written as that user may, and the copies are its.
  quellsy::test::ScopedEnv user("PKEXEC_UID", std::to_string(kNobody).c_str());
  ChooseFolder(dest.path().string());
  KDDeletailWindowController* window = ScannedAndChecked();
  ASSERT_NE(window, nullptr);
  Click(window->recovertyButton());
  ASSERT_TRUE(WaitShown("recoveryEndWindow")) << "the finished window ends it";
  KDScanEndSaveWindowController* end = window->recovery()->scanEndSaveWC();
  ASSERT_NE(end, nullptr);
  EXPECT_EQ(end->savePathLabel()->toolTip(), QString::fromStdString(dest.path().string()));
  EXPECT_EQ(TimesShown("noCompetenceAlert") + TimesShown("sameDeviceAlert") + TimesShown("noSpaceAlert"), 0u);

  const Contents expected = DeletedInManifest();
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(DigestsBelow(dest.path()), expected);
  std::size_t entries = 0;
  for (const auto& entry : fs::recursive_directory_iterator(dest.path())) {
    struct stat info {};
    ASSERT_EQ(lstat(entry.path().c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, kNobody) << entry.path();
    ++entries;
  }
  EXPECT_GT(entries, expected.size()) << "folders too";
}

TEST_F(RecoveryOnTheBridge, AFullDestinationPausesWithItsPaneAndFinishesOnceRoomIsMade) {
  QUELLSY_REQUIRE_FIXTURE(ScanImages::Get()->Fixture());
  quellsy::test::TempDir dest;
  // Two pages: less than the deleted files need (1500 and 7000 bytes take three).
  if (mount("tmpfs", dest.path().c_str(), "tmpfs", 0, "size=8k") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
  struct Unmount {
    std::string path;
    ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
  } unmount{dest.path().string()};
  ChooseFolder(dest.path().string());
  AnswerWith("noSpaceAlert", "alertAlternateButton");  // the check sees it too small: recover anyway
  KDDeletailWindowController* window = ScannedAndChecked();
  ASSERT_NE(window, nullptr);
  Click(window->recovertyButton());
  ASSERT_TRUE(WaitShown("noSpaceAlert"));
  KDShowScanProgressWindowController* progress = nullptr;
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        progress = window->recovery()->recoveryProgressWindow();
        return progress && progress->noMemeryView()->isVisible();
      },
      60000));
  EXPECT_FALSE(progress->recoveryProgressView()->isVisible());
  EXPECT_TRUE(backend_.IsRecoveryRunning()) << "paused, not ended";
  ASSERT_EQ(mount("tmpfs", dest.path().c_str(), "tmpfs", MS_REMOUNT, "size=1m"), 0) << std::strerror(errno);
  QTest::mouseClick(progress->noMemeryContinueButton(), Qt::LeftButton);
  ASSERT_TRUE(WaitShown("recoveryEndWindow"));
  EXPECT_EQ(backend_.GetRecoveryFailedFiles(), 0u);
  EXPECT_EQ(DigestsBelow(dest.path()), DeletedInManifest());
}

}  // namespace
}  // namespace quellsy::ui::test
