// The main window on the scripted backend, driven through its real widgets: the file-type page, then the device
// page, then a scan handed to the results window (device, scan type, Desktop flag, the file-type mask 127); a
// scan at once when the device page would offer one choice; the cannot-open notice; and the device page's list
// (which devices it shows, the default choice, the Desktop entry, the double-click guard after a header click,
// refreshes when media come and go).

#include <QHeaderView>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Bridge/DiskVolumeNodeData.h"
#include "UI/Backend/ScriptedBackend.h"
#include "UI/Kit/ModalRunner.h"
#include "UI/Kit/TCImageButton.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/UserDefaults.h"
#include "UI/Shell/APFSScanWindowController.h"
#include "UI/Shell/DeviceChoices.h"
#include "UI/Shell/DeviceListModel.h"
#include "UI/Shell/KDCustomOutlineView.h"
#include "UI/Shell/KDRootWindowController.h"
#include "UI/Shell/ResultsWindowHandOver.h"
#include "UI/Shell/ShellServices.h"
#include "support/ScopedEnv.h"
#include "support/TempDir.h"
#include "FakeResultsWindow.h"

namespace quellsy::ui {
namespace {

constexpr std::int64_t kGB = 1000000000;

// The kit keeps a button's usable flag under this name.
bool Usable(const TCImageButton* button) { return button->isDisabled(); }

ScriptedDevice Internal() {
  return {"Samsung SSD 970 EVO", 1000 * kGB, false, true, false, false, {{"Linux", 3, 1000 * kGB}}};
}
ScriptedDevice Stick(const std::string& name = "SanDisk Ultra", std::int64_t volume = 32 * kGB) {
  return {name, 32 * kGB, true, false, false, false, {{"UNTITLED", 7, volume}}};
}
ScriptedDevice TwoVolumes() {
  return {"Kingston DataTraveler", 16 * kGB, true, false, false, false, {{"BACKUP", 2, 8 * kGB}, {"PHOTOS", 3, 8 * kGB}}};
}

class RootWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UserDefaults::ResetForTests();
    ModalRunner::ResetForTests();
    KDRootWindowController::SetScanStartDelay(std::chrono::milliseconds(0));
    KDSelectDiskViewController::SetRefillDelay(std::chrono::milliseconds(0));
  }
  void TearDown() override {
    ModalRunner::ResetForTests();
    KDRootWindowController::SetScanStartDelay(KDRootWindowController::kDefaultScanStartDelay);
    KDSelectDiskViewController::SetRefillDelay(KDSelectDiskViewController::kDefaultRefillDelay);
    UserDefaults::ResetForTests();
  }

  // The main window shown, then Continue pressed on its file-type page.
  KDRootWindowController& Continue(std::vector<ScriptedDevice> devices) {
    backend_.SetDevices(std::move(devices));
    root_ = std::make_unique<KDRootWindowController>();
    root_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(root_->window()));
    QTest::mouseClick(root_->selectTypeVC()->nextButton(), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return root_->whichPage() == 3; }));
    return *root_;
  }

  KDSelectDiskViewController& Page() { return *root_->selectDiskVC(); }
  // The names in the device list's first column, top to bottom, expanded rows included.
  QStringList Rows() {
    QStringList names;
    const KDCustomOutlineView* outline = Page().outlineView();
    for (QModelIndex at = outline->model()->index(0, 0); at.isValid(); at = outline->indexBelow(at))
      names << at.data().toString();
    return names;
  }
  QPoint RowCentre(int row) { return Page().outlineView()->visualRect(Page().outlineView()->IndexOfRow(row)).center(); }
  void ClickRow(int row) { QTest::mouseClick(Page().outlineView()->viewport(), Qt::LeftButton, {}, RowCentre(row)); }
  void PressScan() { QTest::mouseClick(root_->continueButton(), Qt::LeftButton); }

  test::TempDir home_;
  const std::string config_ = (home_ / ".config").string();
  test::ScopedEnv xdg_{"XDG_CONFIG_HOME", config_.c_str()};
  ScriptedBackend backend_;
  ShellServices services_{backend_, "en"};
  test::FakeResultsWindows results_;
  std::unique_ptr<KDRootWindowController> root_;
};

