#include "FileArchive/CRSData.h"

#include <algorithm>
#include <cstring>

#include "FileArchive/CCRC.h"
#include "Utility/ByteReader.h"

namespace {

constexpr std::uint16_t kHeaderPolynomial = 0x8005;
constexpr std::size_t kVersionAt = 16;
constexpr std::size_t kChecksumAt = 20;
constexpr std::size_t kStatusAt = 24;
constexpr std::size_t kDescriptionLengthAt = 28;
constexpr std::size_t kDescriptionAt = 32;
constexpr std::size_t kFrameGuidAt = 16;
constexpr std::size_t kFrameSizeAt = 32;
constexpr std::uint64_t kLimit = 0xFFFFFFFFull;

bool IsSignature(const std::uint8_t* bytes) {
  return std::memcmp(bytes, _frSignPub.bytes.data(), _frSignPub.bytes.size()) == 0;
}

}  // namespace

CRSData::CRSData(RSMode mode) : mode_(mode), buffer_(kBufferSize) {}

void CRSData::Raise(std::uint32_t code) {
  pendingError_ = 0;
  throw CRSException(code);
}

void CRSData::RequireMode(RSMode mode) {
  if (mode_ != mode) Raise(CRSException::kWrongMode);
}

void CRSData::EncodeHeader(const FILEHEADER& header, std::uint8_t* out) {
  quellsy::FieldWriter writer({out, FILEHEADER::kSize});
  std::memcpy(out, header.signature.bytes.data(), header.signature.bytes.size());
  writer.le32(kVersionAt, header.version);
  writer.le32(kChecksumAt, header.checksum);
  writer.le32(kStatusAt, header.status);
  writer.le32(kDescriptionLengthAt, header.descriptionLength);
  std::memcpy(out + kDescriptionAt, header.description.data(), header.description.size());
}

FILEHEADER CRSData::DecodeHeader(const std::uint8_t* in) {
  quellsy::FieldReader reader({in, FILEHEADER::kSize});
  FILEHEADER header;
  std::memcpy(header.signature.bytes.data(), in, header.signature.bytes.size());
  header.version = reader.le32(kVersionAt);
  header.checksum = reader.le32(kChecksumAt);
  header.status = reader.le32(kStatusAt);
  header.descriptionLength = reader.le32(kDescriptionLengthAt);
  std::memcpy(header.description.data(), in + kDescriptionAt, header.description.size());
  return header;
}

std::uint32_t CRSData::HeaderChecksum(const FILEHEADER& header) {
  FILEHEADER zeroed = header;
  zeroed.checksum = 0;
  std::uint8_t bytes[FILEHEADER::kSize];
  EncodeHeader(zeroed, bytes);
  return CCRC::RunCRC16(bytes, sizeof bytes, kHeaderPolynomial);
}

bool CRSData::CheckFile() {
  std::uint8_t bytes[FILEHEADER::kSize];
  if (file_.Read(bytes, sizeof bytes) != sizeof bytes || !IsSignature(bytes)) return false;
  const FILEHEADER header = DecodeHeader(bytes);
  return header.status >= FILE_STATUS_SAVED && header.status <= FILE_STATUS_LAST_VALID;
}

bool CRSData::StartRS(const char* path, int create) {
  if (path == nullptr || *path == '\0') return false;
  const int mode = mode_ == RS_MODE_READ ? CStdFile::kReadOnly
                   : create != 0         ? CStdFile::kCreateTruncate
                                         : CStdFile::kLastMode;
  return file_.Open(path, mode);
}

bool CRSData::EndRS() {
  file_.Close();
  return true;
}

bool CRSData::WriteFileHeader(const FILEHEADER& header) {
  if (mode_ != RS_MODE_WRITE || !file_.Seek(0)) return false;
  FILEHEADER stored = header;
  stored.version = FILEHEADER::kVersion;
  stored.checksum = HeaderChecksum(stored);
  std::uint8_t bytes[FILEHEADER::kSize];
  EncodeHeader(stored, bytes);
  return file_.Write(bytes, sizeof bytes);
}

