#pragma once
// The window that says a recovery has finished, with the destination folder as a link; when some files could
// not be copied it says how many.

#include <cstdint>

#include "UI/Shell/RecoveryEndWindow.h"

namespace quellsy::ui {

class KDScanEndSaveWindowController final : public RecoveryEndWindow {
  Q_OBJECT

 public:
  KDScanEndSaveWindowController();

  void setSavePathStr(const QString& folder);
  // Files the recovery could not copy; 0 says nothing of them.
  void setFailedFiles(std::uint64_t count);

 private:
  std::uint64_t failed_ = 0;
};

}  // namespace quellsy::ui
