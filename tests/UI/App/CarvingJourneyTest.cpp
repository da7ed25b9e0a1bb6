// The complete scan's journey: a disk of random bytes without a partition table, with a JPEG, a PNG, a PDF and an
// MP3 placed in it (make-carving-disk.sh), attached as a loop device, chosen whole on the device page and scanned
// completely from the main window; every type group is checked in the type tree and recovered, and each placed
// file is among the copies byte for byte (the random bytes may give other finds too). Skips without root or loop
// devices.

#include <QLabel>
#include <QTest>
#include <QToolButton>

#include "JourneySupport.h"
#include "UI/Kit/TCImageButton.h"
#include "UI/Results/CheckBoxDelegate.h"
#include "UI/Results/CommOutlineView.h"
#include "UI/Results/ResultTreeModel.h"
#include "UI/Results/ResultsBrowser.h"

namespace quellsy::ui::test {
namespace {

namespace fs = std::filesystem;

using CarvingJourney = JourneyFixture;

TEST_F(CarvingJourney, ACompleteScanOfRandomBytesFindsThePlacedFilesAndRecoversThemByteForByte) {
  const quellsy::test::TempDir made;
  const fs::path out = made / "made";
  fs::create_directories(out);
  QUELLSY_REQUIRE_FIXTURE(quellsy::test::RunFixture("tests/UI/App/make-carving-disk.sh", {out.string()}));
  Contents placed;
  std::map<std::string, std::string> facts;
  quellsy::test::ReadFixtureManifest(out / "carving.img.manifest", facts, [&](const std::vector<std::string>& row) {
    placed.emplace(std::stoull(row.at(1)), row.at(2));
  });
  ASSERT_EQ(placed.size(), 4u);
  if (const std::string why = AttachImage(out / "carving.img", 0); !why.empty()) GTEST_SKIP() << why;
  AnswerWith("recoveryEndWindow", "okButton");

  Start();
  KDDeletailWindowController* results = ScanFromTheMainWindow("completeRecoveryTile", -1);
  ASSERT_NE(results, nullptr);
  ASSERT_TRUE(WaitForScanEnd(results, 600));
  EXPECT_TRUE(AlertTexts().empty()) << AlertsSeen();

  // Every type group checked in the type tree.
  ResultsBrowser* browser = results->browser();
  QTest::mouseClick(browser->tabButton(1), Qt::LeftButton);
  ResultTreeModel* types = browser->treeModel(1);
  ASSERT_GT(types->rowCount(), 0);
  CommOutlineView* outline = browser->outline(1);
  for (int row = 0; row < types->rowCount(); ++row) {
    const QModelIndex group = types->index(row, 0);
    outline->scrollTo(group);
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {},
                      CheckBoxDelegate::BoxRect(outline->visualRect(group)).center());
  }
  std::uint64_t count = 0;
  std::uint64_t size = 0;
  program_->backend.GetSelectedFilesAmout(count, size);
  EXPECT_GE(count, placed.size());

  const quellsy::test::TempDir dest;
  AnswerPanelsWith(dest.path(), {});
  ASSERT_TRUE(results->recovertyButton()->isEnabled());
  QTest::mouseClick(results->recovertyButton(), Qt::LeftButton);
  ASSERT_TRUE(WaitShown("recoveryEndWindow", 1, 300));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !program_->backend.IsRecoveryRunning(); }, 60000));
  const Contents copies = quellsy::test::DigestsBelow(dest.path());
  for (const auto& file : placed) EXPECT_EQ(copies.count(file), 1u) << file.first << " bytes, " << file.second;
}

}  // namespace
}  // namespace quellsy::ui::test
