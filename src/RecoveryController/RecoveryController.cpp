#include "RecoveryController/RecoveryController.h"

#include <new>

#include "RecoveryController/CompleteRecoveryController.h"
#include "RecoveryController/DeletedRecoveryController.h"
#include "RecoveryController/PartitionRecoveryController.h"

IRecoveryController* CreateRecoveryController(_RECOVERY_CONTROLLER_TYPE type) {
  switch (type) {
    case RECOVERY_CONTROLLER_QUICK:
      return new (std::nothrow) CDeletedRecoveryController();
    case RECOVERY_CONTROLLER_COMPLETE_VOLUME:
      return new (std::nothrow) CCompleteRecoveryController();
    case RECOVERY_CONTROLLER_COMPLETE_DISK:
      return new (std::nothrow) CPartitionRecoveryController();
    default:
      return nullptr;
  }
}

bool SetRestoreScanSink(IRecoveryController* controller, RestoreScanSink* sink) {
  auto* base = dynamic_cast<CRecoveryControllerBase*>(controller);
  if (!base) return false;
  base->SetRestoreScanSink(sink);
  return true;
}
