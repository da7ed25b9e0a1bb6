// ui_scan_bench quick|complete DEVICE: the results window scanning DEVICE (a loop device attached to a benchmark
// image) on the real bridge, started as the program starts: the built-in engines, the bridge's backend, the
// shell's services, the results window from the factory the program installs, handed the device from the
// device list and asked to scan as the root window asks it. A quick scan takes the device's first volume; a
// complete scan takes the disk itself. Prints tab-separated figures:
//   stall_max_ms, stall_p99_ms  the GUI thread's lateness: how much later than its 16 ms each tick of a probe
//                               timer came, from the scan's start until a second after the full trees
//   first_rows_ms               from the scan's start to the first rows in the path tree or the file table
//   bridge_first_rows_ms        from the scan's start to the first folder in the bridge's path tree (seen at a tick)
//   scan_ms                     from the scan's start to its end (the bridge's status, watched off the GUI thread)
//   trees_after_end_ms          from the scan's end to the full trees: the window in its end state (the
//                               trees' tabs usable) and its copy of the path tree as long as the bridge's
//   rss_start_kib, rss_peak_kib resident memory with the window shown before the scan, and at its peak
//   anon_peak_kib               the peak of its anonymous part (the heap and other private memory; the rest of
//                               the resident memory is the libraries' and fonts' pages), sampled every 10 ms
//   work_max_ms, work_p99_ms    the GUI thread's own processor time between two ticks: the part of a stall that
//                               is its own work, whatever else the machine runs
//   stall_max_at_ms             when the longest stall ended, from the scan's start
//   stall_max_cpu_ms, stall_max_waits, stall_max_preempted  what the GUI thread did during its longest stall:
//                               its own processor time, how often it waited (a lock, a file) and how often the
//                               system gave its processor to another thread
// The GUI thread never waits on the scan: the watcher thread only reads the scan's status.

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWindow>
#include <QToolButton>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "Bridge/DiskVolumeNodeData.h"
#include "Bridge/ResultTrees.h"
#include "Engines/BuiltInEngines.h"
#include "Platform/HeapArenas.h"
#include "UI/Backend/BridgeBackend.h"
#include "UI/Kit/NotificationObserver.h"
#include "UI/Results/FileListModel.h"
#include "UI/Results/KDDeletailWindowController.h"
#include "UI/Results/ResultTreeModel.h"
#include "UI/Results/ResultsBrowser.h"
#include "UI/Shell/ResultsWindowHandOver.h"
#include "UI/Shell/ShellServices.h"

namespace {

using namespace quellsy::ui;
using Clock = std::chrono::steady_clock;

constexpr int kProbeMs = 16;
constexpr int kAfterTreesMs = 1000;
constexpr int kGiveUpMs = 30 * 60 * 1000;
constexpr unsigned kAllTypes = 127;
constexpr const char* kDeviceListReady = "UiScanBenchDevices";

double MsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// The calling thread's processor time and context switches so far.
struct ThreadUse {
  double cpuMs = 0;
  long waits = 0;
  long preempted = 0;

  static ThreadUse Now() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    ThreadUse use;
    use.cpuMs = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    use.waits = usage.ru_nvcsw;
    use.preempted = usage.ru_nivcsw;
    return use;
  }
  ThreadUse Since(const ThreadUse& before) const {
    return {cpuMs - before.cpuMs, waits - before.waits, preempted - before.preempted};
  }
};

long PeakRssKib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// The peak of the process's anonymous resident memory, sampled off the GUI thread until destroyed: resident
// minus shared pages in /proc/self/statm, counters the kernel keeps (no walk over the mappings).
class AnonPeakSampler {
 public:
  AnonPeakSampler()
      : thread_([this] {
          const long pageKib = sysconf(_SC_PAGESIZE) / 1024;
          while (!quit_) {
            long size = 0, resident = 0, shared = 0;
            if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
              if (std::fscanf(statm, "%ld %ld %ld", &size, &resident, &shared) == 3)
                peakKib_ = std::max(peakKib_.load(), (resident - shared) * pageKib);
              std::fclose(statm);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
          }
        }) {}
  ~AnonPeakSampler() {
    quit_ = true;
    thread_.join();
  }
  long PeakKib() const { return peakKib_; }

