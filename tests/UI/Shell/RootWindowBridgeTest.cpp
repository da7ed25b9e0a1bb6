// The main window over the real bridge: a memory card's image (MBR, one FAT16 partition, a deleted file)
// attached with losetup -P is listed on the device page as a disk image with its partition, name, size and file
// system, and choosing the partition starts a real quick scan that finds the deleted file. Skips without root or
// loop devices; where the kernel does not list the loop device's partitions, the enumeration reads the table (and
// the partition is named by the label its file system holds).

#include <QTest>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include "Bridge/DiskVolumeNodeData.h"
#include "Bridge/KDPublicUtilities.h"
#include "Bridge/KDUIController.h"
#include "Bridge/KDUIDeviceData.h"
#include "Bridge/ResultTrees.h"
#include "Engines/BuiltInEngines.h"
#include "FakeResultsWindow.h"
#include "UI/Backend/BridgeBackend.h"
#include "UI/Kit/TCImageButton.h"
#include "UI/Kit/UserDefaults.h"
#include "UI/Shell/DeviceListModel.h"
#include "UI/Shell/KDCustomOutlineView.h"
#include "UI/Shell/KDRootWindowController.h"
#include "UI/Shell/ShellServices.h"
#include "include/EngineRegistry.h"
#include "support/FixtureScript.h"
#include "support/LoopDevice.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"

namespace quellsy::ui {
namespace {

namespace fs = std::filesystem;

constexpr int kCardSeconds = 120;

struct CardImage {
  fs::path image;
  std::map<std::string, std::string> facts;
  std::vector<std::vector<std::string>> files;
};

TEST(RootWindowOverTheBridge, AnAttachedCardImageIsListedAndChoosingItsPartitionScansIt) {
  if (geteuid() != 0) GTEST_SKIP() << "loop devices need root";
  test::TempDir dir;
  const fs::path made = dir / "made";
  fs::create_directories(made);
  QUELLSY_REQUIRE_FIXTURE(test::RunFixture("tests/UI/Shell/make-card-disk-image.sh", {made.string()}));
  CardImage card;
  // A name of its own: other loop devices may be attached meanwhile.
  card.image = dir / ("card-" + std::to_string(getpid()) + ".img");
  fs::copy_file(made / "card.img", card.image);
  test::ReadFixtureManifest(made / "card.img.manifest", card.facts,
                            [&](const std::vector<std::string>& row) { card.files.push_back(row); });
  ASSERT_EQ(card.files.size(), 2u);
  test::LoopDevice loop;
  if (const std::string why = loop.Attach(card.image, 512, true); !why.empty()) GTEST_SKIP() << why;
  // Where the kernel lists the partition, its node follows shortly; elsewhere the enumeration reads the table.
  const std::string loopName = fs::path(loop.path()).filename().string();
  const bool partitionListed = fs::exists("/sys/block/" + loopName + "/" + loopName + "p1");
  if (partitionListed) {
    const fs::path node = loop.path() + "p1";
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(node); }, 30000)) << node << " did not appear";
  }

  test::TempDir home;
  const std::string config = (home / ".config").string();
  const test::ScopedEnv xdg("XDG_CONFIG_HOME", config.c_str());
  UserDefaults::ResetForTests();
  EngineRegistry::Instance().Reset();
  RegisterBuiltInEngines();
  KDUIDeviceData::ResetForTests();
  bridge::ResultTrees::ResetForTests();
  BridgeBackend backend;
  const ShellServices services(backend, "en");
  test::FakeResultsWindows results;
  // The results window starts the quick scan it was handed, as the real one does.
  results.SetOnGetData([&](test::HandOver& handed) {
    EXPECT_TRUE(Backend().DoScanWithData(handed.data.get(), "NormalScranValue"));
  });
  KDRootWindowController::SetScanStartDelay(std::chrono::milliseconds(0));

  KDRootWindowController root;
  root.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(root.window()));
  QTest::mouseClick(root.selectTypeVC()->nextButton(), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return root.whichPage() == 3; }, kCardSeconds * 1000));
  ASSERT_NE(root.selectDiskVC(), nullptr) << "the card's partition alone was scanned without the page";

  // The card: named after its image file, of the disk-image kind, its partition below it.
  const KDCustomOutlineView* outline = root.selectDiskVC()->outlineView();
  const DeviceListModel* model = root.selectDiskVC()->model();
  QModelIndex cardRow;
  for (QModelIndex at = model->index(0, 0); at.isValid(); at = outline->indexBelow(at))
    if (at.data().toString() == QString::fromStdString(card.image.filename().string())) cardRow = at;
  ASSERT_TRUE(cardRow.isValid()) << "the attached image is not listed";
  const auto disk = model->ItemOf(cardRow);
  EXPECT_TRUE(disk->isDmg());
  EXPECT_EQ(DeviceListModel::IconName(*disk), QStringLiteral("icon_mirror"));
  EXPECT_EQ(disk->capacity(), static_cast<std::int64_t>(fs::file_size(card.image)));
  ASSERT_EQ(model->rowCount(cardRow), 1);
  const QModelIndex volumeRow = model->index(0, 0, cardRow);
  const std::int64_t partitionBytes = std::stoll(card.facts.at("partition-bytes"));
  // Named by its label: libblkid reads it where the kernel lists the partition, the file system's analyser where
  // the enumeration read the table itself.
  EXPECT_EQ(volumeRow.data().toString(), QStringLiteral("QCARD"));
  EXPECT_EQ(model->ItemOf(volumeRow)->capacity(), partitionBytes);
  EXPECT_EQ(volumeRow.siblingAtColumn(DeviceListModel::kSize).data().toString(),
            QString::fromStdString(KDPublicUtilities::longlongDiskSize(partitionBytes)));
  EXPECT_EQ(volumeRow.siblingAtColumn(DeviceListModel::kFileSystem).data().toString(), QStringLiteral("FAT16"));

  // Chosen and scanned.
  QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(volumeRow).center());
  ASSERT_EQ(root.selectDiskVC()->selectDiskVolume(), model->ItemOf(volumeRow));
  QTest::mouseClick(root.continueButton(), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return results.Made() == 1 && results.Last().gotData; }));
  EXPECT_EQ(results.Last().data->parentName(), card.image.filename().string());
  EXPECT_EQ(results.Last().type, 1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Backend().IsScanRunning(); }, kCardSeconds * 1000));
  KDUIController::WaitForOperations();

  // The deleted file is found, deleted, with its size (the first letter of its short name is gone with the
  // deletion).
  std::map<std::string, IFileNode*> found;
  for (const auto& folder : Backend().PathTail(0).entries)
    for (IFileNode* file : Backend().PathChildFiles(folder.id)) found[std::string(file->GetFileName()).substr(1)] = file;
  for (const auto& row : card.files) {
    if (row[3] != "1") continue;
    SCOPED_TRACE(row[0]);
    const auto it = found.find(row[0].substr(2));
    ASSERT_NE(it, found.end());
    EXPECT_TRUE(it->second->IsDeleted());
    EXPECT_EQ(it->second->GetFileSize(), std::stoll(row[1]));
  }
  results.CloseAll();
  KDRootWindowController::SetScanStartDelay(KDRootWindowController::kDefaultScanStartDelay);
  KDUIController::ResetForTests();
  KDUIDeviceData::ResetForTests();
  bridge::ResultTrees::ResetForTests();
  UserDefaults::ResetForTests();
}

}  // namespace
}  // namespace quellsy::ui
