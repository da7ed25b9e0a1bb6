#pragma once
// Making a scan's controller: quick (0), complete of a volume or image (1), complete of a whole disk (2).

#include "include/IRecoveryController.h"

class RestoreScanSink;

// A new controller freed with Release(), or null for any other type.
IRecoveryController* CreateRecoveryController(_RECOVERY_CONTROLLER_TYPE type);

// Makes the controller read the saved scan result from sink instead of scanning; call right after creating it.
// False for a null controller or one not made by CreateRecoveryController.
bool SetRestoreScanSink(IRecoveryController* controller, RestoreScanSink* sink);
