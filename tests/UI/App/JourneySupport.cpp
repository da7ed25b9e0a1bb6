#include "JourneySupport.h"

#include <QApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QTest>
#include <unistd.h>


#include "Bridge/KDPublicUtilities.h"
#include "Bridge/KDUIController.h"
#include "Bridge/KDUIDeviceData.h"
#include "Bridge/KDUIRecovery.h"
#include "Bridge/KDUIScan.h"
#include "Bridge/MediaNotifier.h"
#include "Bridge/OpNodeData.h"
#include "Bridge/ResultTrees.h"
#include "Engines/BuiltInEngines.h"
#include "UI/Kit/AlertPanel.h"
#include "UI/Kit/ModalRunner.h"
#include "UI/Kit/TCImageButton.h"
#include "UI/Kit/UserDefaults.h"
#include "UI/Results/CheckBoxDelegate.h"
#include "UI/Results/CommOutlineView.h"
#include "UI/Results/FileListModel.h"
#include "UI/Results/ResultTreeModel.h"
#include "UI/Results/ResultsBrowser.h"
#include "UI/Shell/DeviceListModel.h"
#include "UI/Shell/KDAppDelegate.h"
#include "UI/Shell/KDCustomOutlineView.h"
#include "include/EngineRegistry.h"
#include "support/Sha256.h"

namespace quellsy::ui::test {

namespace fs = std::filesystem;

JourneyDisk::JourneyDisk() {
  const fs::path made = dir_ / "made";
  fs::create_directories(made);
  run_ = quellsy::test::RunFixture("tests/UI/App/make-journey-disk.sh", {made.string()});
  if (!run_.Made()) return;
  image_ = made / "journey.img";
  std::map<std::string, std::string> facts;
  quellsy::test::ReadFixtureManifest(made / "journey.img.manifest", facts, [&](const std::vector<std::string>& row) {
    if (row.size() == 5) files_.push_back({row[0], row[1], std::stoull(row[2]), row[3], row[4] == "1"});
  });
}

const JourneyDisk& JourneyDisk::Get() {
  static const JourneyDisk disk;
  return disk;
}

const std::vector<std::string>& JourneyDisk::Partitions() {
  static const std::vector<std::string> partitions{"fat32", "ntfs", "exfat"};
  return partitions;
}

std::vector<DiskFile> DeletedIn(const std::string& partition, const std::string& folder) {
  std::vector<DiskFile> found;
  for (const DiskFile& file : JourneyDisk::Get().Files())
    if (file.deleted && file.partition == partition && (folder.empty() || file.path.rfind(folder + "/", 0) == 0))
      found.push_back(file);
  return found;
}

Contents ContentsOf(const std::vector<DiskFile>& files) {
  Contents contents;
  for (const DiskFile& file : files) contents.emplace(file.size, file.sha256);
  return contents;
}

QString SummaryLine(const char* verb, std::uint64_t bytes, std::size_t files) {
  const QString size = bytes >= 1000 * 1000 ? QString::asprintf("%0.2f MB", static_cast<double>(bytes) / 1e6)
                       : bytes >= 1000      ? QString::asprintf("%0.2f KB", static_cast<double>(bytes) / 1e3)
                                            : QStringLiteral("%1 %2").arg(bytes).arg(bytes == 1 ? "byte" : "bytes");
  return QStringLiteral("%1 %2 in %3 %4").arg(QString::fromLatin1(verb), size).arg(files).arg(files == 1 ? "file" : "files");
}

HeldWorker::HeldWorker(bridge::FacadeStart held) {
  KDUIController::SetWorkerGateForTests([this, held](bridge::FacadeStart start) {
    if (start != held) return;
    std::unique_lock<std::mutex> hold(lock_);
    held_ = true;
    changed_.notify_all();
    changed_.wait(hold, [this] { return released_; });
  });
}

HeldWorker::~HeldWorker() {
  Release();
  KDUIController::WaitForOperations();
  KDUIController::SetWorkerGateForTests(nullptr);
}

bool HeldWorker::Held() {
  const std::lock_guard<std::mutex> hold(lock_);
  return held_;
}

void HeldWorker::Release() {
  const std::lock_guard<std::mutex> hold(lock_);
  released_ = true;
  changed_.notify_all();
}

// A deleted FAT entry has lost its name's first character: names are compared from the second on.
QString NameTail(const std::string& name) { return QString::fromStdString(name).toLower().mid(1); }
QString BaseNameTail(const std::string& path) { return NameTail(path.substr(path.rfind('/') + 1)); }

std::set<QString> ListedNames(ResultsBrowser* browser) {
  std::set<QString> names;
  for (IFileNode* file : browser->listModel()->Files()) names.insert(NameTail(OpNodeData::fileNodeName(file)));
  return names;
}

std::set<QString> NameTails(const std::vector<DiskFile>& files) {
  std::set<QString> names;
  for (const DiskFile& file : files) names.insert(BaseNameTail(file.path));
  return names;
}

// The path tree's row of folder (one level below the file-system root), expanded to it.
QModelIndex FolderRow(ResultsBrowser* browser, const std::string& folder) {
  QTest::mouseClick(browser->tabButton(0), Qt::LeftButton);
  ResultTreeModel* paths = browser->treeModel(0);
  if (paths->rowCount() != 1) return {};
  const QModelIndex root = paths->index(0, 0);
  browser->outline(0)->expand(root);
  for (int row = 0; row < paths->rowCount(root); ++row)
    if (paths->index(row, 0, root).data().toString().toLower() == QString::fromStdString(folder.substr(1)))
      return paths->index(row, 0, root);
  return {};
}

void ClickBox(QAbstractItemView* view, const QModelIndex& index) {
  view->scrollTo(index);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, CheckBoxDelegate::BoxRect(view->visualRect(index)).center());
}

