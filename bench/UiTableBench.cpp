// ui_table_bench [FILES=100000]: the results window's file table over one folder of FILES found files on the
// scripted backend, on the offscreen platform. Prints tab-separated figures: how long selecting the folder takes
// until its listing is drawn, how long each sort by a column header takes until the table is drawn again, and
// how long expanding the path tree's root and drawing it take with FILES / 100 folders below it.

#include <QApplication>
#include <QElapsedTimer>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "Bridge/DiskVolumeNodeData.h"
#include "UI/Backend/ScriptedBackend.h"
#include "UI/Results/CommOutlineView.h"
#include "UI/Results/FileListModel.h"
#include "UI/Results/KDDeletailWindowController.h"
#include "UI/Results/KDNSTableView.h"
#include "UI/Results/ResultTreeModel.h"
#include "UI/Results/ResultsBrowser.h"
#include "UI/Shell/ShellServices.h"

namespace {

using namespace quellsy::ui;

// A results window that scanned shape to the end.
KDDeletailWindowController* Scanned(ScriptedBackend& backend, const ScriptedResultShape& shape) {
  backend.SetResultShape(shape);
  backend.SetScanSteps(ScriptedBackend::EvenSteps(1));
  ResultsWindowTimings timings;
  timings.fadeIn = 1;
  auto* window = new KDDeletailWindowController(timings);
  auto volume = backend.GetDeviceInfoToArray()[1]->childAtIndex(0);
  window->setSelectDiskVolumeData(volume);
  window->window()->show();
  window->getData();
  backend.RunToEnd();
  while (!window->browser()->tabButton(1)->isEnabled()) QApplication::processEvents();
  return window;
}

// Milliseconds until work is done and view drawn.
double Timed(QWidget* view, const std::function<void()>& work) {
  QElapsedTimer timer;
  timer.start();
  work();
  QApplication::processEvents();
  view->repaint();
  return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const int files = argc > 1 ? std::max(100, std::atoi(argv[1])) : 100000;
  ScriptedBackend backend;
  const ShellServices services(backend, "en");

  ScriptedResultShape oneFolder;
  oneFolder.topFolders = 1;
  oneFolder.depth = 0;
  oneFolder.filesPerFolder = files;
  KDDeletailWindowController* window = Scanned(backend, oneFolder);
  ResultsBrowser* browser = window->browser();
  CommOutlineView* outline = browser->outline(0);
  ResultTreeModel* paths = browser->treeModel(0);
  KDNSTableView* table = browser->tableView();
  const QModelIndex folder = paths->index(0, 0, paths->index(0, 0));
  std::printf("files\t%d\n", files);
  std::printf("open_ms\t%.1f\n", Timed(table->viewport(), [&] { outline->setCurrentIndex(folder); }));
  std::printf("listed\t%d\n", browser->listModel()->rowCount());
  const std::pair<const char*, int> columns[] = {{"name", FileListModel::kName},
                                                 {"size", FileListModel::kSize},
                                                 {"path", FileListModel::kPath},
                                                 {"created", FileListModel::kCreated}};
  double worst = 0;
  for (const auto& [name, column] : columns) {
    const double ms = Timed(table->viewport(), [&] { browser->sortByColumn(column); });
    worst = std::max(worst, ms);
    std::printf("sort_%s_ms\t%.1f\n", name, ms);
  }
  std::printf("sort_worst_ms\t%.1f\n", worst);
  delete window->window();

  ScriptedResultShape manyFolders;
  manyFolders.topFolders = std::max(1, files / 100);
  manyFolders.depth = 0;
  manyFolders.filesPerFolder = 100;
  window = Scanned(backend, manyFolders);
  outline = window->browser()->outline(0);
  paths = window->browser()->treeModel(0);
  outline->collapseAll();
  const QModelIndex root = paths->index(0, 0);
  std::printf("folders\t%d\n", manyFolders.topFolders);
  std::printf("expand_ms\t%.1f\n", Timed(outline->viewport(), [&] { outline->expand(root); }));
  std::printf("scroll_ms\t%.1f\n", Timed(outline->viewport(), [&] { outline->scrollToBottom(); }));
  delete window->window();
  return 0;
}
