// The windows of a recovery on their own: the progress window in its three panes and the finished and stopped
// windows.

#include "Gallery.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Shell/KDScanEndSaveWindowController.h"
#include "UI/Shell/KDScanNotEndSaveWindowController.h"
#include "UI/Shell/KDShowScanProgressWindowController.h"

namespace quellsy::gallery {
namespace {

using ui::KDShowScanProgressWindowController;

const QString kFolder = QStringLiteral("/media/anna/Backup/Recovered files");

// The controller belongs to its window, which the gallery owns.
std::unique_ptr<QWidget> ProgressWindow(const std::function<void(KDShowScanProgressWindowController&)>& into) {
  auto* progress = new KDShowScanProgressWindowController;
  std::unique_ptr<QWidget> window(progress->window());
  const QString name = QStringLiteral("IMG_0412.JPG");
  progress->changeProgressValue(37.5, &name);
  into(*progress);
  return window;
}

}  // namespace

void AddRecoveryStates(Gallery& gallery) {
  gallery.Add({QStringLiteral("recovery-progress-running"),
               QStringLiteral("The recovery's progress window: the bar, the file being copied and Stop"),
               [] { return ProgressWindow([](KDShowScanProgressWindowController&) {}); }});
  gallery.Add({QStringLiteral("recovery-progress-stopping"),
               QStringLiteral("Stop asks first, the recovery paused meanwhile: Stop ends it, Continue goes on"),
               [] {
                 return ProgressWindow(
                     [](KDShowScanProgressWindowController& progress) { progress.stopProgressButtonAction(); });
               }});
  gallery.Add({QStringLiteral("recovery-progress-nospace"),
               QStringLiteral("The destination is full: the recovery waits until room is made and Continue is "
                              "pressed, or Cancel ends it"),
               [] {
                 return ProgressWindow(
                     [](KDShowScanProgressWindowController& progress) { progress.setNoMemeryViewHidden(); });
               }});
  gallery.Add({QStringLiteral("recovery-end-finished"),
               QStringLiteral("A finished recovery, the destination folder as a link that opens it"), [] {
                 auto* end = new ui::KDScanEndSaveWindowController;
                 end->setSavePathStr(kFolder);
                 return std::unique_ptr<QWidget>(end->window());
               }});
  gallery.Add({QStringLiteral("recovery-end-failures"),
               QStringLiteral("A finished recovery in which some files could not be copied, with their count"), [] {
                 auto* end = new ui::KDScanEndSaveWindowController;
                 end->setSavePathStr(kFolder);
                 end->setFailedFiles(3);
                 return std::unique_ptr<QWidget>(end->window());
               }});
  gallery.Add({QStringLiteral("recovery-end-stopped"),
               QStringLiteral("A stopped recovery with the number of files copied so far"), [] {
                 auto* stopped = new ui::KDScanNotEndSaveWindowController;
                 stopped->changeRecoveryFilesPoint(1284, kFolder);
                 return std::unique_ptr<QWidget>(stopped->window());
               }});
}

}  // namespace quellsy::gallery
