#pragma once
// The bridge's own result codes, one return point each; their words are ResultMessage's. The refusals are what
// the facade answers a start that the running work excludes (OperationStates).

#include "Utility/ResultCode.h"

namespace quellsy::bridge::result {

inline constexpr ResultCode kScanRunning = MakeFailure(module::kBridge, 1, error::kScanRunning);
inline constexpr ResultCode kScanPaused = MakeFailure(module::kBridge, 2, error::kScanPaused);
inline constexpr ResultCode kSearchRunning = MakeFailure(module::kBridge, 3, error::kSearchRunning);
inline constexpr ResultCode kRecoveryRunning = MakeFailure(module::kBridge, 4, error::kRecoveryRunning);
inline constexpr ResultCode kSaveRunning = MakeFailure(module::kBridge, 5, error::kSaveRunning);
inline constexpr ResultCode kRestoreRunning = MakeFailure(module::kBridge, 6, error::kRestoreRunning);
inline constexpr ResultCode kNoScanRunning = MakeFailure(module::kBridge, 7, error::kNoScanRunning);
inline constexpr ResultCode kScanNotPaused = MakeFailure(module::kBridge, 8, error::kScanNotPaused);
inline constexpr ResultCode kAlreadyPaused = MakeFailure(module::kBridge, 9, error::kScanAlreadyPaused);
inline constexpr ResultCode kNoSuchDevice = MakeFailure(module::kBridge, 10, error::kNoSuchDevice);
inline constexpr ResultCode kNoThread = MakeFailure(module::kBridge, 11, error::kNoThread);
inline constexpr ResultCode kStaleNode = MakeFailure(module::kBridge, 12, error::kStaleNode);
// The scanned device, listed although it could not be opened, still cannot be.
inline constexpr ResultCode kDeviceCannotOpen = MakeFailure(module::kBridge, 13, error::kImageCannotOpen);
inline constexpr ResultCode kDeviceNotPermitted = MakeFailure(module::kBridge, 14, error::kImageNotReadable);

}  // namespace quellsy::bridge::result
