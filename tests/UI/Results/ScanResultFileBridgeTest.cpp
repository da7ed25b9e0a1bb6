// Export and import of scan results on the real bridge: a quick scan of a FAT image and of an NTFS image made
// at test time (mkfs.fat and mtools; mkntfs and ntfs-3g; each with its manifest) is exported from the results
// window, imported into a new one, shows the same found files, and its deleted files copy out with the
// manifest's SHA-256; a truncated, a bit-flipped and an empty scan-result file each give the "READ_RSF_FAILED"
// alert, leave no results window, and the good file imports after them.

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <map>

#include "Bridge/KDUIController.h"
#include "Bridge/KDUIDeviceData.h"
#include "Bridge/KDUIScan.h"
#include "Bridge/ResultTrees.h"
#include "Engines/BuiltInEngines.h"
#include "FakeEnumDeviceEx.h"
#include "FileArchive/RestoreFileNode.h"
#include "ResultsWindowFixture.h"
#include "ScanImages.h"
#include "UI/Backend/BridgeBackend.h"
#include "UI/Kit/AlertPanel.h"
#include "UI/Kit/Texts.h"
#include "UI/Shell/ResultsWindowHandOver.h"
#include "UI/Shell/ScanResultImport.h"
#include "support/FixtureScript.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace quellsy::ui::test {
namespace {

using quellsy::test::FakeDisk;
using quellsy::test::FakeEnumDeviceEx;
using quellsy::test::ScanImages;
using quellsy::test::ScanManifestEntry;
using quellsy::test::Sha256Hex;

// The found files a results window's path tree holds, by their path in the volume, with their sizes.
std::map<std::string, std::uint64_t> FoundFiles(const KDDeletailWindowController& window, IFacadeBackend& backend) {
  std::map<std::string, std::uint64_t> files;
  for (std::size_t id = 0; id < window.pathTree().Size(); ++id)
    for (IFileNode* file : backend.PathChildFiles(id)) files[quellsy::test::PathInVolume(file)] = file->GetFileSize();
  return files;
}

std::vector<std::uint8_t> Bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Write(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class ScanResultFileOnTheBridge : public ResultsWindowFixture {
 protected:
  void SetUp() override {
    ResultsWindowFixture::SetUp();
    RegisterBuiltInEngines();
    KDUIScan::ResetForTests();
    bridge::ResultTrees::ResetForTests();
    ModalRunner::setRunObserver([this](QWidget* window) {
      if (auto* alert = qobject_cast<AlertPanel*>(window)) alertTexts_.push_back(alert->informativeText());
      Answer(window);
    });
    AnswerWith("scanResultFailedAlert", "alertDefaultButton");
    SetResultsWindowFactory([this] {
      auto* window = new KDDeletailWindowController(Fast());
      made_.emplace_back(window);
      return window;
    });
  }
  void TearDown() override {
    SetResultsWindowFactory({});
    ResultsWindowFixture::TearDown();
    KDUIController::ResetForTests();
    bridge::ResultTrees::ResetForTests();
    KDUIScan::ResetForTests();
    KDUIDeviceData::ResetForTests();
  }

  // The results windows made by the factory that still exist.
  int ResultsWindows() const {
    return static_cast<int>(std::count_if(made_.begin(), made_.end(), [](const auto& made) { return !made.isNull(); }));
  }

  // Exports the window's results through its button, the save panel answered with file.
  void Export(KDDeletailWindowController* window, const std::filesystem::path& file) {
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
      for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* panel = qobject_cast<QFileDialog*>(widget); panel && panel->isVisible()) {
          panel->selectFile(QString::fromStdString(file.string()));
          static_cast<QDialog*>(panel)->accept();
        }
    });
    answer.start(1);
    Click(window->exportButton());
    // The folders are looked at off the GUI thread; the panel and the save come after.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->exportCheck()->running(); }, 60000));
  }

  // Imports file as the main window does; the results window once its restore has been taken in, else null.
  KDDeletailWindowController* Import(const std::filesystem::path& file) {
    IResultsWindow* results = OpenScanResultFile(nullptr, file.string());
    if (!results) return nullptr;
    auto* window = static_cast<KDDeletailWindowController*>(results);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !backend_.IsScanRunning() && window->selectFilesLabel()->isVisible(); },
                                60000));
    QCoreApplication::processEvents();
    return window;
  }

  // What a scan showed: its files by path with their sizes, and its summary line.
  struct Shown {
    std::map<std::string, std::uint64_t> files;
    QString summary;
  };

  // Lists disk as the only device, scans its first volume quickly in a results window and exports the results
  // to file through the window's button; the window goes afterwards, as when the user goes home.
  Shown ScanAndExport(const FakeDisk& disk, const std::filesystem::path& file) {
    disks_ = std::make_unique<FakeEnumDeviceEx>(std::vector{disk});
    KDUIDeviceData::ResetForTests(disks_.get());
    KDUIDeviceData::instance()->BeginInit();
    KDUIDeviceData::instance()->InitDeviceInfo();
    UseBackend(backend_);
    backend_.SetRecoveryType(127);
    const auto items = backend_.GetDeviceInfoToArray();
    EXPECT_EQ(items.size(), 1u);
    KDDeletailWindowController* scanned = Open(items.at(0)->childAtIndex(0), 1);
    scanned->getData();
    EXPECT_TRUE(QTest::qWaitFor([&] { return scanned->selectFilesLabel()->isVisible(); }, 120000));
    const Shown shown{FoundFiles(*scanned, backend_), scanned->selectFilesLabel()->text()};
    EXPECT_FALSE(shown.files.empty());
    Export(scanned, file.parent_path() / file.stem());
    EXPECT_TRUE(scanned->bSave());
    EXPECT_TRUE(std::filesystem::is_regular_file(file));
    EXPECT_EQ(backend_.GetSavePath(), file.string());
    EXPECT_TRUE(alertTexts_.empty());
    delete scanned->window();
    return shown;
  }

  // Imports file: the window shows what the scan showed, restored rather than scanned, and every file copied
  // out of it holds the bytes the manifest gives its deleted files (by the end of their names, sha256).
  void ExpectTheSameResultsAndBytes(const std::filesystem::path& file, const Shown& scanned,
                                    const std::vector<std::pair<std::string, std::string>>& deleted) {
    alertTexts_.clear();
    KDDeletailWindowController* imported = Import(file);
    ASSERT_NE(imported, nullptr);
    EXPECT_TRUE(alertTexts_.empty());
    EXPECT_TRUE(imported->isImport());
    EXPECT_TRUE(imported->window()->isVisible());
    EXPECT_FALSE(imported->exportButton()->isVisible());
    EXPECT_EQ(FoundFiles(*imported, backend_), scanned.files);
    EXPECT_EQ(imported->selectFilesLabel()->text(), scanned.summary);
    for (std::size_t id = 0; id < imported->pathTree().Size(); ++id)
      for (IFileNode* node : backend_.PathChildFiles(id)) {
        EXPECT_NE(dynamic_cast<SaveRestoreResult::RestoreFileNode*>(node), nullptr) << node->GetFileName();
        node->SetCheck(CHECKED_STATUS_CHECKED);
      }
    ASSERT_EQ(backend_.DoRecovery(dest_.path().string() + "/", "DoRecovery"), kResultOk);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !backend_.IsRecoveryRunning(); }, 60000));
    std::map<std::string, std::string> copies;  // file name -> SHA-256
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dest_.path()))
      if (entry.is_regular_file()) copies[entry.path().filename().string()] = Sha256Hex(Bytes(entry.path()));
    for (const auto& [tail, sha] : deleted) {
      const auto copy = std::find_if(copies.begin(), copies.end(), [&](const auto& named) {
        return named.first.size() >= tail.size() &&
               named.first.compare(named.first.size() - tail.size(), tail.size(), tail) == 0;
      });
      ASSERT_NE(copy, copies.end()) << tail;
      EXPECT_EQ(copy->second, sha) << tail;
    }
    EXPECT_EQ(deleted.size(), scanned.files.size());
  }

  BridgeBackend backend_;
  std::unique_ptr<FakeEnumDeviceEx> disks_;
  std::vector<QPointer<KDDeletailWindowController>> made_;
  std::vector<QString> alertTexts_;
  quellsy::test::TempDir out_;
  quellsy::test::TempDir dest_;
};

