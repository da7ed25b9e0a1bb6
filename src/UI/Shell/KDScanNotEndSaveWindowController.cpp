#include "UI/Shell/KDScanNotEndSaveWindowController.h"

#include "UI/Kit/TextFormat.h"
#include "UI/Kit/Texts.h"

namespace quellsy::ui {

KDScanNotEndSaveWindowController::KDScanNotEndSaveWindowController()
    : RecoveryEndWindow(QStringLiteral("recoveryNotEndWindow"), QString()) {}

void KDScanNotEndSaveWindowController::changeRecoveryFilesPoint(std::uint64_t copied, const QString& folder) {
  SetNote(FormatText(Text("RVT_FOUR_RECOVER_NOTEND_NODE"), {static_cast<unsigned long long>(copied)}));
  ShowFolder(folder);
}

}  // namespace quellsy::ui
