#pragma once
// The result codes of the recovery controllers; the line field is fixed per return point, as scan logs show it.

#include "Utility/ResultCode.h"

namespace quellsy::controller {

using module::kRecoveryController;

constexpr ResultCode kQuickMissingArgument = MakeFailure(kRecoveryController, 0x38, error::kFailure);
constexpr ResultCode kQuickWholeDisk = MakeFailure(kRecoveryController, 0x43, error::kWrongDeviceKind);
constexpr ResultCode kQuickNoTreeBuilder = MakeFailure(kRecoveryController, 0x48, error::kOutOfMemory);
constexpr ResultCode kQuickTreeBuilderRefused = MakeFailure(kRecoveryController, 0x4B, error::kFailure);
constexpr ResultCode kQuickUnsupported = MakeFailure(kRecoveryController, 0x57, error::kFileSystemNotSupported);
// The volume record names no file system with a quick searcher because the volume's first sectors cannot be
// read; and an APFS container, which the complete scan reads.
constexpr ResultCode kQuickBootSectorUnreadable = MakeFailure(kRecoveryController, 0x5A, error::kBootSectorUnreadable);
constexpr ResultCode kQuickApfs = MakeFailure(kRecoveryController, 0x5B, error::kCompleteScanOnly);
// The device went away or shrank during the scan: the nodes found until then stay.
constexpr ResultCode kDeviceStoppedAnswering =
    MakeFailure(kRecoveryController, 0x60, error::kDeviceStoppedAnswering);
constexpr ResultCode kCompleteMissingArgument = MakeFailure(kRecoveryController, 0x45, error::kBadArguments);
constexpr ResultCode kCompleteNoTreeBuilder = MakeFailure(kRecoveryController, 0x55, error::kOutOfMemory);
constexpr ResultCode kCompleteTreeBuilderRefused = MakeFailure(kRecoveryController, 0x58, error::kFailure);
constexpr ResultCode kCompleteNoSearcher = MakeFailure(kRecoveryController, 0x8E, error::kNoSearcher);
constexpr ResultCode kBlockScanNoDevice = MakeFailure(kRecoveryController, 0xF8, error::kBadArgument);
constexpr ResultCode kBlockScanBadRange = MakeFailure(kRecoveryController, 0xFB, error::kBadArguments);

static_assert(kQuickMissingArgument == 0x104003800000001ULL);
static_assert(kQuickWholeDisk == 0x104004300000404ULL);
static_assert(kQuickNoTreeBuilder == 0x104004800000004ULL);
static_assert(kQuickTreeBuilderRefused == 0x104004B00000001ULL);
static_assert(kQuickUnsupported == 0x104005700000401ULL);
static_assert(kCompleteMissingArgument == 0x104004500000403ULL);
static_assert(kCompleteNoTreeBuilder == 0x104005500000004ULL);
static_assert(kCompleteTreeBuilderRefused == 0x104005800000001ULL);
static_assert(kCompleteNoSearcher == 0x104008E00000402ULL);
static_assert(kBlockScanNoDevice == 0x10400F800000005ULL);
static_assert(kDeviceStoppedAnswering == 0x104006000000407ULL);
static_assert(kBlockScanBadRange == 0x10400FB00000403ULL);

}  // namespace quellsy::controller
