#pragma once
// A stand-in for the results window while a window test runs: installed as the factory the root window hands
// its scan to, it records what it was handed (device, scan type, Desktop flag) and when the scan was started
// (getData) or which scan-result file it was to show (getImportData), and runs what the test asks for then.

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "UI/Shell/ResultsWindowHandOver.h"

namespace quellsy::test {

struct HandOver {
  std::shared_ptr<DiskVolumeNodeData> data;
  int type = 0;
  int desktop = -1;
  bool gotData = false;
  std::string importPath;  // what getImportData was handed
  bool importCleared = false;
  QPointer<QWidget> window;
};

class FakeResultsWindows {
 public:
  static constexpr QSize kSize{1000, 680};

  FakeResultsWindows();
  ~FakeResultsWindows();
  FakeResultsWindows(const FakeResultsWindows&) = delete;
  FakeResultsWindows& operator=(const FakeResultsWindows&) = delete;

  // Run when a results window is asked to start its scan.
  void SetOnGetData(std::function<void(HandOver&)> start) { onGetData_ = std::move(start); }

  int Made() const { return static_cast<int>(handed_.size()); }
  const HandOver& Last() const { return *handed_.back(); }
  // Closes every results window still open.
  void CloseAll();

 private:
  std::vector<std::unique_ptr<HandOver>> handed_;
  std::function<void(HandOver&)> onGetData_;
};

}  // namespace quellsy::test