TEST_F(RootWindowTest, PagesInOrderThenTheScanIsHandedToTheResultsWindow) {
  backend_.SetDevices({Internal(), Stick(), TwoVolumes()});
  root_ = std::make_unique<KDRootWindowController>();
  root_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(root_->window()));
  // The file-type page: all seven kinds, deleted-file recovery pressed, no page buttons yet.
  EXPECT_EQ(root_->whichPage(), 2);
  EXPECT_EQ(root_->selectTypeVC()->selectArr(), (std::vector<std::string>{"1", "2", "4", "8", "16", "32", "64"}));
  EXPECT_EQ(root_->selectTypeVC()->alltypesImage(), QStringLiteral("checkbox_yes"));
  EXPECT_TRUE(root_->selectOffice());
  EXPECT_FALSE(root_->continueButton()->isVisible());

  // Formatted drive scans quickly, complete recovery deeply; the last tile pressed counts.
  QTest::mouseClick(root_->selectTypeVC()->formatButton(), Qt::LeftButton);
  EXPECT_EQ(root_->selectScanType(), 1);
  QTest::mouseClick(root_->selectTypeVC()->completeButton(), Qt::LeftButton);
  EXPECT_EQ(root_->selectScanType(), 2);
  EXPECT_TRUE(root_->selectTypeVC()->completeButton()->isChecked());
  EXPECT_FALSE(root_->selectTypeVC()->deleteButton()->isChecked());

  QTest::mouseClick(root_->selectTypeVC()->nextButton(), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return root_->whichPage() == 3; }));
  EXPECT_EQ(backend_.RecoveryType(), 127u);
  ASSERT_NE(root_->selectDiskVC(), nullptr);
  EXPECT_TRUE(Page().isVisible());
  EXPECT_EQ(Page().mapTo(root_->window(), QPoint(0, 0)).x(), 0);  // slid in
  EXPECT_TRUE(root_->continueButton()->isVisible());
  EXPECT_TRUE(Usable(root_->continueButton()));  // the default choice

  // Choose PHOTOS (Desktop, SanDisk, UNTITLED, Kingston, BACKUP, PHOTOS) and scan it.
  ASSERT_EQ(Rows(), (QStringList{"Desktop", "SanDisk Ultra", "UNTITLED", "Kingston DataTraveler", "BACKUP", "PHOTOS"}));
  ClickRow(5);
  PressScan();
  ASSERT_TRUE(QTest::qWaitFor([&] { return results_.Made() == 1 && results_.Last().gotData; }));
  const test::HandOver& handed = results_.Last();
  ASSERT_NE(handed.data, nullptr);
  EXPECT_EQ(handed.data->name(), "PHOTOS");
  EXPECT_EQ(handed.data->parentName(), "Kingston DataTraveler");
  EXPECT_EQ(handed.type, 2);
  EXPECT_EQ(handed.desktop, 0);
  EXPECT_EQ(UserDefaults::Instance().GetBool(UserDefaults::kSelectDesktopDisk), false);
  // The main window hides; the results window opens with its own size, its lower edge 50 points below the main
  // window's.
  EXPECT_FALSE(root_->window()->isVisible());
  const QRect main = root_->window()->frameGeometry();
  const QRect shown = handed.window->frameGeometry();
  EXPECT_EQ(shown.size(), test::FakeResultsWindows::kSize);
  EXPECT_EQ(shown.left(), main.left());
  EXPECT_EQ(shown.bottom(), main.bottom() + 50);
}

