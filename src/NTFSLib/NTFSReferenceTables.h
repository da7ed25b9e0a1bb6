#pragma once
// The contents of the standard $AttrDef and $UpCase files that NTFS formatting writes: sectors equal to them
// are evidence of a lost volume's metadata.

#include <cstdint>
#include <string_view>
#include <vector>

namespace quellsy::ntfs {

struct AttributeDefinition {
  std::u16string_view name;
  std::uint32_t type;
  std::uint32_t displayRule;
  std::uint32_t collationRule;
  std::uint32_t flags;
  std::int64_t minimumSize;
  std::int64_t maximumSize;  // -1: no limit
};

constexpr std::size_t kAttrDefFileSize = 2560;   // 16 definitions of 160 bytes, the last one empty
constexpr std::size_t kUpCaseFileSize = 131072;  // one upper-case unit for each of the 65536 UTF-16 units

const std::vector<AttributeDefinition>& StandardAttributeDefinitions();
// The $AttrDef file's bytes as formatting writes them.
const std::vector<std::uint8_t>& StandardAttrDefFile();
// The $UpCase file's bytes.
const std::vector<std::uint8_t>& StandardUpCaseFile();
// The upper case of one UTF-16 unit by the standard table.
std::uint16_t UpCase(std::uint16_t unit);

}  // namespace quellsy::ntfs
