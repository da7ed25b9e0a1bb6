// The windows of saving and opening scan results: the progress window saving and loading, the failure alerts
// of a load and of a save, and the export's questions about the chosen folder.

#include <QProgressBar>

#include "Gallery.h"
#include "UI/Kit/AlertPanel.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/Texts.h"
#include "UI/Shell/KDProgressWindow.h"

namespace quellsy::gallery {
namespace {

using ui::AlertPanel;
using ui::KDProgressWindow;
using ui::Text;

// The progress window with its bar at tenths of a percent done, drawn; the window goes with its controller.
std::unique_ptr<QWidget> ProgressState(const char* name, bool save, int tenths) {
  KDProgressWindow progress(name, save);
  progress.progress()->setValue(tenths);
  progress.window()->show();
  return Composite({progress.window()});
}

std::unique_ptr<QWidget> AlertState(const QString& message, const QString& defaultButton, const QString& alternate,
                                    const QString& other, const QString& informative) {
  auto alert = std::make_unique<AlertPanel>(message, defaultButton, alternate, other, informative);
  alert->show();
  return Composite({alert.get()});
}

}  // namespace

void AddScanResultStates(Gallery& gallery) {
  gallery.Add({QStringLiteral("progresswindow-save"), QStringLiteral("The progress window saving scan results, 40 % done"),
               [] { return ProgressState("QueryProgressInfo", true, 400); }});
  gallery.Add({QStringLiteral("progresswindow-load"),
               QStringLiteral("The progress window opening a scan-result file, 70 % done"),
               [] { return ProgressState("NormalScranValue", false, 700); }});
  gallery.Add({QStringLiteral("alert-read-rsf-failed"),
               QStringLiteral("A scan-result file that cannot be read (damaged, cut short, empty, or its device gone)"),
               [] {
                 return AlertState(QString(), Text("RVT_FOUR_RECOVERY_NO_COMPETENCE_YES_BUTTON"), QString(), QString(),
                                   Text("READ_RSF_FAILED"));
               }});
  gallery.Add({QStringLiteral("alert-save-write-failed"),
               QStringLiteral("A save that could not write its file completely; nothing was kept"), [] {
                 return AlertState(QString(), Text("RVT_FOUR_RECOVERY_NO_COMPETENCE_YES_BUTTON"), QString(), QString(),
                                   KDProgressWindow::FailureText(true, 8));
               }});
  gallery.Add({QStringLiteral("alert-save-cannot-write"),
               QStringLiteral("The export's folder takes no new file: choose another or give up"), [] {
                 return AlertState(QStringLiteral("Warning!"), Text("CHANG_DESTINATION"),
                                   Text("RVT_FOUR_SCAN_STOP_NO_BUTTON"), QString(), Text("SAVE_CANNOT_WRITE"));
               }});
  gallery.Add({QStringLiteral("alert-save-same-disk"),
               QStringLiteral("The export's folder lies on the scanned device: choose another, give up or save there"),
               [] {
                 return AlertState(Text("SAVE_SAME_DISK_WARNING"), Text("CHANG_DESTINATION"),
                                   Text("RVT_FOUR_SCAN_STOP_NO_BUTTON"), Text("SAVE_SAME_DISK_SAVE_BUTTON"),
                                   Text("SAVE_SAME_DISK_PROMPT"));
               }});
}

}  // namespace quellsy::gallery