TEST_F(RootWindowTest, BackFromTheDevicePageKeepsTheKindsAndContinuesAgain) {
  Continue({Stick(), TwoVolumes()});
  QTest::mouseClick(root_->backHomeButton(), Qt::LeftButton);
  EXPECT_EQ(root_->whichPage(), 2);
  EXPECT_FALSE(root_->continueButton()->isVisible());
  EXPECT_EQ(root_->selectTypeVC()->mapTo(root_->window(), QPoint(0, 0)).x(), 0);
  // All kinds were chosen, "8" among them: it stays.
  EXPECT_EQ(root_->selectTypeVC()->selectArr().size(), 7u);
  QTest::mouseClick(root_->selectTypeVC()->nextButton(), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return root_->whichPage() == 3; }));
  EXPECT_EQ(Rows().size(), 6);
}

TEST_F(RootWindowTest, ASingleChoiceIsScannedAtOnceAndALoneInternalDiskIsNot) {
  struct Case {
    const char* what;
    std::vector<ScriptedDevice> devices;
    bool scannedAtOnce;
    const char* scanned;
  };
  const std::vector<Case> cases{
      {"one stick whose volume fills it, beside an internal disk", {Internal(), Stick()}, true, "UNTITLED"},
      {"one stick with 100000 bytes outside its volume", {Stick("SanDisk Ultra", 32 * kGB - 100000)}, false, ""},
      {"one stick with 99999 bytes outside its volume", {Stick("SanDisk Ultra", 32 * kGB - 99999)}, true, "UNTITLED"},
      {"a lone internal disk with one volume", {Internal()}, false, ""},
      {"two volumes", {TwoVolumes()}, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int before = results_.Made();
    Continue(c.devices);
    if (c.scannedAtOnce) {
      ASSERT_TRUE(QTest::qWaitFor([&] { return results_.Made() == before + 1 && results_.Last().gotData; }));
      EXPECT_EQ(results_.Last().data->name(), c.scanned);
      EXPECT_EQ(root_->selectDiskVC(), nullptr);  // the device page was never shown
    } else {
      ASSERT_NE(root_->selectDiskVC(), nullptr);
      EXPECT_TRUE(Page().isVisible());
      QTest::qWait(0);
      EXPECT_EQ(results_.Made(), before);
    }
    root_.reset();
    results_.CloseAll();
  }
}

TEST_F(RootWindowTest, AnEntryThatCannotBeOpenedShowsTheNoticeAndTheWindowStays) {
  ScriptedDevice locked = TwoVolumes();
  locked.volumes[1].canOpen = false;
  Continue({locked});
  ClickRow(3);  // Desktop, Kingston, BACKUP, PHOTOS
  ASSERT_EQ(Page().selectDiskVolume()->name(), "PHOTOS");
  PressScan();
  auto* notice = qobject_cast<TCImageWindow*>(ModalRunner::modalWindow());
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(notice->objectName(), QStringLiteral("apfsScanWindow"));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(notice));
  EXPECT_EQ(results_.Made(), 0);
  EXPECT_EQ(root_->whichPage(), 3);
  EXPECT_TRUE(root_->window()->isVisible());
  // OK closes it; the page is as it was and another choice scans.
  QPointer<TCImageWindow> closed = notice;
  QTest::mouseClick(notice->findChild<QPushButton*>(QStringLiteral("apfsScanWindowOk")), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !closed; }));
  EXPECT_EQ(ModalRunner::depth(), 0);
  ClickRow(2);
  PressScan();
  ASSERT_TRUE(QTest::qWaitFor([&] { return results_.Made() == 1; }));
  EXPECT_EQ(results_.Last().data->name(), "BACKUP");

  // A single choice that cannot be opened: the page is shown with the notice over it.
  root_.reset();
  results_.CloseAll();
  ScriptedDevice stick = Stick();
  stick.volumes[0].canOpen = false;
  Continue({stick});
  ASSERT_NE(root_->selectDiskVC(), nullptr);
  auto* second = qobject_cast<TCImageWindow*>(ModalRunner::modalWindow());
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->objectName(), QStringLiteral("apfsScanWindow"));
  QPointer<TCImageWindow> gone = second;
  QTest::mouseClick(second->findChild<QPushButton*>(QStringLiteral("apfsScanWindowOk")), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !gone; }));
  EXPECT_EQ(results_.Made(), 1);
}

