#include "UI/Shell/KDScanEndSaveWindowController.h"

#include "UI/Kit/TextFormat.h"
#include "UI/Kit/Texts.h"

namespace quellsy::ui {

KDScanEndSaveWindowController::KDScanEndSaveWindowController()
    : RecoveryEndWindow(QStringLiteral("recoveryEndWindow"), Text("RVT_FOUR_RECOVER_END_TITLE")) {
  setFailedFiles(0);
}

void KDScanEndSaveWindowController::setSavePathStr(const QString& folder) { ShowFolder(folder); }

void KDScanEndSaveWindowController::setFailedFiles(std::uint64_t count) {
  failed_ = count;
  QString text = Text("RVT_FOUR_RECOVER_END_NODE");
  if (failed_ > 0)
    text = FormatText(Text("RVT_FOUR_RECOVER_END_FAILED_NODE"), {static_cast<unsigned long long>(failed_)});
  SetNote(text);
}

}  // namespace quellsy::ui
