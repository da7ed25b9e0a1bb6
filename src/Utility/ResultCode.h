#pragma once
// The engine's 64-bit result codes: top byte 0x01 for a failure, then the module byte,
// two bytes of source line and the 32-bit error number. 0 is success.

#include <cstdint>

namespace quellsy {

using ResultCode = std::uint64_t;

constexpr ResultCode kResultOk = 0;

namespace module {
constexpr std::uint8_t kEnumDevice = 0x03;
constexpr std::uint8_t kRecoveryController = 0x04;
constexpr std::uint8_t kHFSPlus = 0x05;
constexpr std::uint8_t kBridge = 0x06;
constexpr std::uint8_t kFATSearch = 0x0A;
constexpr std::uint8_t kExFat = 0x0B;
constexpr std::uint8_t kDataRecovery = 0x0D;
constexpr std::uint8_t kStorageDevice = 0x0E;
constexpr std::uint8_t kPartitionTable = 0x10;
constexpr std::uint8_t kNTFSQuickSearch = 0x12;
constexpr std::uint8_t kEngineCli = 0x20;
}  // namespace module

namespace error {
constexpr std::uint32_t kFailure = 1;
constexpr std::uint32_t kNotInitialised = 2;
constexpr std::uint32_t kUnsupported = 3;
constexpr std::uint32_t kOutOfMemory = 4;
constexpr std::uint32_t kBadArgument = 5;
constexpr std::uint32_t kBadStructure = 6;
constexpr std::uint32_t kNoPrivateData = 7;
constexpr std::uint32_t kSectorTooSmall = 8;
constexpr std::uint32_t kArrayTooSmall = 9;
constexpr std::uint32_t kCannotWriteOutput = 0xF;
constexpr std::uint32_t kFileSystemNotSupported = 0x401;
constexpr std::uint32_t kNoSearcher = 0x402;
constexpr std::uint32_t kBadArguments = 0x403;
constexpr std::uint32_t kWrongDeviceKind = 0x404;
constexpr std::uint32_t kBootSectorUnreadable = 0x405;  // the volume's first sectors could not be read
constexpr std::uint32_t kCompleteScanOnly = 0x406;      // a file system only the complete scan reads (APFS)
constexpr std::uint32_t kDeviceStoppedAnswering = 0x407;  // the device went away or shrank while it was scanned
constexpr std::uint32_t kScanRunning = 0x601;       // a start the running work excludes
constexpr std::uint32_t kScanPaused = 0x602;
constexpr std::uint32_t kSearchRunning = 0x603;
constexpr std::uint32_t kRecoveryRunning = 0x604;
constexpr std::uint32_t kSaveRunning = 0x605;
constexpr std::uint32_t kRestoreRunning = 0x606;
constexpr std::uint32_t kNoScanRunning = 0x607;
constexpr std::uint32_t kScanNotPaused = 0x608;
constexpr std::uint32_t kScanAlreadyPaused = 0x609;
constexpr std::uint32_t kNoSuchDevice = 0x60A;       // the device list has no such entry
constexpr std::uint32_t kNoThread = 0x60B;           // the system refused a thread
constexpr std::uint32_t kStaleNode = 0x60C;          // a node of an earlier scan's results
constexpr std::uint32_t kNoPartition = 0xD01;
constexpr std::uint32_t kNoReader = 0xD02;
constexpr std::uint32_t kShortWrite = 0xD03;
constexpr std::uint32_t kNoSpace = 0xD04;           // the destination is full
constexpr std::uint32_t kFileTooBig = 0xD05;        // the destination's file system cannot hold a file this big
constexpr std::uint32_t kIncomplete = 0xD06;        // a copy stopped or lost data: kept under a name saying so
constexpr std::uint32_t kCannotCreate = 0xD07;      // the destination refused a new file or folder
constexpr std::uint32_t kDestinationMissing = 0xD10;
constexpr std::uint32_t kDestinationNotFolder = 0xD11;
constexpr std::uint32_t kDestinationReadOnly = 0xD12;
constexpr std::uint32_t kDestinationOnScanned = 0xD13;
constexpr std::uint32_t kDestinationIsLink = 0xD14;
constexpr std::uint32_t kImageMissing = 0xE01;
constexpr std::uint32_t kImageIsFolder = 0xE02;
constexpr std::uint32_t kImageNotReadable = 0xE03;   // permission denied
constexpr std::uint32_t kImageWrongKind = 0xE04;     // a FIFO, socket or character device: reading it would wait
constexpr std::uint32_t kImageCannotOpen = 0xE05;
}  // namespace error

constexpr ResultCode MakeFailure(std::uint8_t moduleId, std::uint16_t line, std::uint32_t errorNumber) {
  return (ResultCode{0x01} << 56) | (ResultCode{moduleId} << 48) | (ResultCode{line} << 32) | errorNumber;
}

constexpr bool IsFailure(ResultCode code) { return (code >> 56) == 0x01; }
constexpr std::uint8_t ModuleOf(ResultCode code) { return static_cast<std::uint8_t>(code >> 48); }
constexpr std::uint16_t LineOf(ResultCode code) { return static_cast<std::uint16_t>(code >> 32); }
constexpr std::uint32_t ErrorOf(ResultCode code) { return static_cast<std::uint32_t>(code); }

static_assert(MakeFailure(module::kRecoveryController, 0x57, error::kFileSystemNotSupported) == 0x0104005700000401ULL);

}  // namespace quellsy
