#pragma once
// The archive interface of a scan-result file: one fixed header, then frames named by GUID, each a 36-byte frame
// header and its payload. All integers are little-endian; positions and frame sizes are 32-bit, so an archive
// stops at 4 GiB. The NTFS engine writes parts of its search state into a frame its caller has open.

#include <array>
#include <cstdint>

// A frame's kind, in the usual GUID byte layout (first three groups little-endian).
struct tagGUIDSIGN {
  std::array<std::uint8_t, 16> bytes{};
  bool operator==(const tagGUIDSIGN&) const = default;
};

// The bytes that open the file header and every frame header.
inline constexpr tagGUIDSIGN _frSignPub{{0xEA, 0xF4, 0xB3, 0x1C, 0x05, 0x43, 0xB6, 0x4A, 0xB4, 0xB8, 0x24, 0x4A,
                                         0x33, 0xD9, 0x13, 0xBB}};

enum FileStatus : std::uint32_t { FILE_STATUS_NONE = 0, FILE_STATUS_SAVED = 1, FILE_STATUS_LAST_VALID = 4 };
enum RSMode : int { RS_MODE_READ = 0, RS_MODE_WRITE = 1 };

struct FILEHEADER {
  static constexpr std::uint32_t kSize = 132;
  static constexpr std::uint32_t kVersion = 5800;
  static constexpr std::uint32_t kDescriptionCapacity = 100;

  tagGUIDSIGN signature = _frSignPub;
  std::uint32_t version = 0;
  std::uint32_t checksum = 0;
  std::uint32_t status = FILE_STATUS_NONE;
  std::uint32_t descriptionLength = 0;
  std::array<char, kDescriptionCapacity> description{};
};

// What a failed archive operation throws.
class CRSException {
 public:
  enum : std::uint32_t {
    kHeaderOutOfRange = 2,
    kWrongMode = 3,
    kShortRead = 5,
    kWriteFailed = 6,
    kFrameNotFound = 7,
    kNoFrame = 8,
    kTooLarge = 9,  // the write would carry a position or a frame size past 32 bits
    kBadRecord = 10,  // a record inside a frame holds a value out of its range
  };
  explicit CRSException(std::uint32_t code) : code_(code) {}
  virtual ~CRSException() = default;
  virtual std::uint32_t GetErrorcode() const { return code_; }

 private:
  std::uint32_t code_;
};

class IRSData {
 public:
  static constexpr std::uint32_t kFrameHeaderSize = 36;

  virtual ~IRSData() = default;
  // With the file just opened: whether its first 132 bytes start with the signature and a status of 1 to 4.
  virtual bool CheckFile() = 0;
  // A read archive opens path read-only; a write archive creates it (truncating it when create is non-zero).
  virtual bool StartRS(const char* path, int create) = 0;
  virtual bool EndRS() = 0;
  // Stores the header with version 5800 and its CRC-16; false in read mode or when the write fails.
  virtual bool WriteFileHeader(const FILEHEADER& header) = 0;
  // False on a short read, a checksum that does not match or another version.
  virtual bool ReadFileHeader(FILEHEADER& header) = 0;
  virtual FileStatus GetStatus() = 0;
  virtual bool SetStatus(FileStatus status) = 0;
  // At most 100 bytes are kept.
  virtual bool SetFileDescription(const char* text) = 0;
  virtual bool GetFileDescription(char* buffer, int size) = 0;
  // Write mode appends a frame; read mode finds the first frame of that GUID (error 7 when there is none).
  virtual bool OpenFrame(const tagGUIDSIGN& guid) = 0;
  virtual bool CloseFrame() = 0;
  virtual std::uint32_t GetFrameSize() = 0;
  // Reads min(length, what is left of the frame) bytes; *got receives the count when given.
  virtual bool ReadCurFrame(void* buffer, std::uint32_t length, std::uint32_t* got = nullptr) = 0;
  virtual bool WriteCurFrame(const void* buffer, std::uint32_t length) = 0;
  virtual bool FlushBuffer() = 0;
};