 private:
  std::atomic<bool> quit_{false};
  std::atomic<long> peakKib_{0};
  std::thread thread_;
};

// The listed disk at path, or null.
std::shared_ptr<DiskVolumeNodeData> ListedDisk(const std::string& path) {
  for (const auto& disk : Backend().GetDeviceInfoToArray())
    if (disk && disk->diskPath() == path) return disk;
  return nullptr;
}

// The scan's end, seen off the GUI thread: the first moment the bridge says no scan runs after one did.
class ScanEndWatcher {
 public:
  ScanEndWatcher()
      : thread_([this] {
          bool seenRunning = false;
          while (!quit_) {
            const bool running = Backend().IsScanRunning();
            if (running) seenRunning = true;
            if (seenRunning && !running) {
              end_ = Clock::now();
              ended_ = true;
              return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
          }
        }) {}
  ~ScanEndWatcher() {
    quit_ = true;
    thread_.join();
  }
  bool Ended() const { return ended_; }
  Clock::time_point End() const { return end_; }

 private:
  std::atomic<bool> quit_{false};
  std::atomic<bool> ended_{false};
  Clock::time_point end_;
  std::thread thread_;
};

struct Figures {
  Clock::time_point start;
  std::vector<double> lateness;
  std::vector<double> work;
  double longestMs = 0;
  double longestAtMs = 0;  // its end, from the scan's start
  ThreadUse longest;  // during the longest stall
  double firstRowsMs = -1;
  double bridgeFirstRowsMs = -1;
  double treesAfterEndMs = -1;
  double scanMs = -1;
  Clock::time_point treesShown;
};

double Percentile(std::vector<double> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto at = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(at, values.size() - 1)];
}

}  // namespace

