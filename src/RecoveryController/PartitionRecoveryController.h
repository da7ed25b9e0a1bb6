#pragma once
// The complete scan of a whole disk: the complete scan, under the type that tells the application a disk was
// scanned.

#include "RecoveryController/CompleteRecoveryController.h"

class CPartitionRecoveryController final : public CCompleteRecoveryController {
 public:
  _RECOVERY_CONTROLLER_TYPE thisType() override { return RECOVERY_CONTROLLER_COMPLETE_DISK; }
};
