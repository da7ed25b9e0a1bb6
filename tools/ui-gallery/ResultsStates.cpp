// The results window in its states, on the scripted backend: waiting for the first results, scanning, paused,
// asked to stop, stopped, finished with the deep-scan hint, deep scanning after a quick scan, and the recovery's
// folder panel and the alerts of its destination checks.

#include <QApplication>
#include <QElapsedTimer>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "Bridge/DiskVolumeNodeData.h"
#include "Bridge/NodeTreeType.h"
#include "Gallery.h"
#include "UI/Backend/ScriptedBackend.h"
#include "Bridge/KDThumbnailSource.h"
#include "UI/Kit/Grid/CNGridView.h"
#include "UI/Kit/Grid/CNGridViewItem.h"
#include "UI/Kit/Grid/CoverFlowView.h"
#include "UI/Kit/ModalRunner.h"
#include "UI/Kit/NamedImages.h"
#include "UI/Kit/TypeIcons.h"
#include "UI/Kit/TCImageButton.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Results/CommOutlineView.h"
#include "UI/Results/FileListModel.h"
#include "UI/Results/KDNSTableView.h"
#include "UI/Results/KDDeletailWindowController.h"
#include "UI/Results/ResultTreeModel.h"
#include "UI/Results/ResultsBrowser.h"
#include "UI/Results/ResultsCoverFlow.h"
#include "UI/Results/ResultsGrid.h"
#include "UI/Results/ResultsRecovery.h"