TEST_F(RootWindowTest, TheDevicePageListsUsbDisksAndImagesWithTheirFirstVolumeChosen) {
  ScriptedDevice empty{"Empty Reader", 4 * kGB, true, false, false, false, {}};
  ScriptedDevice loop{"card.img", 64 * 1024 * 1024, false, false, false, false, {{"CARD", 2, 63 * 1024 * 1024}}};
  loop.loop = true;
  ScriptedDevice qim{"Card backup.qim", 8 * kGB, false, false, true, false, {}};
  ScriptedDevice ssd{"Samsung T7 SSD", 500 * kGB, true, true, false, false, {{"T7", 7, 500 * kGB}}};
  Continue({Internal(), empty, TwoVolumes(), loop, ssd, qim});
  // The internal disk and the reader without a volume are left out; the rest keep the bridge's order.
  EXPECT_EQ(Rows(), (QStringList{"Desktop", "Kingston DataTraveler", "BACKUP", "PHOTOS", "card.img", "CARD",
                                 "Samsung T7 SSD", "T7", "Card backup.qim"}));
  const DeviceListModel* model = Page().model();
  const KDCustomOutlineView* outline = Page().outlineView();
  const auto cell = [&](int row, int column) {
    return outline->IndexOfRow(row).siblingAtColumn(column).data().toString();
  };
  // The default: the first volume of the first listed disk, drawn as the system volume, on the blue row.
  EXPECT_EQ(Page().selectDiskVolume()->name(), "BACKUP");
  EXPECT_EQ(Page().selectedRow(), 2);
  EXPECT_EQ(Page().desktopVolume(), Page().selectDiskVolume());
  EXPECT_EQ(Page().isSelectDesktop(), 0);
  EXPECT_EQ(outline->isSelectRow(), 2);
  EXPECT_EQ(DeviceListModel::IconName(*Page().selectDiskVolume()), QStringLiteral("icon_disk_osx"));
  EXPECT_EQ(outline->RowBackground(1), QColor(242, 242, 242));  // a disk's row
  EXPECT_EQ(outline->RowBackground(3), QColor(Qt::white));
  EXPECT_EQ(outline->IndexOfRow(2).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::white));
  EXPECT_EQ(outline->IndexOfRow(3).data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::black));
  // Icons: the Desktop entry, a USB disk, a loop device over an image file and an opened image.
  const auto icon = [&](int row) { return DeviceListModel::IconName(*model->ItemOf(outline->IndexOfRow(row))); };
  EXPECT_EQ(icon(0), QStringLiteral("icon_desktop"));
  EXPECT_EQ(icon(1), QStringLiteral("icon_usb"));
  EXPECT_EQ(icon(4), QStringLiteral("icon_mirror"));
  EXPECT_EQ(icon(8), QStringLiteral("icon_mirror"));
  // Sizes and file systems; the Desktop entry shows neither.
  EXPECT_EQ(cell(0, DeviceListModel::kSize), QStringLiteral(" "));
  EXPECT_EQ(cell(2, DeviceListModel::kSize), QStringLiteral("8.00 GB"));
  EXPECT_EQ(cell(2, DeviceListModel::kFileSystem), QStringLiteral("FAT32"));
  EXPECT_EQ(cell(3, DeviceListModel::kFileSystem), QStringLiteral("NTFS"));
  EXPECT_EQ(cell(4, DeviceListModel::kFileSystem), QStringLiteral("Disk Image"));
  EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Drives"));
  EXPECT_FALSE(Page().emptyNotice()->isVisible());
}

