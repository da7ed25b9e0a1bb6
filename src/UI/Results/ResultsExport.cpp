// The export of scan results from the results window: the save panel, the checks on the chosen folder (it must
// be writable; one on the scanned device is asked about), the save with its progress window, and what a
// successful save leaves behind (the file's path under "SavePath", the results counted as saved). The panel's
// starting folder and the chosen folder are looked at off the GUI thread (DestinationCheck); Export is ignored
// until the answer is in.

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <memory>

#include "UI/Backend/IFacadeBackend.h"
#include "UI/Kit/AlertPanel.h"
#include "UI/Kit/Texts.h"
#include "UI/Results/KDDeletailWindowController.h"
#include "UI/Shell/KDProgressWindow.h"
#include "UI/Shell/ScanResultImport.h"
#include "Utility/CatchExeception.h"

namespace quellsy::ui {
namespace {

constexpr const char* kExtension = kScanResultExtension;
constexpr const char* kSaveProgress = "QueryProgressInfo";

// The file the user chose in the save panel, with the extension of scan-result files; empty when cancelled.
QString ChooseExportFile(QWidget* parent, const QString& startingFolder, const QString& proposedName) {
  QFileDialog panel(parent, Text("RVT_FOUR_SAVE_BUTTON_TIP"));
  panel.setObjectName(QStringLiteral("exportPanel"));
  panel.setAccessibleName(Text("RVT_FOUR_SAVE_BUTTON_TIP"));
  panel.setOption(QFileDialog::DontUseNativeDialog);
  panel.setAcceptMode(QFileDialog::AcceptSave);
  panel.setFileMode(QFileDialog::AnyFile);
  panel.setNameFilter(QStringLiteral("%1 (*.%1)").arg(QLatin1String(kExtension)));
  panel.setDefaultSuffix(QLatin1String(kExtension));
  panel.setDirectory(startingFolder);
  panel.selectFile(proposedName);
  if (panel.exec() != QDialog::Accepted || panel.selectedFiles().isEmpty()) return QString();
  QString file = panel.selectedFiles().constFirst();
  if (QFileInfo(file).suffix().compare(QLatin1String(kExtension), Qt::CaseInsensitive) != 0)
    file += QLatin1Char('.') + QLatin1String(kExtension);
  return file;
}

int Ask(const char* name, const QString& message, const QString& informative, const QString& defaultButton,
        const QString& alternateButton, const QString& otherButton) {
  const std::unique_ptr<AlertPanel> alert(
      AlertPanel::alertWithMessageText(message, defaultButton, alternateButton, otherButton, informative));
  alert->setObjectName(QString::fromLatin1(name));
  return alert->runModal();
}

}  // namespace

DestinationCheck* KDDeletailWindowController::exportCheck() {
  if (!exportCheck_) exportCheck_ = new DestinationCheck(this);
  return exportCheck_;
}

void KDDeletailWindowController::exportButtonAction() {
  // Imported results are not exported again; a folder still being looked at answers first.
  if (isImport_ || exportCheck()->running()) return;
  // The panel starts in the folder of the file saved last while it still is one.
  const QString saved = QString::fromStdString(Backend().GetSavePath());
  exportCheck()->Start(saved.toStdString(), kLookParentIsFolder, [this, saved](const DestinationLooks& looks) {
    ChooseExport(looks.parentIsFolder ? ScanResultFolderOf(saved) : QDir::homePath());
  });
}

void KDDeletailWindowController::ChooseExport(const QString& startingFolder) {
  // The window closed while its folder was looked at (it goes with its next turn of the event loop): no panel.
  if (!aWindow_->isVisible()) return;
  const QString file =
      ChooseExportFile(aWindow_, startingFolder, QString::fromStdString(Backend().GetSaveFileName()));
  if (file.isEmpty()) return;
  // Only the folder the file goes into counts: a save there could not even begin.
  exportCheck()->Start(QFileInfo(file).absolutePath().toStdString(), kLookTakesFiles | kLookDevice,
                       [this, file](const DestinationLooks& looks) { ExportChecked(file, looks); });
}

void KDDeletailWindowController::ExportChecked(const QString& file, const DestinationLooks& looks) {
  if (!aWindow_->isVisible()) return;
  if (!looks.takesFiles) {
    if (Ask("saveCannotWriteAlert", QStringLiteral("Warning!"), Text("SAVE_CANNOT_WRITE"), Text("CHANG_DESTINATION"),
            Text("RVT_FOUR_SCAN_STOP_NO_BUTTON"), QString()) != AlertPanel::kAlternateReturn)
      exportButtonAction();
    return;
  }
  if (Backend().IsRecoveryToSameDevice(looks.device)) {
    const int answer = Ask("saveSameDiskAlert", Text("SAVE_SAME_DISK_WARNING"), Text("SAVE_SAME_DISK_PROMPT"),
                           Text("CHANG_DESTINATION"), Text("RVT_FOUR_SCAN_STOP_NO_BUTTON"),
                           Text("SAVE_SAME_DISK_SAVE_BUTTON"));
    if (answer == AlertPanel::kAlternateReturn) return;
    if (answer == AlertPanel::kDefaultReturn) {
      exportButtonAction();
      return;
    }
  }
  const std::string path = file.toStdString();
  CatchExeception::WriteLog("Call Logic code save file %s\n", path.c_str());
  // The save is started before its poll: a poll that began first could find nothing running and report the
  // end of a save that has not started.
  if (Backend().beginSaveOrRestoreNode(true, path, std::string()) != 0) {
    Ask("saveNotStartedAlert", QString(), KDProgressWindow::FailureText(true, 0),
        Text("RVT_FOUR_RECOVERY_NO_COMPETENCE_YES_BUTTON"), QString(), QString());
    return;
  }
  Backend().RestorPostUIUpdate(kSaveProgress, true);
  const bool saved = KDProgressWindow(kSaveProgress, true).runModal();
  if (aWindow_) aWindow_->activateWindow();
  if (!saved) return;
  bSave_ = true;
  Backend().SavePathToPList(path);
}

}  // namespace quellsy::ui