int main(int argc, char* argv[]) {
  quellsy::platform::LimitHeapArenas();
  if (argc != 3 || (std::strcmp(argv[1], "quick") != 0 && std::strcmp(argv[1], "complete") != 0)) {
    std::fputs("usage: ui_scan_bench quick|complete DEVICE\n", stderr);
    return 2;
  }
  const bool quick = std::strcmp(argv[1], "quick") == 0;
  const std::string device = argv[2];

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quellsy"));
  RegisterBuiltInEngines();
  BridgeBackend backend;
  const ShellServices services(backend, "en");
  SetResultsWindowFactory(KDDeletailWindowController::Make);

  // The device list, as the root window asks for it.
  bool listed = false;
  QObject listWatch;
  ObserveNotification(&listWatch, kDeviceListReady, [&](const quellsy::bridge::Notification&) { listed = true; });
  Backend().NotifiyDeviceInfoAfterInit(kDeviceListReady);
  QElapsedTimer waited;
  waited.start();
  while (!listed && waited.elapsed() < 120000) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
  std::shared_ptr<DiskVolumeNodeData> disk = ListedDisk(device);
  if (!disk) {
    std::fprintf(stderr, "ui_scan_bench: %s is not in the device list:", device.c_str());
    for (const auto& other : Backend().GetDeviceInfoToArray())
      if (other) std::fprintf(stderr, " %s", other->diskPath().c_str());
    std::fputc('\n', stderr);
    return 1;
  }
  std::shared_ptr<DiskVolumeNodeData> chosen = quick ? disk->childAtIndex(0) : disk;
  if (!chosen || !chosen->beCanOpen()) {
    std::fprintf(stderr, "ui_scan_bench: %s has no volume to scan quickly or cannot be opened\n", device.c_str());
    return 1;
  }
  Backend().SetRecoveryType(kAllTypes);

  // The hand-over, as the root window makes it.
  IResultsWindow* results = MakeResultsWindow();
  auto* window = dynamic_cast<KDDeletailWindowController*>(results);
  results->setSelectDiskVolumeData(chosen);
  results->setScanTypeNum(quick ? 1 : 2);
  results->setSelectDesktop(0);
  results->window()->show();
  results->window()->raise();
  results->window()->activateWindow();
  // On screen before the clock starts: the window manager's and the display's first round trips are not the scan's.
  waited.restart();
  while (!(results->window()->windowHandle() && results->window()->windowHandle()->isExposed()) &&
         waited.elapsed() < 10000)
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);

  Figures figures;
  long rssStart = 0;
  const AnonPeakSampler anon;
  ScanEndWatcher watcher;
  ResultsBrowser* browser = window->browser();
  QTimer probe;
  probe.setTimerType(Qt::PreciseTimer);
  probe.setInterval(kProbeMs);
  Clock::time_point lastTick;
  ThreadUse lastUse;
  QObject::connect(&probe, &QTimer::timeout, [&] {
    const Clock::time_point now = Clock::now();
    const ThreadUse use = ThreadUse::Now();
    const double late = std::max(0.0, MsBetween(lastTick, now) - kProbeMs);
    if (late >= figures.longestMs) {
      figures.longestMs = late;
      figures.longestAtMs = MsBetween(figures.start, now);
      figures.longest = use.Since(lastUse);
    }
    figures.lateness.push_back(late);
    figures.work.push_back(use.Since(lastUse).cpuMs);
    lastTick = now;
    lastUse = use;
    if (figures.bridgeFirstRowsMs < 0 && quellsy::bridge::ResultTrees::Instance().PathSize() > 0)
      figures.bridgeFirstRowsMs = MsBetween(figures.start, now);
    if (figures.firstRowsMs < 0 && (browser->treeModel(0)->rowCount() > 0 || browser->listModel()->rowCount() > 0))
      figures.firstRowsMs = MsBetween(figures.start, now);
    if (figures.treesAfterEndMs < 0 && watcher.Ended() && browser->tabButton(1)->isEnabled() &&
        window->pathTree().Size() == quellsy::bridge::ResultTrees::Instance().PathSize()) {
      figures.scanMs = MsBetween(figures.start, watcher.End());
      figures.treesAfterEndMs = MsBetween(watcher.End(), now);
      figures.treesShown = now;
    }
    // exit, not quit: quitting would ask the window to close, and so whether to save the results.
    if (figures.treesAfterEndMs >= 0 && MsBetween(figures.treesShown, now) >= kAfterTreesMs) QCoreApplication::exit(0);
  });
  // The root window asks for the scan a moment after showing the window.
  QTimer::singleShot(300, [&] {
    rssStart = PeakRssKib();
    figures.start = Clock::now();
    lastTick = figures.start;
    lastUse = ThreadUse::Now();
    probe.start();
    results->getData();
  });
  bool gaveUp = false;
  QTimer::singleShot(kGiveUpMs, [&] {
    gaveUp = true;
    QCoreApplication::exit(0);
  });
  QApplication::exec();
  if (gaveUp) {
    std::fprintf(stderr, "ui_scan_bench: the scan did not end with its trees shown within %d minutes\n",
                 kGiveUpMs / 60000);
    return 1;
  }

  std::printf("stall_max_ms\t%.1f\n", figures.longestMs);
  std::printf("stall_p99_ms\t%.1f\n", Percentile(figures.lateness, 0.99));
  std::printf("ticks\t%zu\n", figures.lateness.size());
  std::printf("work_max_ms\t%.1f\n", Percentile(figures.work, 1.0));
  std::printf("work_p99_ms\t%.1f\n", Percentile(figures.work, 0.99));
  std::printf("stall_max_at_ms\t%.0f\n", figures.longestAtMs);
  std::printf("stall_max_cpu_ms\t%.1f\n", figures.longest.cpuMs);
  std::printf("stall_max_waits\t%ld\n", figures.longest.waits);
  std::printf("stall_max_preempted\t%ld\n", figures.longest.preempted);
  std::printf("first_rows_ms\t%.0f\n", figures.firstRowsMs);
  std::printf("bridge_first_rows_ms\t%.0f\n", figures.bridgeFirstRowsMs);
  std::printf("scan_ms\t%.0f\n", figures.scanMs);
  std::printf("trees_after_end_ms\t%.0f\n", figures.treesAfterEndMs);
  std::printf("folders\t%zu\n", window->pathTree().Size());
  std::uint64_t size = 0;
  std::uint64_t count = 0;
  Backend().GetScanFileSize(size, count);
  std::printf("files\t%llu\n", static_cast<unsigned long long>(count));
  std::printf("rss_start_kib\t%ld\n", rssStart);
  std::printf("rss_peak_kib\t%ld\n", PeakRssKib());
  std::printf("anon_peak_kib\t%ld\n", anon.PeakKib());
  return 0;
}
