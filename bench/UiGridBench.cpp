// ui_grid_bench [ITEMS=10000]: the thumbnail grid alone over the scripted backend's files, on the offscreen
// platform. Prints tab-separated figures: how long the first screen takes until every visible tile has its
// picture, the longest, median and 99th-percentile scroll step while the view is dragged through the whole
// listing at 40 points a frame (the loader delivering meanwhile) with the grid's own part of a step (parking,
// asking for and placing tiles; the rest is painting), how many tiles were ever made, and how much the
// resident memory grew over the scroll.

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <unistd.h>

#include "Bridge/DiskVolumeNodeData.h"
#include "Bridge/NodeTreeType.h"
#include "Bridge/OpNodeData.h"
#include "UI/Backend/ScriptedBackend.h"
#include "UI/Kit/Grid/CNGridView.h"
#include "UI/Kit/Grid/CNGridViewItem.h"
#include "UI/Kit/Grid/GridThumbnails.h"
#include "UI/Shell/ShellServices.h"
#include "include/IFileNode.h"

namespace {

using namespace quellsy::ui;

double ResidentMegabytes() {
  long pages = 0;
  long resident = 0;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1e6;
}

class Source final : public CNGridViewDataSource {
 public:
  explicit Source(std::vector<IFileNode*> files) : files_(std::move(files)) {}
  std::uint64_t gridViewNumberOfItemsInSection(CNGridView&, std::int64_t) override { return files_.size(); }
  CNGridViewItemBase* gridViewItemAtIndex(CNGridView& grid, std::int64_t index, std::int64_t) override {
    auto* item = static_cast<CNGridViewItem*>(grid.dequeueReusableItemWithIdentifier(kCNDefaultItemIdentifier));
    if (!item) {
      item = new CNGridViewItem();
      ++made;
    }
    IFileNode* file = files_[static_cast<std::size_t>(index)];
    item->setTitleText(QString::fromUtf8(file->GetFileName()));
    item->setNode(file);
    if (thumbnails) thumbnails->RequestFor(*item, ThumbnailKeyOf(file));
    return item;
  }
  GridThumbnails* thumbnails = nullptr;
  int made = 0;

 private:
  std::vector<IFileNode*> files_;
};

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const long items = argc > 1 ? std::max(1L, std::atol(argv[1])) : 10000;

  ScriptedBackend backend;
  const ShellServices services(backend, "en");
  ScriptedResultShape shape;
  shape.topFolders = static_cast<int>((items + 99) / 100) * 2;
  shape.filesPerFolder = 100;
  shape.depth = 0;
  backend.SetResultShape(shape);
  backend.DoScanWithData(backend.GetDeviceInfoToArray()[0]->childAtIndex(0).get(), "");
  backend.RunToEnd();
  std::vector<IFileNode*> files;
  for (const auto& kind : backend.KDGetTopNodes(NODE_TREE_FILE_TYPE))
    for (const auto& group : backend.GetChildGroups(kind.get()))
      for (IFileNode* file : backend.GetFileNodeToArray(group.get())) files.push_back(file);
  files.resize(std::min<std::size_t>(files.size(), static_cast<std::size_t>(items)));

  Source source(files);
  CNGridView grid;
  // The results window's loader: one fetch at a time, each picture given to the tile still showing its file.
  GridThumbnails thumbnails(grid, [&backend](GridThumbnails::Key key, const ThumbnailTicket&) {
    return backend.GetNSImageByFildNodeNSNumber(reinterpret_cast<IFileNode*>(static_cast<std::uintptr_t>(key)));
  });
  source.thumbnails = &thumbnails;
  grid.setDataSource(&source);
  grid.resize(1000, 700);
  grid.show();
  QApplication::processEvents();

  QElapsedTimer clock;
  clock.start();
  grid.reloadData();
  const auto screenDone = [&] {
    if (grid.layoutPending() || grid.numberOfVisibleItems() == 0) return false;
    const CNItemRange range = grid.visibleItemRange();
    for (std::int64_t index = range.location; index < range.location + range.length; ++index) {
      auto* tile = static_cast<CNGridViewItem*>(grid.itemAtIndex(index));
      if (!tile || tile->itemImage().isNull()) return false;
    }
    return true;
  };
  while (!screenDone()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  const double firstScreen = static_cast<double>(clock.nsecsElapsed()) / 1e6;

  const double memoryBefore = ResidentMegabytes();
  QScrollBar* bar = grid.verticalScrollBar();
  double worstStep = 0;
  int steps = 0;
  std::vector<std::pair<double, int>> slowest;
  std::vector<double> layoutTimes;  // the grid's own part of each step: parking, asking and placing tiles
  for (int y = 0; y <= bar->maximum(); y += 40, ++steps) {
    clock.restart();
    bar->setValue(y);
    layoutTimes.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    grid.viewport()->repaint();
    QApplication::processEvents();
    const double step = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    worstStep = std::max(worstStep, step);
    slowest.emplace_back(step, steps);
  }
  std::sort(slowest.begin(), slowest.end());
  std::sort(layoutTimes.begin(), layoutTimes.end());
  const double layoutMedian = layoutTimes.empty() ? 0 : layoutTimes[layoutTimes.size() / 2];
  const double median = slowest.empty() ? 0 : slowest[slowest.size() / 2].first;
  const double p99 = slowest.empty() ? 0 : slowest[slowest.size() * 99 / 100].first;
  const double memoryGrowth = ResidentMegabytes() - memoryBefore;
  std::printf("first_screen_ms\t%.1f\nworst_step_ms\t%.1f\nmedian_step_ms\t%.2f\np99_step_ms\t%.2f\nmedian_layout_ms\t%.2f\nsteps\t%d\ntiles_made\t%d\ntiles_visible\t%lld\n"
              "rss_growth_mb\t%.1f\nitems\t%zu\n",
              firstScreen, worstStep, median, p99, layoutMedian, steps, source.made, static_cast<long long>(grid.visibleItemRange().length),
              memoryGrowth, files.size());
  return 0;
}
