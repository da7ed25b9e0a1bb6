#include "NtfsRecordBuilder.h"

#include <cstring>

namespace quellsy::test {

namespace {
std::size_t Align8(std::size_t v) { return (v + 7) & ~std::size_t{7}; }
}  // namespace

void NtfsRecordBuilder::Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
  for (int i = 0; i < 2; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void NtfsRecordBuilder::Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void NtfsRecordBuilder::Put64(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

NtfsRecordBuilder::NtfsRecordBuilder(std::size_t size, std::uint16_t flags)
    : m_bytes(size, 0), m_next(Align8(0x32 + 2 * (size / 512))) {
  std::memcpy(m_bytes.data(), "FILE", 4);
  Put16(m_bytes, 0x04, 0x30);                                        // update-sequence offset
  Put16(m_bytes, 0x06, static_cast<std::uint16_t>(size / 512 + 1));  // update-sequence count
  Put16(m_bytes, 0x10, 1);                                           // sequence number
  Put16(m_bytes, 0x12, 1);                                           // links
  Put16(m_bytes, 0x14, static_cast<std::uint16_t>(m_next));         // first attribute
  Put16(m_bytes, 0x16, flags);
  Put32(m_bytes, 0x1C, static_cast<std::uint32_t>(size));
  Put16(m_bytes, 0x30, kSequenceNumber);
}

NtfsRecordBuilder& NtfsRecordBuilder::Resident(std::uint32_t type, const std::vector<std::uint8_t>& content,
                                               const std::u16string& name) {
  const std::size_t contentOffset = Align8(0x18 + 2 * name.size());
  const std::size_t length = Align8(contentOffset + content.size());
  const std::size_t at = m_next;
  Put32(m_bytes, at, type);
  Put32(m_bytes, at + 4, static_cast<std::uint32_t>(length));
  m_bytes[at + 9] = static_cast<std::uint8_t>(name.size());
  Put16(m_bytes, at + 0x0A, 0x18);
  Put16(m_bytes, at + 0x0E, m_nextId++);
  Put32(m_bytes, at + 0x10, static_cast<std::uint32_t>(content.size()));
  Put16(m_bytes, at + 0x14, static_cast<std::uint16_t>(contentOffset));
  for (std::size_t i = 0; i < name.size(); ++i) Put16(m_bytes, at + 0x18 + 2 * i, name[i]);
  if (!content.empty()) std::memcpy(m_bytes.data() + at + contentOffset, content.data(), content.size());
  m_next += length;
  return *this;
}

NtfsRecordBuilder& NtfsRecordBuilder::NonResident(std::uint32_t type, const std::vector<std::uint8_t>& pairs,
                                                  std::int64_t startVcn, std::int64_t lastVcn, std::int64_t realSize,
                                                  const std::u16string& name, std::uint16_t flags) {
  const std::size_t pairsOffset = Align8(0x40 + 2 * name.size());
  const std::size_t length = Align8(pairsOffset + pairs.size());
  const std::size_t at = m_next;
  Put32(m_bytes, at, type);
  Put32(m_bytes, at + 4, static_cast<std::uint32_t>(length));
  m_bytes[at + 8] = 1;
  m_bytes[at + 9] = static_cast<std::uint8_t>(name.size());
  Put16(m_bytes, at + 0x0A, 0x40);
  Put16(m_bytes, at + 0x0C, flags);
  Put16(m_bytes, at + 0x0E, m_nextId++);
  Put64(m_bytes, at + 0x10, static_cast<std::uint64_t>(startVcn));
  Put64(m_bytes, at + 0x18, static_cast<std::uint64_t>(lastVcn));
  Put16(m_bytes, at + 0x20, static_cast<std::uint16_t>(pairsOffset));
  const auto allocated = static_cast<std::uint64_t>((lastVcn + 1) * 4096);
  Put64(m_bytes, at + 0x28, allocated);
  Put64(m_bytes, at + 0x30, static_cast<std::uint64_t>(realSize));
  Put64(m_bytes, at + 0x38, static_cast<std::uint64_t>(realSize));
  for (std::size_t i = 0; i < name.size(); ++i) Put16(m_bytes, at + 0x40 + 2 * i, name[i]);
  if (!pairs.empty()) std::memcpy(m_bytes.data() + at + pairsOffset, pairs.data(), pairs.size());
  m_next += length;
  return *this;
}

std::vector<std::uint8_t> FileNameContent(const std::u16string& name, std::uint64_t parent, std::uint32_t flags) {
  std::vector<std::uint8_t> content(0x42 + 2 * name.size(), 0);
  NtfsRecordBuilder::Put64(content, 0x00, parent);
  NtfsRecordBuilder::Put32(content, 0x38, flags);
  content[0x40] = static_cast<std::uint8_t>(name.size());
  content[0x41] = 1;  // Win32 names
  for (std::size_t i = 0; i < name.size(); ++i) NtfsRecordBuilder::Put16(content, 0x42 + 2 * i, name[i]);
  return content;
}

NtfsRecordBuilder& NtfsRecordBuilder::FileName(const std::u16string& name, std::uint64_t parent,
                                               std::uint32_t fileFlags) {
  return Resident(0x30, FileNameContent(name, parent, fileFlags));
}

NtfsRecordBuilder& NtfsRecordBuilder::StandardInformation(std::uint32_t dosPermissions) {
  std::vector<std::uint8_t> content(0x48, 0);
  Put32(content, 0x20, dosPermissions);
  return Resident(0x10, content);
}

NtfsRecordBuilder& NtfsRecordBuilder::Base(std::uint64_t reference) {
  Put64(m_bytes, 0x20, reference);
  return *this;
}

NtfsRecordBuilder& NtfsRecordBuilder::Number(std::uint32_t mftNumber) {
  Put32(m_bytes, 0x2C, mftNumber);
  return *this;
}

std::vector<std::uint8_t> NtfsRecordBuilder::Build() const {
  std::vector<std::uint8_t> bytes = m_bytes;
  Put32(bytes, m_next, 0xFFFFFFFF);
  Put32(bytes, 0x18, static_cast<std::uint32_t>(m_next + 8));
  for (std::size_t stride = 0; stride < bytes.size() / 512; ++stride) {
    const std::size_t last = (stride + 1) * 512 - 2;
    bytes[0x32 + 2 * stride] = bytes[last];
    bytes[0x33 + 2 * stride] = bytes[last + 1];
    Put16(bytes, last, kSequenceNumber);
  }
  return bytes;
}

}  // namespace quellsy::test