TEST_F(RootWindowTest, WithNothingToListThePageSaysWhatToDoAndScanStaysOff) {
  Continue({Internal()});
  EXPECT_TRUE(Rows().isEmpty());
  EXPECT_TRUE(Page().emptyNotice()->isVisible());
  EXPECT_EQ(Page().selectDiskVolume(), nullptr);
  EXPECT_FALSE(Usable(root_->continueButton()));
  PressScan();
  QTest::qWait(0);
  EXPECT_EQ(results_.Made(), 0);
  EXPECT_EQ(ModalRunner::modalWindow(), nullptr);
}

TEST_F(RootWindowTest, OnlyTheDesktopEntryScansForTheDesktop) {
  Continue({Stick(), TwoVolumes()});
  // The first disk row is an ordinary choice: the disk itself, no Desktop search.
  ClickRow(1);
  EXPECT_EQ(Page().isSelectDesktop(), 0);
  PressScan();
  ASSERT_TRUE(QTest::qWaitFor([&] { return results_.Made() == 1; }));
  EXPECT_EQ(results_.Last().data->name(), "SanDisk Ultra");
  EXPECT_EQ(results_.Last().data->parentName(), "SanDisk Ultra");
  EXPECT_EQ(results_.Last().desktop, 0);
  EXPECT_EQ(UserDefaults::Instance().GetBool(UserDefaults::kSelectDesktopDisk), false);

  // The nameless Desktop entry scans the first volume, with the Desktop flag and the default set.
  root_.reset();
  results_.CloseAll();
  Continue({Stick(), TwoVolumes()});
  ClickRow(0);
  EXPECT_EQ(Page().isSelectDesktop(), 1);
  PressScan();
  ASSERT_TRUE(QTest::qWaitFor([&] { return results_.Made() == 2; }));
  EXPECT_EQ(results_.Last().data->name(), "UNTITLED");
  EXPECT_EQ(results_.Last().desktop, 1);
  EXPECT_EQ(UserDefaults::Instance().GetBool(UserDefaults::kSelectDesktopDisk), true);
}

TEST_F(RootWindowTest, ADoubleClickScansUnlessAHeaderWasClickedSinceTheChoice) {
  Continue({Stick(), TwoVolumes()});
  QHeaderView* header = Page().outlineView()->header();
  const QPoint onSize(header->sectionViewportPosition(DeviceListModel::kSize) + 10, header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, onSize);
  EXPECT_TRUE(Page().bClickHead());
  // The chosen row (the default) double-clicked without choosing it anew: nothing starts.
  QTest::mouseDClick(Page().outlineView()->viewport(), Qt::LeftButton, {}, RowCentre(Page().selectedRow()));
  QTest::qWait(0);
  EXPECT_EQ(results_.Made(), 0);
  // Chosen again, a double click scans it.
  ClickRow(4);
  EXPECT_FALSE(Page().bClickHead());
  QTest::mouseDClick(Page().outlineView()->viewport(), Qt::LeftButton, {}, RowCentre(4));
  ASSERT_TRUE(QTest::qWaitFor([&] { return results_.Made() == 1; }));
  EXPECT_EQ(results_.Last().data->name(), "BACKUP");
}

TEST_F(RootWindowTest, MediaComingAndGoingRefillTheListWithTheDefaultChoice) {
  Continue({TwoVolumes()});
  ClickRow(3);
  ASSERT_EQ(Page().selectDiskVolume()->name(), "PHOTOS");
  // A stick is plugged in: listed, and the choice falls back to the default.
  backend_.SetDevices({Stick(), TwoVolumes()});
  backend_.AttachMedium("UNTITLED", "/media/UNTITLED", 32 * kGB, true);
  ASSERT_TRUE(QTest::qWaitFor([&] { return Rows().size() == 6; }));
  EXPECT_EQ(Page().selectDiskVolume()->name(), "UNTITLED");
  EXPECT_EQ(Page().selectedRow(), 2);
  EXPECT_TRUE(Usable(root_->continueButton()));
  // It goes again.
  backend_.SetDevices({TwoVolumes()});
  backend_.DetachMedium("/media/UNTITLED");
  ASSERT_TRUE(QTest::qWaitFor([&] { return Rows().size() == 4; }));
  EXPECT_EQ(Page().selectDiskVolume()->name(), "BACKUP");
  // Everything goes: nothing to scan.
  backend_.SetDevices({});
  backend_.DetachMedium("/media/BACKUP");
  ASSERT_TRUE(QTest::qWaitFor([&] { return Rows().isEmpty(); }));
  EXPECT_FALSE(Usable(root_->continueButton()));
  EXPECT_TRUE(Page().emptyNotice()->isVisible());
}

