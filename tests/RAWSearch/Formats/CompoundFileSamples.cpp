#include "CompoundFileSamples.h"

#include <algorithm>
#include <cstring>

#include "Utility/ByteReader.h"

namespace quellsy::test::formats {

namespace {

constexpr std::uint32_t kFree = 0xFFFFFFFF;
constexpr std::uint32_t kEnd = 0xFFFFFFFE;
constexpr std::uint32_t kFatMark = 0xFFFFFFFD;
constexpr std::uint32_t kDifatMark = 0xFFFFFFFC;
constexpr std::array<std::uint8_t, 16> kSummaryId = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                                     0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};

void PutEntry(Bytes& b, std::size_t at, const std::string& name, std::uint8_t kind, std::uint32_t start,
              std::uint32_t size) {
  quellsy::FieldWriter w(b);
  for (std::size_t i = 0; i < name.size() && i < 31; ++i) w.le16(at + 2 * i, static_cast<std::uint8_t>(name[i]));
  w.le16(at + 64, static_cast<std::uint16_t>((name.size() + 1) * 2));
  b[at + 66] = kind;
  b[at + 67] = 1;
  w.le32(at + 68, kFree);
  w.le32(at + 72, kFree);
  w.le32(at + 76, kFree);
  w.le32(at + 116, start);
  w.le32(at + 120, size);
}

}  // namespace

CompoundFile MakeCompoundFile(const CompoundLayout& layout) {
  CompoundFile file;
  const std::uint32_t d = layout.version == 4 ? 4096 : 512;
  const std::uint32_t perFat = d / 4;
  file.sectorBytes = d;
  const std::uint32_t entriesPerSector = d / 128;
  const std::uint32_t dirSectors =
      static_cast<std::uint32_t>((layout.entries.size() + 1 + entriesPerSector - 1) / entriesPerSector);
  const bool difat = layout.fatInHeader < layout.fatSectors;
  // Sector order: allocation sectors, the index sector, the directory, the summary, the filler.
  const std::uint32_t difatSector = layout.fatSectors;
  const std::uint32_t dirStart = layout.fatSectors + (difat ? 1 : 0);
  const std::uint32_t summaryStart = dirStart + dirSectors;
  const std::uint32_t summarySectors = static_cast<std::uint32_t>((layout.summary.size() + d - 1) / d);
  const std::uint32_t fillerStart = summaryStart + summarySectors;
  const std::uint32_t used = fillerStart + layout.fillerSectors;
  file.usedSectors = used;

  Bytes& b = file.bytes;
  b.assign(static_cast<std::size_t>(used + 1) * d, 0);
  const auto sectorAt = [d](std::uint32_t n) { return static_cast<std::size_t>(n + 1) * d; };
  quellsy::FieldWriter w(b);
  const std::uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  std::memcpy(b.data(), signature, 8);
  w.le16(24, 0x3E);
  w.le16(26, static_cast<std::uint16_t>(layout.version));
  w.le16(28, 0xFFFE);
  w.le16(30, layout.version == 4 ? 12 : 9);
  w.le16(32, 6);
  w.le32(44, layout.fatSectors);
  w.le32(48, dirStart);
  w.le32(56, 4096);
  w.le32(60, kEnd);
  w.le32(68, difat ? difatSector : kEnd);
  w.le32(72, difat ? 1 : 0);
  for (std::uint32_t k = 0; k < 109; ++k)
    w.le32(76 + 4 * k, k < layout.fatSectors && k < layout.fatInHeader ? k : kFree);
  if (difat) {
    const std::size_t at = sectorAt(difatSector);
    for (std::uint32_t k = 0; k + 1 < perFat; ++k) {
      const std::uint32_t fat = layout.fatInHeader + k;
      w.le32(at + 4 * k, fat < layout.fatSectors ? fat : kFree);
    }
    w.le32(at + 4 * (perFat - 1), kEnd);
  }

  // The allocation table: every sector up to `used` is marked.
  std::vector<std::uint32_t> fat(static_cast<std::size_t>(layout.fatSectors) * perFat, kFree);
  if (used > fat.size()) return {};  // more sectors than the allocation sectors can map
  for (std::uint32_t n = 0; n < layout.fatSectors; ++n) fat[n] = kFatMark;
  if (difat) fat[difatSector] = kDifatMark;
  const auto chain = [&fat](std::uint32_t first, std::uint32_t count) {
    for (std::uint32_t n = first; n < first + count; ++n) fat[n] = n + 1 == first + count ? kEnd : n + 1;
  };
  chain(dirStart, dirSectors);
  if (summarySectors) chain(summaryStart, summarySectors);
  if (layout.fillerSectors) chain(fillerStart, layout.fillerSectors);
  for (std::uint32_t n = 0; n < layout.fatSectors; ++n)
    for (std::uint32_t k = 0; k < perFat; ++k) w.le32(sectorAt(n) + 4 * k, fat[n * perFat + k]);

  const std::size_t dir = sectorAt(dirStart);
  PutEntry(b, dir, "Root Entry", 5, kEnd, 0);
  std::memcpy(b.data() + dir + 80, layout.rootClassId.data(), 16);
  for (std::size_t i = 0; i < layout.entries.size(); ++i)
    PutEntry(b, dir + 128 * (i + 1), layout.entries[i], 2, fillerStart, 4096);
  if (!layout.summary.empty()) std::copy(layout.summary.begin(), layout.summary.end(), b.begin() + static_cast<std::ptrdiff_t>(sectorAt(summaryStart)));
  for (std::uint32_t n = fillerStart; n < used; ++n)
    for (std::uint32_t k = 0; k < d; ++k) b[sectorAt(n) + k] = static_cast<std::uint8_t>(0x41 + (n + k) % 23);
  return file;
}

