#pragma once
// Little-endian fields written into and read out of the open frame of an archive. Reads are exact: a frame that
// ends inside a field throws CRSException (short read), so a record is never filled from bytes that are not there.

#include <cstdint>
#include <string>

class IRSData;

class FrameWriter {
 public:
  explicit FrameWriter(IRSData& archive) : archive_(archive) {}
  void U16(std::uint16_t value);
  void U32(std::uint32_t value);
  void U64(std::uint64_t value);
  void Bytes(const void* data, std::uint32_t length);
  // A count that does not fit 32 bits is refused before anything is written.
  void Length(std::uint64_t length);

 private:
  IRSData& archive_;
};

class FrameReader {
 public:
  explicit FrameReader(IRSData& archive) : archive_(archive) {}
  std::uint16_t U16();
  std::uint32_t U32();
  std::uint64_t U64();
  void Bytes(void* data, std::uint32_t length);
  std::string Text(std::uint32_t length);

 private:
  IRSData& archive_;
};
