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

void ShowResults(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace

QString LastScanResultFolder() {
  const QString saved = QString::fromStdString(Backend().GetSavePath());
  if (saved.isEmpty()) return QString();
  const QString folder = QFileInfo(saved).absolutePath();
  return QFileInfo(folder).isDir() ? folder : QString();
}

QString ChooseScanResultFile(QWidget* parent) {
  QFileDialog panel(parent, Text("RVT_TWO_IMPORT_BUTTON_TIP"));
  panel.setObjectName(QStringLiteral("importPanel"));
  panel.setAccessibleName(Text("RVT_TWO_IMPORT_BUTTON_TIP"));
  panel.setOption(QFileDialog::DontUseNativeDialog);
  panel.setAcceptMode(QFileDialog::AcceptOpen);
  panel.setFileMode(QFileDialog::ExistingFile);
  const QString extension = QLatin1String(kScanResultExtension);
  panel.setNameFilter(QStringLiteral("%1 (*.%1 *.%2)").arg(extension, extension.toLower()));
  if (const QString folder = LastScanResultFolder(); !folder.isEmpty()) {
    panel.setDirectory(folder);
    const QString saved = QString::fromStdString(Backend().GetSavePath());
    if (QFileInfo(saved).isFile()) panel.selectFile(saved);
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
  const QString file = ChooseScanResultFile(root.window());
  if (!file.isEmpty()) OpenScanResult(root, file.toStdString());
}

void OpenScanResult(KDRootWindowController& root, const std::string& path) {
  if (IResultsWindow* results = OpenScanResultFile(root.window(), path)) root.showImportedResults(results, path);
}

}  // namespace quellsy::ui