void ClickRow(QAbstractItemView* view, const QModelIndex& index) {
  view->scrollTo(index);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center() + QPoint(20, 0));
}

void Search(KDDeletailWindowController* results, const QString& text) {
  results->search()->setText(text);
  QTest::keyClick(results->search(), Qt::Key_Return);
  ASSERT_TRUE(QTest::qWaitFor([&] {
    return !KDUIController::KDGetIsSearching() && results->browser()->lastSearchStr() == text &&
           results->backHomeButton()->isDisabled();
  }, 60000));
  QCoreApplication::processEvents();
}

void ClearSearch(KDDeletailWindowController* results) {
  results->search()->clear();
  ASSERT_TRUE(QTest::qWaitFor([&] {
    return !KDUIController::KDGetIsSearching() && results->browser()->lastSearchStr().isEmpty() &&
           results->backHomeButton()->isDisabled();
  }, 60000));
  QCoreApplication::processEvents();
}

void ExpectSearchListsMatching(KDDeletailWindowController* results, const QString& key,
                               const std::vector<DiskFile>& among) {
  std::set<QString> matching;
  for (const DiskFile& file : among)
    if (BaseNameTail(file.path).contains(key)) matching.insert(BaseNameTail(file.path));
  Search(results, key);
  EXPECT_EQ(ListedNames(results->browser()), matching) << "searched for " << key.toStdString();
  ClearSearch(results);
}

std::uint64_t TotalSize(const std::vector<DiskFile>& files) {
  std::uint64_t size = 0;
  for (const DiskFile& file : files) size += file.size;
  return size;
}

RunningProgram::RunningProgram() {
  session = std::make_unique<ApplicationSession>(backend, "en");
  // Checked for updates a moment ago: the launch goes straight to the main window, without the network.
  backend.writeUpDataTimeStr(
      QDateTime::currentDateTime().toString(QString::fromLatin1(KDAppDelegate::kUpdateTimeFormat)).toStdString());
  session->Launch();
}

RunningProgram::~RunningProgram() {
  std::vector<QPointer<QWidget>> windows;
  // Every window but the delegate's menu, which the delegate owns.
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window != static_cast<QWidget*>(session->delegate().applicationMenu())) windows.emplace_back(window);
  for (const QPointer<QWidget>& window : windows) delete window.data();
  session.reset();
  bridge::USBNotifier_dealloc();
  // What the process's end would drop: the next start begins from the settings on disk alone.
  KDUIController::ResetForTests();
  bridge::ResultTrees::ResetForTests();
  KDUIScan::ResetForTests();
  KDUIRecovery::ResetForTests();
  KDUIDeviceData::ResetForTests();
  UserDefaults::ResetForTests();
}