PropertyValue StringProperty(std::uint32_t id, const std::string& text) {
  Bytes value(4 + text.size() + 1, 0);
  quellsy::FieldWriter(value).le32(0, static_cast<std::uint32_t>(text.size() + 1));
  std::memcpy(value.data() + 4, text.data(), text.size());
  return {id, 30, value};
}

PropertyValue UnicodeProperty(std::uint32_t id, const std::u16string& text) {
  Bytes value(4 + 2 * (text.size() + 1), 0);
  quellsy::FieldWriter w(value);
  w.le32(0, static_cast<std::uint32_t>(text.size() + 1));
  for (std::size_t i = 0; i < text.size(); ++i) w.le16(4 + 2 * i, text[i]);
  return {id, 31, value};
}

PropertyValue FileTimeProperty(std::uint32_t id, std::uint64_t filetime) {
  Bytes value(8, 0);
  quellsy::FieldWriter(value).le64(0, filetime);
  return {id, 64, value};
}

std::uint64_t FileTimeOfUnix(long long seconds) {
  return static_cast<std::uint64_t>(seconds + 11644473600LL) * 10000000ULL;
}

Bytes SummaryStream(const std::vector<PropertyValue>& values, std::optional<std::array<std::uint8_t, 16>> formatId) {
  Bytes b(48, 0);
  quellsy::FieldWriter(b).le16(0, 0xFFFE);
  quellsy::FieldWriter(b).le32(24, 1);
  const auto id = formatId.value_or(kSummaryId);
  std::memcpy(b.data() + 28, id.data(), 16);
  quellsy::FieldWriter(b).le32(44, 48);
  Bytes section(8 + 8 * values.size(), 0);
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::size_t offset = section.size();
    Bytes value(4, 0);
    quellsy::FieldWriter(value).le32(0, values[i].type);
    value.insert(value.end(), values[i].value.begin(), values[i].value.end());
    while (value.size() % 4) value.push_back(0);
    quellsy::FieldWriter(section).le32(8 + 8 * i, values[i].id);
    quellsy::FieldWriter(section).le32(12 + 8 * i, static_cast<std::uint32_t>(offset));
    section.insert(section.end(), value.begin(), value.end());
  }
  quellsy::FieldWriter(section).le32(0, static_cast<std::uint32_t>(section.size()));
  quellsy::FieldWriter(section).le32(4, static_cast<std::uint32_t>(values.size()));
  b.insert(b.end(), section.begin(), section.end());
  return b;
}

}  // namespace quellsy::test::formats