namespace quellsy::gallery {
namespace {

using ui::KDDeletailWindowController;
using ui::ModalRunner;
using ui::ScriptedBackend;

// Lets the window's short delays and timers run until done says so (at most a few seconds).
void Until(const std::function<bool()>& done) {
  QElapsedTimer waited;
  waited.start();
  while (!done() && waited.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// A step of the scan with its notification delivered.
void Step(ScriptedBackend& backend, int steps = 1) {
  for (int i = 0; i < steps; ++i) backend.Step();
  QApplication::processEvents();
}

using Scene = std::function<void(KDDeletailWindowController& window, ScriptedBackend& backend)>;

// A results window scanning the first disk, put into a state by scene, drawn with its sheet or pop-over; then
// its scan is ended and the window closed, so the next state starts afresh.
std::unique_ptr<QWidget> ResultsState(ScriptedBackend& backend, const Scene& scene) {
  ui::ResultsWindowTimings timings;
  timings.fadeIn = 1;
  timings.stopDelay = 1;
  timings.deepScanDelay = 1;
  timings.stopButtonDelay = 1;
  timings.endCheckInterval = 5;
  auto* window = new KDDeletailWindowController(timings);
  window->setSelectDiskVolumeData(backend.GetDeviceInfoToArray()[0]);
  window->setScanTypeNum(1);
  window->setSelectDesktop(0);
  window->window()->move(200, 120);
  window->window()->show();
  QApplication::setActiveWindow(window->window());
  window->getData();
  scene(*window, backend);
  QApplication::processEvents();
  std::vector<QWidget*> shown{window->window()};
  if (QWidget* sheet = ModalRunner::attachedSheet(window->window())) shown.push_back(sheet);
  if (QWidget* hint = window->attachedWindow()) shown.push_back(hint);
  if (ui::SpacePreviewWindow* preview = window->browser()->spacePreviewWindow()) shown.push_back(preview->window());
  auto picture = Composite(shown);
  if (QWidget* sheet = ModalRunner::attachedSheet(window->window())) ModalRunner::endRun(sheet, 0);
  delete window->window();
  if (backend.IsScanRunning()) {
    if (backend.IsPause()) backend.PauseOrResumeScan();
    backend.StopScan(1);
  }
  backend.RunToEnd();
  QApplication::processEvents();
  return picture;
}

void StopConfirmed(KDDeletailWindowController& window, ScriptedBackend& backend) {
  Step(backend, 4);
  // The sheet is answered from the event loop once it is shown.
  ModalRunner::setRunObserver([](QWidget* alert) { ModalRunner::endRun(alert, 1); });
  window.stopButtonClick();
  Until([&] { return window.endScanTimer() != nullptr; });
  ModalRunner::setRunObserver(nullptr);
  backend.Step();
  Until([&] { return window.endScanTimer() == nullptr; });
  window.popupViewHidden();
}

// The scan run to its end, the hint closed.
void Finished(KDDeletailWindowController& window, ScriptedBackend& backend) {
  backend.RunToEnd();
  Until([&] { return window.browser()->tabButton(1)->isEnabled(); });
  window.popupViewHidden();
}

// The tab of kind shown with a row below its first one selected; two of the row's files checked.
void BrowseTab(KDDeletailWindowController& window, ScriptedBackend& backend, int kind) {
  Finished(window, backend);
  ui::ResultsBrowser* browser = window.browser();
  browser->selectTab(kind);
  ui::CommOutlineView* outline = browser->outline(kind);
  QModelIndex row = outline->model()->index(0, 0);
  // Path: a volume's first folder; type: the first kind's second extension; dates: the first year's first month.
  const std::vector<int> rows = kind == 0 ? std::vector<int>{0} : kind == 1 ? std::vector<int>{1} : std::vector<int>{0, 0};
  for (const int child : rows) {
    outline->expand(row);
    row = outline->model()->index(child, 0, row);
  }
  outline->setCurrentIndex(row);
  QApplication::processEvents();
  ui::FileListModel* files = browser->listModel();
  for (const int checked : {1, 3})
    if (checked < files->rowCount()) files->ToggleCheck(checked);
}

// The type tab's pictures listed, two of them checked, shown in view (1 the grid, 2 the cover flow) with
// their pictures loaded; the fourth file selected.
void BrowsePictures(KDDeletailWindowController& window, ScriptedBackend& backend, int view) {
  Finished(window, backend);
  ui::ResultsBrowser* browser = window.browser();
  browser->selectTab(1);
  ui::ResultTreeModel* types = browser->treeModel(1);
  for (int row = 0; row < types->rowCount(); ++row) {
    const QModelIndex kind = types->index(row, 0);
    const std::vector<IFileNode*> files = types->FilesOf(kind);
    if (files.empty() || ui::TypeGroupOfExtension(QString::fromStdString(KDThumbnailSource::LowerExtension(files[0]->GetFileName()))) !=
                             FILTER_TYPE_PICTURE)
      continue;
    browser->outline(1)->setCurrentIndex(kind);
    break;
  }
  QApplication::processEvents();
  ui::FileListModel* files = browser->listModel();
  for (const int checked : {1, 5})
    if (checked < files->rowCount()) files->ToggleCheck(checked);
  browser->grid()->gridView()->setAnimationDurations(0, 0);
  browser->coverFlow()->flowView()->setGlideMilliseconds(0);
  browser->segmentSelect(view);
  browser->tableView()->setCurrentIndex(files->index(3, ui::FileListModel::kName));
  const QImage placeholder = ui::NamedImages::Image(QStringLiteral("loading"), QSize(90, 68));
  Until([&] {
    if (view == 2) return browser->coverFlow()->photos().isLoaded(3) && browser->coverFlow()->photos().isLoaded(6);
    ui::CNGridView* grid = browser->grid()->gridView();
    const std::vector<ui::CNGridViewItemBase*> tiles = grid->placedItems();
    return !grid->layoutPending() && !tiles.empty() && std::none_of(tiles.begin(), tiles.end(), [&](auto* tile) {
      return static_cast<ui::CNGridViewItem*>(tile)->itemImage() == placeholder;
    });
  });
}

// A finished scan with every file checked, Recover clicked and the folder panel answered with a folder whose
// looks are probe's; until the sheet named alert shows ("recoveryPanel": the panel itself, left open).
Scene RecoverInto(ui::DestinationProbe probe, const char* alert, bool sameDevice = false) {
  return [probe = std::move(probe), alert, sameDevice](KDDeletailWindowController& window, ScriptedBackend& backend) {
    Finished(window, backend);
    for (const auto& group : backend.KDGetTopNodes(NODE_TREE_FILE_TYPE)) backend.KDSetNodeState(group.get(), 2);
    backend.Failures().scannedDevicePrefix.assign(sameDevice ? 1 : 0, '/');
    // The panel starts in the home folder, as it does the first time.
    ui::DestinationProbe looks = probe;
    looks.home = [] { return QDir::homePath().toStdString(); };
    window.recovery()->setDestinationProbe(std::move(looks));
    const QString name = QString::fromLatin1(alert);
    if (name != QStringLiteral("recoveryPanel"))
      ModalRunner::setRunObserver([](QWidget* shown) {
        if (auto* panel = shown->findChild<QFileDialog*>())
          QTimer::singleShot(0, panel, [panel] { QMetaObject::invokeMethod(panel, "accept"); });
      });
    window.recoveryButtonClick();
    Until([&] {
      const QWidget* sheet = ModalRunner::attachedSheet(window.window());
      return sheet && sheet->objectName() == name && sheet->isVisible();
    });
    ModalRunner::setRunObserver(nullptr);
    backend.Failures().scannedDevicePrefix.clear();
  };
}

}  // namespace

void AddResultsStates(Gallery& gallery, ScriptedBackend& backend) {
  ui::ScriptedResultShape shape;
  shape.volumes = {"System disk", "Recovery"};
  shape.topFolders = 5;
  shape.filesPerFolder = 9;
  const auto add = [&gallery, &backend, shape](const char* name, const char* description, Scene scene) {
    gallery.Add({QString::fromLatin1(name), QString::fromLatin1(description),
                 [&backend, shape, scene = std::move(scene)] {
                   backend.SetResultShape(shape);
                   return ResultsState(backend, scene);
                 }});
  };
  add("results-waiting",
      "Results window as a scan starts: the bottom bar waits for the first results, its buttons not yet usable",
      [](KDDeletailWindowController&, ScriptedBackend&) {});
  add("results-scanning",
      "A quick scan under way: the path tree's roots found so far on the left (the other tabs wait for the "
      "scan's end), the found count, the remaining time and the progress bar in the bottom bar, pause and stop "
      "usable",
      [](KDDeletailWindowController&, ScriptedBackend& scripted) { Step(scripted, 4); });
  add("results-paused",
      "The scan paused: the continue button in place of pause, the search field usable for browsing",
      [](KDDeletailWindowController& window, ScriptedBackend& scripted) {
        Step(scripted, 4);
        window.pauseButtonClick();
      });
  add("results-stop-question", "The stop button asks first, as a sheet; the scan is paused meanwhile",
      [](KDDeletailWindowController& window, ScriptedBackend& scripted) {
        Step(scripted, 4);
        window.stopButtonClick();
      });
  add("results-stopped",
      "A stopped scan: what was found stays listed, the summary of all found files, Recover and Save usable",
      StopConfirmed);
  add("results-finished",
      "A finished quick scan: the summary, Recover, Save and Deep Scan usable, and the hint pointing to the deep "
      "scan",
      [](KDDeletailWindowController& window, ScriptedBackend& scripted) {
        scripted.RunToEnd();
        Until([&] { return window.attachedWindow() != nullptr; });
      });
  add("results-deep",
      "A deep scan started after the quick one: the lists start over, pause and stop move right, no deep-scan "
      "button",
      [](KDDeletailWindowController& window, ScriptedBackend& scripted) {
        scripted.RunToEnd();
        QApplication::processEvents();
        window.deepSrcanButtonAction();
        Until([&] { return window.isDeepScan() && scripted.IsDeepScan() && scripted.IsScanRunning(); });
        Step(scripted, 3);
        Until([&] { return window.stopButton()->isDisabled(); });
      });
  add("results-tree-path",
      "Browsing by path: a folder selected, its files in the table, two of them checked (the select-all box and "
      "the folder half checked) and the summary of the checked files",
      [](KDDeletailWindowController& window, ScriptedBackend& scripted) { BrowseTab(window, scripted, 0); });
  add("results-tree-type",
      "Browsing by type: the seven kinds with their counts, an extension's files listed",
      [](KDDeletailWindowController& window, ScriptedBackend& scripted) { BrowseTab(window, scripted, 1); });
  add("results-tree-created", "Browsing by creation month: years and months with their counts",
      [](KDDeletailWindowController& window, ScriptedBackend& scripted) { BrowseTab(window, scripted, 2); });
  add("results-tree-modified",
      "Browsing by modification month, the listing sorted by size (the triangle in the Size header)",
      [](KDDeletailWindowController& window, ScriptedBackend& scripted) {
        BrowseTab(window, scripted, 3);
        window.browser()->sortByColumn(ui::FileListModel::kSize);
      });
  add("results-search",
      "A search for \"Photo\": every tree narrowed to the matching files, the listing holding them all",
      [](KDDeletailWindowController& window, ScriptedBackend& scripted) {
        Finished(window, scripted);
        window.search()->setText(QStringLiteral("Photo"));
        window.browser()->doSearch();
        Until([&] { return !scripted.KDGetIsSearching(); });
        QApplication::processEvents();
      });
  add("results-grid",
      "The grid view: the pictures of the selected kind as thumbnails, two of them checked in their tiles, the "
      "selected one ringed",
      [](KDDeletailWindowController& window, ScriptedBackend& scripted) { BrowsePictures(window, scripted, 1); });
  add("results-coverflow",
      "The cover flow view: the selected picture facing the viewer over the cover flow's table, which shows the "
      "same files, checks and selected row",
      [](KDDeletailWindowController& window, ScriptedBackend& scripted) { BrowsePictures(window, scripted, 2); });
  add("results-preview",
      "The space bar in the grid: the preview of the selected picture over the results window",
      [](KDDeletailWindowController& window, ScriptedBackend& scripted) {
        BrowsePictures(window, scripted, 1);
        window.browser()->spacePrviewFile();
        Until([&] {
          const ui::SpacePreviewWindow* preview = window.browser()->spacePreviewWindow();
          return preview && preview->showImage().width() > 200;
        });
      });
  add("results-empty-note",
      "A row without files of its own selected: the note over the empty listing points to the trees",
      [](KDDeletailWindowController& window, ScriptedBackend& scripted) { Finished(window, scripted); });
  const auto writable = [](const std::string&) { return true; };
  const auto plenty = [](const std::string&) { return std::optional<std::uint64_t>(std::uint64_t{1} << 40); };
  add("results-recovery-panel", "Recover opens the folder panel as a sheet, its own panel rather than the desktop's",
      RecoverInto({writable, plenty}, "recoveryPanel"));
  add("results-recovery-nowrite", "The chosen folder cannot be written to by the user: nothing starts",
      RecoverInto({[](const std::string&) { return false; }, plenty}, "noCompetenceAlert"));
  add("results-recovery-samedevice",
      "The chosen folder is on the scanned device: choose another one, or recover there anyway",
      RecoverInto({writable, plenty}, "sameDeviceAlert", true));
  add("results-recovery-nospace",
      "The chosen folder has no more than 105 % of the checked size free: cancel, or continue anyway",
      RecoverInto({writable, [](const std::string&) { return std::optional<std::uint64_t>(0); }}, "noSpaceAlert"));
}

}  // namespace quellsy::gallery