bool CRSData::ReadFileHeader(FILEHEADER& header) {
  std::uint8_t bytes[FILEHEADER::kSize];
  if (!file_.Seek(0) || file_.Read(bytes, sizeof bytes) != sizeof bytes) return false;
  header = DecodeHeader(bytes);
  const std::uint32_t stored = header.checksum;
  header.checksum = HeaderChecksum(header);
  return stored == header.checksum && header.version == FILEHEADER::kVersion;
}

FileStatus CRSData::GetStatus() {
  RequireMode(RS_MODE_READ);
  FILEHEADER header;
  if (!ReadFileHeader(header)) {
    if (pendingError_ != 0) Raise(pendingError_);
    return FILE_STATUS_NONE;
  }
  if (header.status > FILE_STATUS_LAST_VALID) Raise(CRSException::kHeaderOutOfRange);
  return static_cast<FileStatus>(header.status);
}

bool CRSData::SetStatus(FileStatus status) {
  RequireMode(RS_MODE_WRITE);
  FILEHEADER header;
  if (!ReadFileHeader(header)) header = FILEHEADER{};
  header.status = status;
  return WriteFileHeader(header);
}

bool CRSData::SetFileDescription(const char* text) {
  RequireMode(RS_MODE_WRITE);
  FILEHEADER header;
  if (text == nullptr || !ReadFileHeader(header)) return false;
  const std::size_t length = std::min<std::size_t>(std::strlen(text), FILEHEADER::kDescriptionCapacity);
  header.description.fill(0);
  std::memcpy(header.description.data(), text, length);
  header.descriptionLength = static_cast<std::uint32_t>(length);
  return WriteFileHeader(header);
}

bool CRSData::GetFileDescription(char* buffer, int size) {
  if (buffer == nullptr || size < 1) return false;
  RequireMode(RS_MODE_READ);
  FILEHEADER header;
  if (!ReadFileHeader(header)) return false;
  if (header.descriptionLength > FILEHEADER::kDescriptionCapacity) Raise(CRSException::kHeaderOutOfRange);
  const std::size_t length = std::min<std::size_t>(header.descriptionLength, static_cast<std::size_t>(size) - 1);
  std::memcpy(buffer, header.description.data(), length);
  buffer[length] = '\0';
  return true;
}

bool CRSData::OpenFrame(const tagGUIDSIGN& guid) {
  CloseFrame();
  if (mode_ == RS_MODE_READ) {
    if (!FindFrame(guid)) Raise(CRSException::kFrameNotFound);
    return true;
  }
  std::uint64_t end = 0;
  if (!file_.SeekToEnd() || !file_.GetFileLength(&end) || end + kFrameHeaderSize > kLimit)
    Raise(end + kFrameHeaderSize > kLimit ? CRSException::kTooLarge : CRSException::kWriteFailed);
  std::uint8_t header[kFrameHeaderSize] = {};
  std::memcpy(header, _frSignPub.bytes.data(), 16);
  std::memcpy(header + kFrameGuidAt, guid.bytes.data(), 16);
  if (!file_.Write(header, sizeof header)) Raise(CRSException::kWriteFailed);
  frameGuid_ = guid;
  frameSize_ = 0;
  frameStart_ = static_cast<std::uint32_t>(end);
  return true;
}

bool CRSData::FindFrame(const tagGUIDSIGN& guid) {
  std::uint64_t at = FILEHEADER::kSize;
  std::uint8_t header[kFrameHeaderSize];
  while (at + kFrameHeaderSize <= kLimit && file_.Seek(at) && file_.Read(header, sizeof header) == sizeof header) {
    const std::uint32_t size = quellsy::le32({header, sizeof header}, kFrameSizeAt).value_or(0);
    if (IsSignature(header) && std::memcmp(header + kFrameGuidAt, guid.bytes.data(), 16) == 0) {
      frameGuid_ = guid;
      frameSize_ = size;
      frameStart_ = static_cast<std::uint32_t>(at);
      frameRead_ = 0;
      return true;
    }
    at += kFrameHeaderSize + std::uint64_t{size};
  }
  ResetFrame();
  return false;
}

