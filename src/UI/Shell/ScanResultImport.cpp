#include "UI/Shell/ScanResultImport.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QWidget>

#include "UI/Backend/IFacadeBackend.h"
#include "UI/Kit/NotificationObserver.h"
#include "UI/Kit/Texts.h"
#include "UI/Shell/KDProgressWindow.h"
#include "UI/Shell/KDRootWindowController.h"
#include "UI/Shell/ResultsWindowHandOver.h"

namespace quellsy::ui {
namespace {

constexpr const char* kRestoreProgress = "NormalScranValue";
// Every kind of file a restored scan shows.
constexpr unsigned kAllTypes = 127;
constexpr const char* kImportCheck = "scanResultImportCheck";

void ShowResults(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace

QString ScanResultFolderOf(const QString& saved) { return QFileInfo(saved).absolutePath(); }

DestinationCheck* ImportCheck(KDRootWindowController& root) {
  if (auto* check = root.findChild<DestinationCheck*>(QLatin1String(kImportCheck), Qt::FindDirectChildrenOnly))
    return check;
  auto* check = new DestinationCheck(&root);
  check->setObjectName(QLatin1String(kImportCheck));
  return check;
}

QString ChooseScanResultFile(QWidget* parent, const DestinationLooks& lastSaved) {
  QFileDialog panel(parent, Text("RVT_TWO_IMPORT_BUTTON_TIP"));
  panel.setObjectName(QStringLiteral("importPanel"));
  panel.setAccessibleName(Text("RVT_TWO_IMPORT_BUTTON_TIP"));
  panel.setOption(QFileDialog::DontUseNativeDialog);
  panel.setAcceptMode(QFileDialog::AcceptOpen);
  panel.setFileMode(QFileDialog::ExistingFile);
  const QString extension = QLatin1String(kScanResultExtension);
  panel.setNameFilter(QStringLiteral("%1 (*.%1 *.%2)").arg(extension, extension.toLower()));
  if (!lastSaved.path.empty() && lastSaved.parentIsFolder) {
    const QString saved = QString::fromStdString(lastSaved.path);
    panel.setDirectory(ScanResultFolderOf(saved));
    if (lastSaved.isFile) panel.selectFile(saved);
  }
  if (panel.exec() != QDialog::Accepted || panel.selectedFiles().isEmpty()) return QString();
  return panel.selectedFiles().constFirst();
}

IResultsWindow* OpenScanResultFile(QWidget* mainWindow, const std::string& path) {
  Backend().SetRecoveryType(kAllTypes);
  IResultsWindow* results = MakeResultsWindow();
  if (!results) return nullptr;
  QWidget* window = results->window();
  if (mainWindow) KDRootWindowController::PlaceResultsWindow(window, mainWindow->frameGeometry());
  if (Backend().beginSaveOrRestoreNode(false, path, std::string()) != 0) {
    // Another operation still runs: nothing was read, and the window is not wanted.
    delete window;
    KDProgressWindow::AlertFailure(false, 0);
    return nullptr;
  }
  results->getImportData(path);
  // The progress window asks for the results once they are in.
  QObject shower;
  ObserveNotification(&shower, KDProgressWindow::kShowDetailWindow,
                      [window](const bridge::Notification&) { ShowResults(window); });
  const bool restored = KDProgressWindow(kRestoreProgress, false).runModal();
  StopObserving(&shower);
  if (!restored) {
    results->clearImportData();
    delete window;
    if (mainWindow) mainWindow->activateWindow();
    return nullptr;
  }
  ShowResults(window);
  return results;
}

void ImportScanResult(KDRootWindowController& root) {
  DestinationCheck* check = ImportCheck(root);
  if (check->running()) return;
  // The check goes with the main window, and the answer with it.
  check->Start(Backend().GetSavePath(), kLookKind | kLookParentIsFolder, [&root](const DestinationLooks& looks) {
    const QString file = ChooseScanResultFile(root.window(), looks);
    if (!file.isEmpty()) OpenScanResult(root, file.toStdString());
  });
}

void OpenScanResult(KDRootWindowController& root, const std::string& path) {
  if (IResultsWindow* results = OpenScanResultFile(root.window(), path)) root.showImportedResults(results, path);
}

}  // namespace quellsy::ui
