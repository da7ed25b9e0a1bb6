#pragma once
// The archive of a scan-result file over one CStdFile. A write archive gathers frame payloads in a 512 KiB buffer
// and writes it out whole; a read archive reads a frame's payload through a buffer of the same size. One frame is
// open at a time; failures throw CRSException after clearing the pending error, so the archive stays usable.

#include <cstdint>
#include <vector>

#include "FileArchive/CStdFile.h"
#include "include/IRSData.h"

class CRSData final : public IRSData {
 public:
  static constexpr std::uint32_t kBufferSize = 524288;
  static constexpr std::uint32_t kNoFrame = 0xFFFFFFFF;

  explicit CRSData(RSMode mode);
  CRSData(const CRSData&) = delete;
  CRSData& operator=(const CRSData&) = delete;
  ~CRSData() override = default;

  bool CheckFile() override;
  bool StartRS(const char* path, int create) override;
  bool EndRS() override;
  bool WriteFileHeader(const FILEHEADER& header) override;
  bool ReadFileHeader(FILEHEADER& header) override;
  FileStatus GetStatus() override;
  bool SetStatus(FileStatus status) override;
  bool SetFileDescription(const char* text) override;
  bool GetFileDescription(char* buffer, int size) override;
  bool OpenFrame(const tagGUIDSIGN& guid) override;
  bool CloseFrame() override;
  std::uint32_t GetFrameSize() override;
  bool ReadCurFrame(void* buffer, std::uint32_t length, std::uint32_t* got = nullptr) override;
  bool WriteCurFrame(const void* buffer, std::uint32_t length) override;
  bool FlushBuffer() override;

  // The header's stored form; its checksum field is written as given.
  static void EncodeHeader(const FILEHEADER& header, std::uint8_t* out);
  static FILEHEADER DecodeHeader(const std::uint8_t* in);
  // CRC-16/UMTS of the stored header with its checksum field zero.
  static std::uint32_t HeaderChecksum(const FILEHEADER& header);

 private:
  [[noreturn]] void Raise(std::uint32_t code);
  void RequireMode(RSMode mode);
  bool FindFrame(const tagGUIDSIGN& guid);
  void ResetFrame();

  const RSMode mode_;
  CStdFile file_;
  std::vector<std::uint8_t> buffer_;
  std::uint32_t bufferCount_ = 0;
  std::uint32_t bufferRead_ = 0;  // read mode: bytes of the buffer already handed out
  tagGUIDSIGN frameGuid_{};
  std::uint32_t frameSize_ = 0;
  std::uint32_t frameStart_ = kNoFrame;
  std::uint32_t frameRead_ = 0;  // read mode: payload bytes already handed out
  std::uint32_t pendingError_ = 0;
};
