#pragma once
// Writes FILE records by hand for the tests: header, attributes, end marker and the on-disk update sequence
// (each 512-byte stride's last word moved into the array and replaced by the sequence number).

#include <cstdint>
#include <string>
#include <vector>

namespace quellsy::test {

class NtfsRecordBuilder {
 public:
  explicit NtfsRecordBuilder(std::size_t size = 1024, std::uint16_t flags = 1);

  // A resident attribute with its content at 0x18 (after the name, when named).
  NtfsRecordBuilder& Resident(std::uint32_t type, const std::vector<std::uint8_t>& content,
                              const std::u16string& name = {});
  // A non-resident attribute with its mapping pairs at 0x40 (after the name, when named).
  NtfsRecordBuilder& NonResident(std::uint32_t type, const std::vector<std::uint8_t>& pairs, std::int64_t startVcn,
                                 std::int64_t lastVcn, std::int64_t realSize, const std::u16string& name = {},
                                 std::uint16_t flags = 0);
  NtfsRecordBuilder& FileName(const std::u16string& name, std::uint64_t parent, std::uint32_t fileFlags = 0);
  NtfsRecordBuilder& StandardInformation(std::uint32_t dosPermissions);
  NtfsRecordBuilder& Base(std::uint64_t reference);
  NtfsRecordBuilder& Number(std::uint32_t mftNumber);

  // The record in its on-disk form (sequence number in every stride's last word).
  std::vector<std::uint8_t> Build() const;
  // Offset the next attribute would get.
  std::size_t Next() const { return m_next; }

  static void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v);
  static void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v);
  static void Put64(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t v);

  static constexpr std::uint16_t kSequenceNumber = 0x0A0B;

 private:
  std::vector<std::uint8_t> m_bytes;
  std::size_t m_next;
  std::uint16_t m_nextId = 0;
};

// A file-name attribute's content (0x42 bytes plus the name).
std::vector<std::uint8_t> FileNameContent(const std::u16string& name, std::uint64_t parent, std::uint32_t flags = 0);

}  // namespace quellsy::test
