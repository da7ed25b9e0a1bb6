#include "include/FrameFields.h"

#include "include/IRSData.h"
#include "Utility/ByteReader.h"

namespace {

template <typename T>
void Put(IRSData& archive, T value) {
  std::uint8_t bytes[sizeof(T)];
  quellsy::detail::storeLittle(bytes, value);
  if (!archive.WriteCurFrame(bytes, sizeof bytes)) throw CRSException(CRSException::kWriteFailed);
}

template <typename T>
T Take(FrameReader& reader) {
  std::uint8_t bytes[sizeof(T)];
  reader.Bytes(bytes, sizeof bytes);
  return quellsy::detail::loadLittle<T>(bytes);
}

}  // namespace

void FrameWriter::U16(std::uint16_t value) { Put(archive_, value); }
void FrameWriter::U32(std::uint32_t value) { Put(archive_, value); }
void FrameWriter::U64(std::uint64_t value) { Put(archive_, value); }

void FrameWriter::Bytes(const void* data, std::uint32_t length) {
  if (length != 0 && !archive_.WriteCurFrame(data, length)) throw CRSException(CRSException::kWriteFailed);
}

void FrameWriter::Length(std::uint64_t length) {
  if (length > 0xFFFFFFFFull) throw CRSException(CRSException::kTooLarge);
  U32(static_cast<std::uint32_t>(length));
}

std::uint16_t FrameReader::U16() { return Take<std::uint16_t>(*this); }
std::uint32_t FrameReader::U32() { return Take<std::uint32_t>(*this); }
std::uint64_t FrameReader::U64() { return Take<std::uint64_t>(*this); }

void FrameReader::Bytes(void* data, std::uint32_t length) {
  std::uint32_t got = 0;
  archive_.ReadCurFrame(data, length, &got);
  if (got != length) throw CRSException(CRSException::kShortRead);
}

std::string FrameReader::Text(std::uint32_t length) {
  std::string text(length, '\0');
  Bytes(text.data(), length);
  return text;
}