TEST_F(ScanResultFileOnTheBridge, AnExportedFatScanImportsWithTheSameFilesAndCopiesOutTheSameBytes) {
  const ScanImages* images = ScanImages::Get();
  QUELLSY_REQUIRE_FIXTURE(images->Fixture());
  const std::filesystem::path file = out_.path() / "card.Vortrane";
  const Shown scanned = ScanAndExport(images->FatVolumeDisk(FILE_SYSTEM_FAT16), file);
  ASSERT_FALSE(HasFailure());

  // Damaged copies: each is refused in words and leaves nothing behind.
  const std::vector<std::uint8_t> whole = Bytes(file);
  ASSERT_GT(whole.size(), 64u);
  std::vector<std::uint8_t> flipped = whole;
  flipped[4] ^= 0x10;
  const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> damaged = {
      {"truncated", std::vector<std::uint8_t>(whole.begin(), whole.begin() + static_cast<long>(whole.size() / 2))},
      {"bit-flipped", flipped},
      {"empty", {}}};
  for (const auto& [name, bytes] : damaged) {
    const std::filesystem::path copy = out_.path() / (std::string(name) + ".Vortrane");
    Write(copy, bytes);
    alertTexts_.clear();
    EXPECT_EQ(Import(copy), nullptr) << name;
    EXPECT_EQ(alertTexts_, std::vector<QString>{Text("READ_RSF_FAILED")}) << name;
    EXPECT_EQ(ResultsWindows(), 0) << name;
    EXPECT_FALSE(backend_.IsScanRunning()) << name;
  }

  // The good file after them. A deleted entry's name has lost its first character.
  std::vector<std::pair<std::string, std::string>> deleted;
  for (const ScanManifestEntry& entry : images->FatManifest())
    if (entry.deleted) deleted.emplace_back(entry.path.substr(entry.path.rfind('/') + 2), entry.sha256);
  ExpectTheSameResultsAndBytes(file, scanned, deleted);
}

