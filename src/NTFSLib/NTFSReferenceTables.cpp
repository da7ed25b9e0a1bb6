#include "NTFSLib/NTFSReferenceTables.h"

#include <array>

#include "Utility/ByteReader.h"

namespace quellsy::ntfs {

namespace {
constexpr std::size_t kDefinitionSize = 160;
constexpr std::size_t kNameBytes = 128;

// Units first..last (every unit, or every other one from first when step is 2) map to unit + delta.
struct UpCaseRange {
  std::uint16_t first;
  std::uint16_t last;
  std::int32_t delta;
  std::uint8_t step;
};

constexpr UpCaseRange kUpCaseRanges[] = {
    {0x0061, 0x007A, -32, 1},
    {0x00E0, 0x00F6, -32, 1},
    {0x00F8, 0x00FE, -32, 1},
    {0x00FF, 0x00FF, 121, 1},
    {0x0101, 0x012F, -1, 2},
    {0x0133, 0x0137, -1, 2},
    {0x013A, 0x0148, -1, 2},
    {0x014B, 0x0177, -1, 2},
    {0x017A, 0x017E, -1, 2},
    {0x0180, 0x0180, 195, 1},
    {0x0183, 0x0185, -1, 2},
    {0x0188, 0x0188, -1, 1},
    {0x018C, 0x018C, -1, 1},
    {0x0192, 0x0192, -1, 1},
    {0x0195, 0x0195, 97, 1},
    {0x0199, 0x0199, -1, 1},
    {0x019A, 0x019A, 163, 1},
    {0x019E, 0x019E, 130, 1},
    {0x01A1, 0x01A5, -1, 2},
    {0x01A8, 0x01A8, -1, 1},
    {0x01AD, 0x01AD, -1, 1},
    {0x01B0, 0x01B0, -1, 1},
    {0x01B4, 0x01B6, -1, 2},
    {0x01B9, 0x01B9, -1, 1},
    {0x01BD, 0x01BD, -1, 1},
    {0x01BF, 0x01BF, 56, 1},
    {0x01C6, 0x01C6, -2, 1},
    {0x01C9, 0x01C9, -2, 1},
    {0x01CC, 0x01CC, -2, 1},
    {0x01CE, 0x01DC, -1, 2},
    {0x01DD, 0x01DD, -79, 1},
    {0x01DF, 0x01EF, -1, 2},
    {0x01F3, 0x01F3, -2, 1},
    {0x01F5, 0x01F5, -1, 1},
    {0x01F9, 0x021F, -1, 2},
    {0x0223, 0x0233, -1, 2},
    {0x023C, 0x023C, -1, 1},
    {0x0242, 0x0242, -1, 1},
    {0x0247, 0x024F, -1, 2},
    {0x0250, 0x0250, 10783, 1},
    {0x0251, 0x0251, 10780, 1},
    {0x0253, 0x0253, -210, 1},
    {0x0254, 0x0254, -206, 1},
    {0x0256, 0x0257, -205, 1},
    {0x0259, 0x0259, -202, 1},
    {0x025B, 0x025B, -203, 1},
    {0x0260, 0x0260, -205, 1},
    {0x0263, 0x0263, -207, 1},
    {0x0268, 0x0268, -209, 1},
    {0x0269, 0x0269, -211, 1},
    {0x026B, 0x026B, 10743, 1},
    {0x026F, 0x026F, -211, 1},
    {0x0271, 0x0271, 10749, 1},
    {0x0272, 0x0272, -213, 1},
    {0x0275, 0x0275, -214, 1},
    {0x027D, 0x027D, 10727, 1},
    {0x0280, 0x0280, -218, 1},
    {0x0283, 0x0283, -218, 1},
    {0x0288, 0x0288, -218, 1},
    {0x0289, 0x0289, -69, 1},
    {0x028A, 0x028B, -217, 1},
    {0x028C, 0x028C, -71, 1},
    {0x0292, 0x0292, -219, 1},
    {0x0371, 0x0373, -1, 2},
    {0x0377, 0x0377, -1, 1},
    {0x037B, 0x037D, 130, 1},
    {0x03AC, 0x03AC, -38, 1},
    {0x03AD, 0x03AF, -37, 1},
    {0x03B1, 0x03C1, -32, 1},
    {0x03C3, 0x03CB, -32, 1},
    {0x03CC, 0x03CC, -64, 1},
    {0x03CD, 0x03CE, -63, 1},
    {0x03D7, 0x03D7, -8, 1},
    {0x03D9, 0x03EF, -1, 2},
    {0x03F2, 0x03F2, 7, 1},
    {0x03F8, 0x03F8, -1, 1},
    {0x03FB, 0x03FB, -1, 1},
    {0x0430, 0x044F, -32, 1},
    {0x0450, 0x045F, -80, 1},
    {0x0461, 0x0481, -1, 2},
    {0x048B, 0x04BF, -1, 2},
    {0x04C2, 0x04CE, -1, 2},
    {0x04CF, 0x04CF, -15, 1},
    {0x04D1, 0x0523, -1, 2},
    {0x0561, 0x0586, -48, 1},
    {0x1D79, 0x1D79, -30204, 1},
    {0x1D7D, 0x1D7D, 3814, 1},
    {0x1E01, 0x1E95, -1, 2},
    {0x1EA1, 0x1EFF, -1, 2},
    {0x1F00, 0x1F07, 8, 1},
    {0x1F10, 0x1F15, 8, 1},
    {0x1F20, 0x1F27, 8, 1},
    {0x1F30, 0x1F37, 8, 1},
    {0x1F40, 0x1F45, 8, 1},
    {0x1F51, 0x1F57, 8, 2},
    {0x1F60, 0x1F67, 8, 1},
    {0x1F70, 0x1F71, 74, 1},
    {0x1F72, 0x1F75, 86, 1},
    {0x1F76, 0x1F77, 100, 1},
    {0x1F78, 0x1F79, 128, 1},
    {0x1F7A, 0x1F7B, 112, 1},
    {0x1F7C, 0x1F7D, 126, 1},
    {0x1F80, 0x1F87, 8, 1},
    {0x1F90, 0x1F97, 8, 1},
    {0x1FA0, 0x1FA7, 8, 1},
    {0x1FB0, 0x1FB1, 8, 1},
    {0x1FB3, 0x1FB3, 9, 1},
    {0x1FC3, 0x1FC3, 9, 1},
    {0x1FD0, 0x1FD1, 8, 1},
    {0x1FE0, 0x1FE1, 8, 1},
    {0x1FE5, 0x1FE5, 7, 1},
    {0x1FF3, 0x1FF3, 9, 1},
    {0x214E, 0x214E, -28, 1},
    {0x2170, 0x217F, -16, 1},
    {0x2184, 0x2184, -1, 1},
    {0x24D0, 0x24E9, -26, 1},
    {0x2C30, 0x2C5E, -48, 1},
    {0x2C61, 0x2C61, -1, 1},
    {0x2C65, 0x2C65, -10795, 1},
    {0x2C66, 0x2C66, -10792, 1},
    {0x2C68, 0x2C6C, -1, 2},
    {0x2C73, 0x2C73, -1, 1},
    {0x2C76, 0x2C76, -1, 1},
    {0x2C81, 0x2CE3, -1, 2},
    {0x2D00, 0x2D25, -7264, 1},
    {0xA641, 0xA65F, -1, 2},
    {0xA663, 0xA66D, -1, 2},
    {0xA681, 0xA697, -1, 2},
    {0xA723, 0xA72F, -1, 2},
    {0xA733, 0xA76F, -1, 2},
    {0xA77A, 0xA77C, -1, 2},
    {0xA77F, 0xA787, -1, 2},
    {0xA78C, 0xA78C, -1, 1},
    {0xFF41, 0xFF5A, -32, 1},
};
}  // namespace

const std::vector<AttributeDefinition>& StandardAttributeDefinitions() {
  static const std::vector<AttributeDefinition> definitions{
      {u"$STANDARD_INFORMATION", 0x10, 0, 0, 0x40, 48, 72},
      {u"$ATTRIBUTE_LIST", 0x20, 0, 0, 0x80, 0, -1},
      {u"$FILE_NAME", 0x30, 0, 0, 0x42, 68, 578},
      {u"$OBJECT_ID", 0x40, 0, 0, 0x40, 0, 256},
      {u"$SECURITY_DESCRIPTOR", 0x50, 0, 0, 0x80, 0, -1},
      {u"$VOLUME_NAME", 0x60, 0, 0, 0x40, 2, 256},
      {u"$VOLUME_INFORMATION", 0x70, 0, 0, 0x40, 12, 12},
      {u"$DATA", 0x80, 0, 0, 0x0, 0, -1},
      {u"$INDEX_ROOT", 0x90, 0, 0, 0x40, 0, -1},
      {u"$INDEX_ALLOCATION", 0xA0, 0, 0, 0x80, 0, -1},
      {u"$BITMAP", 0xB0, 0, 0, 0x80, 0, -1},
      {u"$REPARSE_POINT", 0xC0, 0, 0, 0x80, 0, 16384},
      {u"$EA_INFORMATION", 0xD0, 0, 0, 0x40, 8, 8},
      {u"$EA", 0xE0, 0, 0, 0x0, 0, 65536},
      {u"$LOGGED_UTILITY_STREAM", 0x100, 0, 0, 0x80, 0, 65536},
  };
  return definitions;
}

const std::vector<std::uint8_t>& StandardAttrDefFile() {
  static const std::vector<std::uint8_t> file = [] {
    std::vector<std::uint8_t> bytes(kAttrDefFileSize, 0);
    FieldWriter w(bytes);
    std::size_t at = 0;
    for (const AttributeDefinition& d : StandardAttributeDefinitions()) {
      for (std::size_t i = 0; i < d.name.size() && 2 * i < kNameBytes; ++i)
        w.le16(at + 2 * i, static_cast<std::uint16_t>(d.name[i]));
      w.le32(at + 0x80, d.type);
      w.le32(at + 0x84, d.displayRule);
      w.le32(at + 0x88, d.collationRule);
      w.le32(at + 0x8C, d.flags);
      w.le64(at + 0x90, static_cast<std::uint64_t>(d.minimumSize));
      w.le64(at + 0x98, static_cast<std::uint64_t>(d.maximumSize));
      at += kDefinitionSize;
    }
    return bytes;
  }();
  return file;
}

namespace {
const std::array<std::uint16_t, 65536>& UpCaseTable() {
  static const auto table = [] {
    std::array<std::uint16_t, 65536> units{};
    for (std::size_t c = 0; c < units.size(); ++c) units[c] = static_cast<std::uint16_t>(c);
    for (const UpCaseRange& r : kUpCaseRanges)
      for (std::uint32_t c = r.first; c <= r.last; c += r.step)
        units[c] = static_cast<std::uint16_t>(static_cast<std::int32_t>(c) + r.delta);
    return units;
  }();
  return table;
}
}  // namespace

std::uint16_t UpCase(std::uint16_t unit) { return UpCaseTable()[unit]; }

const std::vector<std::uint8_t>& StandardUpCaseFile() {
  static const std::vector<std::uint8_t> file = [] {
    std::vector<std::uint8_t> bytes(kUpCaseFileSize);
    FieldWriter w(bytes);
    const auto& table = UpCaseTable();
    for (std::size_t c = 0; c < table.size(); ++c) w.le16(2 * c, table[c]);
    return bytes;
  }();
  return file;
}

}  // namespace quellsy::ntfs