KDRootWindowController* RunningProgram::Root() const {
  QWidget* window = session->delegate().rootWindow();
  return window ? window->findChild<KDRootWindowController*>() : nullptr;
}

void JourneyFixture::SetUp() {
  UserDefaults::ResetForTests();
  KDPublicUtilities::SetPrivateDataPathsForTesting(home_ / "installed" / "PrivateData.plist",
                                                   home_ / "user" / "PrivateData.plist");
  ModalRunner::ResetForTests();
  ModalRunner::setRunObserver([this](QWidget* window) { Answer(window); });
  EngineRegistry::Instance().Reset();
  RegisterBuiltInEngines();
  QObject::connect(&panelAnswerer_, &QTimer::timeout, [this] { AnswerPanels(); });
  panelAnswerer_.start(5);
}

void JourneyFixture::TearDown() {
  panelAnswerer_.stop();
  program_.reset();
  ModalRunner::ResetForTests();
  KDPublicUtilities::SetPrivateDataPathsForTesting({}, {});
  UserDefaults::ResetForTests();
}

std::string JourneyFixture::AttachDisk() {
  return AttachImage(JourneyDisk::Get().Image(), JourneyDisk::Partitions().size());
}

std::string JourneyFixture::AttachImage(const fs::path& image, std::size_t partitions) {
  if (geteuid() != 0) return "loop devices need root";
  // A name of its own: other loop devices may be attached meanwhile.
  diskImage_ = home_ / (image.stem().string() + "-" + std::to_string(getpid()) + ".img");
  fs::copy_file(image, diskImage_);
  if (std::string why = loop_.Attach(diskImage_, 512, true); !why.empty()) return why;
  // Where the kernel lists the partitions, their nodes follow shortly; elsewhere the enumeration reads the table.
  const std::string name = fs::path(loop_.path()).filename().string();
  for (std::size_t n = 1; n <= partitions; ++n) {
    if (!fs::exists("/sys/block/" + name + "/" + name + "p" + std::to_string(n))) continue;
    const fs::path node = loop_.path() + "p" + std::to_string(n);
    if (!QTest::qWaitFor([&] { return fs::exists(node); }, 30000)) ADD_FAILURE() << node << " did not appear";
  }
  return {};
}

RunningProgram& JourneyFixture::Start() {
  program_.reset();
  program_ = std::make_unique<RunningProgram>();
  return *program_;
}

void JourneyFixture::Quit() { program_.reset(); }

KDDeletailWindowController* JourneyFixture::ScanFromTheMainWindow(const char* modeTile, int partition) {
  KDRootWindowController* root = program_ ? program_->Root() : nullptr;
  if (!root || !QTest::qWaitForWindowExposed(root->window())) {
    ADD_FAILURE() << "no main window";
    return nullptr;
  }
  auto* tile = root->selectTypeVC()->findChild<TCImageButton*>(QString::fromLatin1(modeTile));
  if (!tile) {
    ADD_FAILURE() << "no scan mode " << modeTile;
    return nullptr;
  }
  QTest::mouseClick(tile, Qt::LeftButton);
  // Where the device page would offer a single choice, the main window scans it at once and goes.
  const QPointer<KDRootWindowController> main(root);
  QTest::mouseClick(root->selectTypeVC()->nextButton(), Qt::LeftButton);
  if (!QTest::qWaitFor([&] { return !main || (main->whichPage() == 3 && main->selectDiskVC()); }, 120000)) {
    ADD_FAILURE() << "no device page";
    return nullptr;
  }
  if (!main) {
    KDDeletailWindowController* results = ShownResultsWindow();
    if (!results) ADD_FAILURE() << "the main window went without a results window";
    return results;
  }
  KDCustomOutlineView* outline = root->selectDiskVC()->outlineView();
  const DeviceListModel* model = root->selectDiskVC()->model();
  QModelIndex row;
  for (QModelIndex at = model->index(0, 0); at.isValid(); at = outline->indexBelow(at))
    if (at.data().toString() == QString::fromStdString(DiskName())) row = at;
  if (!row.isValid()) {
    ADD_FAILURE() << DiskName() << " is not listed";
    return nullptr;
  }
  if (partition >= 0) {
    outline->expand(row);
    if (model->rowCount(row) <= partition) {
      ADD_FAILURE() << DiskName() << " lists " << model->rowCount(row) << " partitions";
      return nullptr;
    }
    row = model->index(partition, 0, row);
  }
  outline->scrollTo(row);
  QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, outline->visualRect(row).center());
  if (root->selectDiskVC()->selectDiskVolume() != model->ItemOf(row)) {
    ADD_FAILURE() << "the click did not choose the row";
    return nullptr;
  }
  QTest::mouseClick(root->continueButton(), Qt::LeftButton);
  KDDeletailWindowController* results = nullptr;
  if (!QTest::qWaitFor([&] { return (results = ShownResultsWindow()) != nullptr; }, 60000))
    ADD_FAILURE() << "no results window";
  return results;
}