TEST_F(ScanResultFileOnTheBridge, AnExportedNtfsScanImportsWithTheSameFilesAndCopiesOutTheSameBytes) {
  // An NTFS volume made with mkntfs and ntfs-3g: its deleted file was compressed.
  quellsy::test::TempDir fixture;
  const quellsy::test::FixtureRun run =
      quellsy::test::RunFixture("tests/NTFSSearch/make-ntfs-compressed-image.sh", {fixture.path().string()});
  QUELLSY_REQUIRE_FIXTURE(run);
  std::map<std::string, std::string> facts;
  std::vector<std::pair<std::string, std::string>> deleted;
  quellsy::test::ReadFixtureManifest(fixture.path() / "ntfs-compressed.img.manifest", facts,
                                     [&](const std::vector<std::string>& fields) {
                                       if (fields.at(3) == "1")
                                         deleted.emplace_back(fields.at(0).substr(fields.at(0).rfind('/') + 1),
                                                              fields.at(2));
                                     });
  ASSERT_FALSE(deleted.empty());
  const std::vector<std::uint8_t> bytes = Bytes(fixture.path() / "ntfs-compressed.img");
  FakeDisk disk{"Windows Disk", "sdw", 1, DISK_BUS_SATA, 0, {}, {}};
  disk.volumes.push_back({"PACKED", FILE_SYSTEM_NTFS, {}, "", static_cast<long long>(bytes.size() / 512), bytes});
  disk.sectors = disk.volumes[0].sectors + 2048;
  const std::filesystem::path file = out_.path() / "packed.Vortrane";
  const Shown scanned = ScanAndExport(disk, file);
  ASSERT_FALSE(HasFailure());
  ExpectTheSameResultsAndBytes(file, scanned, deleted);
}

}  // namespace
}  // namespace quellsy::ui::test