TEST_F(RootWindowTest, ADmgImageOpenedFromTheDevicePageIsListedAfterTheDisks) {
  Continue({TwoVolumes()});
  ASSERT_NE(root_->selectDiskVC(), nullptr);
  // Only a ".dmg" is taken.
  root_->loadQimWithPath(QStringLiteral("/images/card.iso"));
  QTest::qWait(0);
  EXPECT_EQ(Rows().size(), 4);
  root_->loadQimWithPath(QStringLiteral("/images/Old Mac.DMG"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return Rows().size() == 5; }));
  EXPECT_EQ(Rows().back(), QStringLiteral("Old Mac.DMG"));
  EXPECT_EQ(Page().selectDiskVolume()->name(), "BACKUP");  // the default choice again

  // One that cannot be read: the page says so in a sheet, and the list stays as it was.
  backend_.Failures().openImageResult = 0;
  root_->loadQimWithPath(QStringLiteral("/images/broken.dmg"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return ModalRunner::attachedSheet(root_->window()) != nullptr; }));
  EXPECT_EQ(Rows().size(), 5);
}

TEST_F(RootWindowTest, AMainWindowMadeForTheDelegateGoesOnceItHasHandedOver) {
  backend_.SetDevices({Internal(), Stick()});
  QPointer<TCImageWindow> window = KDRootWindowController::MakeMainWindow("/home/me/old.Vortrane");
  ASSERT_NE(window, nullptr);
  auto* root = window->findChild<KDRootWindowController*>();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->rsfPath(), "/home/me/old.Vortrane");
  window->show();
  QTest::mouseClick(root->selectTypeVC()->nextButton(), Qt::LeftButton);
  // One choice: scanned at once, and the main window is gone with its controller.
  ASSERT_TRUE(QTest::qWaitFor([&] { return results_.Made() == 1 && results_.Last().gotData && !window; }));
  EXPECT_EQ(results_.Last().data->name(), "UNTITLED");

  // Closed before any scan, it takes its controller along (the leak check would see it otherwise).
  QPointer<TCImageWindow> unused = KDRootWindowController::MakeMainWindow("");
  ASSERT_NE(unused, nullptr);
  delete unused.data();
}

TEST(DeviceChoices, CountsWhatThePageListsAndTheSpaceOutsideALoneVolume) {
  ScriptedBackend backend;
  const auto count = [&](std::vector<ScriptedDevice> devices) {
    backend.SetDevices(std::move(devices));
    return CountDeviceChoices(ListedDevices(backend.GetDeviceInfoToArray())).count;
  };
  EXPECT_EQ(count({}), 0);
  EXPECT_EQ(count({Internal()}), 0);
  EXPECT_EQ(count({Internal(), Stick()}), 1);
  EXPECT_EQ(count({Stick("A", 32 * kGB - 100000)}), 2);
  EXPECT_EQ(count({Stick("A", 32 * kGB - 99999)}), 1);
  EXPECT_EQ(count({Stick(), TwoVolumes()}), 3);
  ScriptedDevice qim{"Card backup.qim", 8 * kGB, false, false, true, false, {}};
  EXPECT_EQ(count({qim}), 1);
}

}  // namespace
}  // namespace quellsy::ui
