#pragma once
// The window that says a recovery was stopped early, with the number of files copied so far and the
// destination folder as a link.

#include <cstdint>

#include "UI/Shell/RecoveryEndWindow.h"

namespace quellsy::ui {

class KDScanNotEndSaveWindowController final : public RecoveryEndWindow {
  Q_OBJECT

 public:
  KDScanNotEndSaveWindowController();

  // The count as a whole number, however large.
  void changeRecoveryFilesPoint(std::uint64_t copied, const QString& folder);
};

}  // namespace quellsy::ui