bool JourneyFixture::WaitForScanEnd(KDDeletailWindowController* results, int seconds) {
  const bool ended = QTest::qWaitFor(
      [&] { return results->selectFilesLabel()->isVisible() && !Backend().IsScanRunning(); }, seconds * 1000);
  KDUIController::WaitForOperations();
  QCoreApplication::processEvents();
  return ended;
}

KDDeletailWindowController* JourneyFixture::ShownResultsWindow() {
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window->isVisible())
      if (auto* results = window->findChild<KDDeletailWindowController*>(QString(), Qt::FindDirectChildrenOnly))
        return results;
  return nullptr;
}

void JourneyFixture::AnswerPanelsWith(const fs::path& folder, const fs::path& file) {
  panelFolder_ = folder;
  panelFile_ = file;
}

void JourneyFixture::AnswerPanels() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (!window->isVisible()) continue;
    QList<QFileDialog*> panels = window->findChildren<QFileDialog*>();
    if (auto* panel = qobject_cast<QFileDialog*>(window)) panels.append(panel);
    for (QFileDialog* panel : panels) {
      if (!panel->isVisible() || panel->property("journeyAnswered").toBool()) continue;
      panel->setProperty("journeyAnswered", true);
      if (panel->fileMode() == QFileDialog::Directory)
        panel->setDirectory(QString::fromStdString(panelFolder_.string()));
      else
        panel->selectFile(QString::fromStdString(panelFile_.string()));
      QMetaObject::invokeMethod(panel, "accept", Qt::QueuedConnection);
    }
  }
}

void JourneyFixture::Answer(QWidget* window) {
  const std::string name = window->objectName().toStdString();
  shown_.push_back(name);
  if (auto* alert = qobject_cast<AlertPanel*>(window)) alertTexts_.push_back(alert->informativeText());
  const auto answer = answers_.find(name);
  // An alert nobody expected is noted and closed with its default button, so the journey goes on to its checks.
  const char* buttonName = answer != answers_.end()       ? answer->second
                           : qobject_cast<AlertPanel*>(window) ? "alertDefaultButton"
                                                               : nullptr;
  if (!buttonName) return;
  if (auto* button = window->findChild<QPushButton*>(QString::fromLatin1(buttonName)))
    QTimer::singleShot(0, button, [button] { QTest::mouseClick(button, Qt::LeftButton); });
}

void JourneyFixture::ExpectSelected(KDDeletailWindowController* results, const std::vector<DiskFile>& files) const {
  EXPECT_EQ(results->selectFilesLabel()->text(), SummaryLine("Selected", TotalSize(files), files.size()));
  std::uint64_t count = 0;
  std::uint64_t size = 0;
  program_->backend.GetSelectedFilesAmout(count, size);
  EXPECT_EQ(count, files.size());
  EXPECT_EQ(size, TotalSize(files));
}

std::string JourneyFixture::AlertsSeen() const {
  std::string seen;
  for (const QString& text : alertTexts_) seen += "\"" + text.toStdString() + "\" ";
  return seen;
}

std::size_t JourneyFixture::TimesShown(const std::string& name) const {
  return static_cast<std::size_t>(std::count(shown_.begin(), shown_.end(), name));
}

bool JourneyFixture::WaitShown(const std::string& name, std::size_t times, int seconds) {
  return QTest::qWaitFor([&] { return TimesShown(name) >= times; }, seconds * 1000);
}

}  // namespace quellsy::ui::test