void CRSData::ResetFrame() {
  bufferCount_ = 0;
  bufferRead_ = 0;
  frameGuid_ = {};
  frameSize_ = 0;
  frameStart_ = kNoFrame;
  frameRead_ = 0;
}

bool CRSData::CloseFrame() {
  if (frameStart_ != kNoFrame && mode_ == RS_MODE_WRITE) {
    std::uint8_t header[kFrameHeaderSize] = {};
    std::memcpy(header, _frSignPub.bytes.data(), 16);
    std::memcpy(header + kFrameGuidAt, frameGuid_.bytes.data(), 16);
    quellsy::FieldWriter({header, sizeof header}).le32(kFrameSizeAt, frameSize_);
    if (FlushBuffer() && !(file_.Seek(frameStart_) && file_.Write(header, sizeof header)))
      pendingError_ = CRSException::kWriteFailed;
  }
  ResetFrame();
  if (pendingError_ != 0) Raise(pendingError_);
  return true;
}

std::uint32_t CRSData::GetFrameSize() {
  if (frameStart_ == kNoFrame) Raise(CRSException::kNoFrame);
  return frameSize_;
}

bool CRSData::ReadCurFrame(void* buffer, std::uint32_t length, std::uint32_t* got) {
  RequireMode(RS_MODE_READ);
  if (frameStart_ == kNoFrame) Raise(CRSException::kNoFrame);
  const std::uint32_t wanted = std::min(length, frameSize_ - frameRead_);
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::uint32_t done = 0;
  while (done < wanted) {
    if (bufferRead_ == bufferCount_) {
      // The buffer never reaches past the frame: what follows it is another frame's header.
      const std::uint32_t left = frameSize_ - frameRead_ - done;
      const std::uint32_t chunk = std::min(left, kBufferSize);
      bufferCount_ = static_cast<std::uint32_t>(file_.Read(buffer_.data(), chunk));
      bufferRead_ = 0;
      if (bufferCount_ == 0) {
        frameRead_ += done;
        if (got != nullptr) *got = done;
        Raise(CRSException::kShortRead);
      }
    }
    const std::uint32_t take = std::min(wanted - done, bufferCount_ - bufferRead_);
    std::memcpy(out + done, buffer_.data() + bufferRead_, take);
    bufferRead_ += take;
    done += take;
  }
  frameRead_ += done;
  if (got != nullptr) *got = done;
  return true;
}

bool CRSData::WriteCurFrame(const void* buffer, std::uint32_t length) {
  if (pendingError_ != 0) return false;
  RequireMode(RS_MODE_WRITE);
  if (frameStart_ == kNoFrame) Raise(CRSException::kNoFrame);
  if (std::uint64_t{frameStart_} + kFrameHeaderSize + frameSize_ + length > kLimit) Raise(CRSException::kTooLarge);
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  std::uint32_t done = 0;
  while (done < length) {
    if (bufferCount_ == kBufferSize && !FlushBuffer()) Raise(CRSException::kWriteFailed);
    const std::uint32_t take = std::min(length - done, kBufferSize - bufferCount_);
    std::memcpy(buffer_.data() + bufferCount_, in + done, take);
    bufferCount_ += take;
    done += take;
  }
  frameSize_ += length;
  return true;
}

bool CRSData::FlushBuffer() {
  if (bufferCount_ == 0) return true;
  if (!file_.SeekToEnd() || !file_.Write(buffer_.data(), bufferCount_)) {
    pendingError_ = CRSException::kWriteFailed;
    return false;
  }
  bufferCount_ = 0;
  return true;
}
