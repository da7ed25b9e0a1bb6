#pragma once
// What the application journeys share: the journey disk (make-journey-disk.sh, made once per build tree) attached
// with losetup -P, the program set up in-process as `quellsy` sets itself up (its backend's last step, ending the
// process, noted instead), and a driver that clicks through its real windows: the file panels answered with the
// test's paths, the alerts and windows shown through the modal runner noted and answered by name.

#include <QAbstractItemView>
#include <QModelIndex>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Bridge/OperationStates.h"
#include "UI/App/ApplicationSession.h"
#include "UI/Backend/BridgeBackend.h"
#include "UI/Results/KDDeletailWindowController.h"
#include "UI/Shell/KDRootWindowController.h"
#include "support/FixtureScript.h"
#include "support/LoopDevice.h"
#include "support/ScopedEnv.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace quellsy::ui {
class ResultsBrowser;
}

namespace quellsy::ui::test {

// One file of the journey disk's manifest.
struct DiskFile {
  std::string partition;  // "fat32", "ntfs", "exfat"
  std::string path;       // inside the volume, "/" separated
  std::uint64_t size = 0;
  std::string sha256;
  bool deleted = false;
};

using Contents = quellsy::test::FileDigests;

// The journey disk as made once for the build tree.
class JourneyDisk {
 public:
  static const JourneyDisk& Get();
  const quellsy::test::FixtureRun& Fixture() const { return run_; }
  const std::filesystem::path& Image() const { return image_; }
  const std::vector<DiskFile>& Files() const { return files_; }
  // The partitions in table order.
  static const std::vector<std::string>& Partitions();

 private:
  JourneyDisk();
  quellsy::test::TempDir dir_;
  quellsy::test::FixtureRun run_;
  std::filesystem::path image_;
  std::vector<DiskFile> files_;
};

// The deleted files of a partition below folder ("" for all), as the manifest gives them.
std::vector<DiskFile> DeletedIn(const std::string& partition, const std::string& folder = std::string());
Contents ContentsOf(const std::vector<DiskFile>& files);
// The summary line as the results window writes it ("Found", "Selected"): bytes, or decimal units with two
// decimals from a kilobyte on, and the count of files, each in its singular or plural form.
QString SummaryLine(const char* verb, std::uint64_t bytes, std::size_t files);

// Holds the worker of one kind of operation before its work until released (also when the test fails), so the
// operation surely runs when the test acts on it.
class HeldWorker {
 public:
  explicit HeldWorker(bridge::FacadeStart start);
  ~HeldWorker();
  bool Held();
  void Release();

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  bool held_ = false;
  bool released_ = false;
};

// A deleted FAT entry has lost its name's first character: names are compared from the second on, lower case.
QString NameTail(const std::string& name);
QString BaseNameTail(const std::string& path);
// The name tails of the files the list pane shows, and of files.
std::set<QString> ListedNames(ResultsBrowser* browser);
std::set<QString> NameTails(const std::vector<DiskFile>& files);
// The path tree's row of folder (one level below the file-system root), expanded to it; invalid when missing.
QModelIndex FolderRow(ResultsBrowser* browser, const std::string& folder);
// Clicks the row's check box, or the row itself.
void ClickBox(QAbstractItemView* view, const QModelIndex& index);
void ClickRow(QAbstractItemView* view, const QModelIndex& index);
// Types text into the search field, presses Return and waits for the search's end.
void Search(KDDeletailWindowController* results, const QString& text);
// Empties the search field and waits until the listing is the folder's again.
void ClearSearch(KDDeletailWindowController* results);
// Searches for key: the listing holds the files among whose names hold it. The search is cleared again.
void ExpectSearchListsMatching(KDDeletailWindowController* results, const QString& key,
                               const std::vector<DiskFile>& among);
std::uint64_t TotalSize(const std::vector<DiskFile>& files);

// The backend of the program with its last step, ending the process, only noted.
class InProcessBackend : public BridgeBackend {
 public:
  void CloseApp() override { ++closeCalls_; }
  int closeCalls() const { return closeCalls_; }

 private:
  int closeCalls_ = 0;
};

// One start of the program: its session over the real bridge, launched, with its main window shown.
struct RunningProgram {
  RunningProgram();
  ~RunningProgram();
  KDRootWindowController* Root() const;

  InProcessBackend backend;
  std::unique_ptr<ApplicationSession> session;
};

class JourneyFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A private copy of the journey disk attached with its partitions listed; an empty string, or why the machine
  // cannot (a failed fixture records a failure).
  std::string AttachDisk();
  // The same for a copy of image, whose table lists partitions partitions (0: none).
  std::string AttachImage(const std::filesystem::path& image, std::size_t partitions);
  // The copy's file name: the name the device list gives the disk.
  std::string DiskName() const { return diskImage_.filename().string(); }

  // Starts the program again (the previous one, with every window, gone).
  RunningProgram& Start();
  void Quit();

  // In the main window: the scan mode (deleteButton quick, completeButton complete), Continue, the disk's
  // partition (by index; -1 for the disk itself), Scan. The results window, or null.
  KDDeletailWindowController* ScanFromTheMainWindow(const char* modeTile, int partition);
  // Waits for the scan's end as the window shows it (the summary replaces the found count).
  static bool WaitForScanEnd(KDDeletailWindowController* results, int seconds = 180);
  // The shown results window, or null.
  static KDDeletailWindowController* ShownResultsWindow();

  // The file panels answered with these paths: a folder panel with folder, a save or open panel with file.
  void AnswerPanelsWith(const std::filesystem::path& folder, const std::filesystem::path& file);
  // What to click in a window the modal runner shows, by the window's and the button's object names.
  void AnswerWith(const std::string& window, const char* button) { answers_[window] = button; }
  std::size_t TimesShown(const std::string& name) const;
  bool WaitShown(const std::string& name, std::size_t times = 1, int seconds = 120);
  const std::vector<std::string>& Shown() const { return shown_; }
  // The summary and the facade's selection are the count and size of files.
  void ExpectSelected(KDDeletailWindowController* results, const std::vector<DiskFile>& files) const;
  // The informative texts of the alerts shown.
  const std::vector<QString>& AlertTexts() const { return alertTexts_; }
  // The same, quoted, for a failure's message.
  std::string AlertsSeen() const;

  quellsy::test::TempDir home_;
  std::unique_ptr<RunningProgram> program_;
  quellsy::test::LoopDevice loop_;
  std::filesystem::path diskImage_;

 private:
  void AnswerPanels();
  void Answer(QWidget* window);

  const std::string config_ = (home_ / "config").string();
  const std::string state_ = (home_ / "state").string();
  quellsy::test::ScopedEnv xdgConfig_{"XDG_CONFIG_HOME", config_.c_str()};
  quellsy::test::ScopedEnv xdgState_{"XDG_STATE_HOME", state_.c_str()};
  QTimer panelAnswerer_;
  std::filesystem::path panelFolder_;
  std::filesystem::path panelFile_;
  std::map<std::string, const char*> answers_;
  std::vector<std::string> shown_;
  std::vector<QString> alertTexts_;
};

}  // namespace quellsy::ui::test
