// INDX records and log-file pages written by hand.

#include "NTFSLib/CIndexRecord.h"

#include <gtest/gtest.h>

#include <cstring>

#include "NTFSLib/CRCRDRecord.h"
#include "NtfsRecordBuilder.h"

namespace quellsy::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using R = NtfsRecordBuilder;
constexpr std::uint16_t kNumber = 0x0707;

// Puts the number in every stride's last word, keeping the words in the array at offset.
void Protect(Bytes& page, std::size_t offset) {
  R::Put16(page, offset, kNumber);
  for (std::size_t i = 0; i < page.size() / 512; ++i) {
    const std::size_t last = (i + 1) * 512 - 2;
    page[offset + 2 + 2 * i] = page[last];
    page[offset + 3 + 2 * i] = page[last + 1];
    R::Put16(page, last, kNumber);
  }
}

// A 4096-byte INDX record with one entry per parent (key: a file name), then the last entry.
Bytes Indx(const std::vector<std::pair<std::uint64_t, std::uint16_t>>& entries) {
  Bytes page(4096, 0);
  std::memcpy(page.data(), "INDX", 4);
  R::Put16(page, 0x04, 0x28);
  R::Put16(page, 0x06, 9);
  R::Put64(page, 0x08, 0x1122);
  R::Put64(page, 0x10, 3);                // VCN
  R::Put32(page, 0x18, 0x28);             // entries at 0x40
  R::Put32(page, 0x20, 4096 - 0x18);      // allocated
  std::size_t at = 0x40;
  for (const auto& [parent, flags] : entries) {
    const auto key = FileNameContent(u"name", parent);
    R::Put16(page, at + 0x08, static_cast<std::uint16_t>(0x10 + key.size() + 6));
    R::Put16(page, at + 0x0A, static_cast<std::uint16_t>(key.size()));
    R::Put16(page, at + 0x0C, flags);
    std::memcpy(page.data() + at + 0x10, key.data(), key.size());
    R::Put64(page, at + 0x10 + 0x28, 4096);  // allocated size
    R::Put64(page, at + 0x10 + 0x30, 100);   // real size
    at += 0x10 + key.size() + 6;
  }
  R::Put16(page, at + 0x08, 0x10);
  R::Put16(page, at + 0x0C, 2);
  at += 0x10;
  R::Put32(page, 0x1C, static_cast<std::uint32_t>(at - 0x18));
  // A word in the last stride that the fix-up must restore.
  R::Put16(page, 4094, 0xBEEF);
  Protect(page, 0x28);
  return page;
}

TEST(CIndexRecord, EntriesOfOneFolder) {
  const Bytes page = Indx({{0x0001000000000030ull, 0}, {0x0001000000000030ull, 0}});
  EXPECT_TRUE(CIndexRecord::IsValid(page));
  EXPECT_EQ(CIndexRecord::GetParentFileReference(page), 0x30u);
  EXPECT_EQ(CIndexRecord::GetVCN(page), 3);
  EXPECT_EQ(CIndexRecord::GetLogFileSequenceNumber(page), 0x1122);
  Bytes fixed = page;
  ASSERT_TRUE(CIndexRecord::UnfixupIndexRecord(fixed));
  EXPECT_EQ(quellsy::le16(fixed, 4094).value_or(0), 0xBEEF);
  ASSERT_TRUE(CIndexRecord::FixupIndexRecord(fixed));
  EXPECT_EQ(fixed, page);
}

TEST(CIndexRecord, Refusals) {
  EXPECT_FALSE(CIndexRecord::IsValid(Indx({{0x30, 0}, {0x31, 0}})));
  // Same MFT number, another sequence number: another folder.
  EXPECT_FALSE(CIndexRecord::IsValid(Indx({{0x0001000000000030ull, 0}, {0x0002000000000030ull, 0}})));
  // A bare sub-node link is not examined.
  EXPECT_TRUE(CIndexRecord::IsValid(Indx({{0x30, 0}, {0x99, 1}})));
  Bytes stride = Indx({{0x30, 0}});
  R::Put16(stride, 7 * 512 + 510, 0);
  EXPECT_FALSE(CIndexRecord::IsValid(stride));
  Bytes realTooBig = Indx({{0x30, 0}});
  R::Put64(realTooBig, 0x40 + 0x10 + 0x30, 8192);
  EXPECT_FALSE(CIndexRecord::IsValid(realTooBig));
  Bytes count = Indx({{0x30, 0}});
  R::Put16(count, 0x06, 8);
  EXPECT_FALSE(CIndexRecord::IsValid(count));
  Bytes offset = Indx({{0x30, 0}});
  R::Put16(offset, 0x04, 0x26);
  EXPECT_FALSE(CIndexRecord::IsValid(offset));
  EXPECT_FALSE(CIndexRecord::IsValid(ByteSpan(Indx({{0x30, 0}})).first(2048)));
  EXPECT_EQ(CIndexRecord::GetParentFileReference(Bytes(4096, 0)), 0xFFFFFFFFu);
}

Bytes Rcrd() {
  Bytes page(4096, 0);
  std::memcpy(page.data(), "RCRD", 4);
  R::Put16(page, 0x04, 0x28);
  R::Put16(page, 0x06, 9);
  R::Put16(page, 1022, 0x4242);
  Protect(page, 0x28);
  return page;
}

TEST(CRCRDRecord, PageTests) {
  const Bytes page = Rcrd();
  EXPECT_TRUE(CRCRDRecord::IsValid(page));
  EXPECT_TRUE(CRCRDRecord::IsValidRCRDRecordFirstSector(ByteSpan(page).first(512)));
  EXPECT_FALSE(CRCRDRecord::IsValidRCRDRecordFirstSector(ByteSpan(page).first(511)));
  Bytes eight = page;
  R::Put16(eight, 0x06, 8);
  EXPECT_FALSE(CRCRDRecord::IsValid(eight));
  Bytes stride = page;
  R::Put16(stride, 3 * 512 + 510, 1);
  EXPECT_FALSE(CRCRDRecord::IsValid(stride));
  EXPECT_FALSE(CRCRDRecord::IsValid(ByteSpan(page).first(4000)));
  Bytes fixed = page;
  ASSERT_TRUE(CRCRDRecord::Unfixup(fixed));
  EXPECT_EQ(quellsy::le16(fixed, 1022).value_or(0), 0x4242);
  EXPECT_EQ(CRCRDRecord::GetRecordHead(page).size(), 0x40u);
  EXPECT_TRUE(CRCRDRecord::GetRecordHead(Bytes(4096, 0)).empty());
  EXPECT_EQ(CRCRDRecord::GetOperationRecordHeader(ByteSpan(page).first(48)).size(), 48u);
  EXPECT_TRUE(CRCRDRecord::GetOperationRecordHeader(ByteSpan(page).first(47)).empty());
}

TEST(CRestartPage, MagicClientAndStrides) {
  Bytes page(4096, 0);
  std::memcpy(page.data(), "RSTR", 4);
  const char16_t client[] = u"NTFS";
  for (int i = 0; i < 4; ++i) R::Put16(page, 0x90 + 2 * i, client[i]);
  R::Put16(page, 0x1E, kNumber);
  for (std::size_t i = 0; i < 8; ++i) R::Put16(page, (i + 1) * 512 - 2, kNumber);
  EXPECT_TRUE(CRestartPage::IsValidRestartRecord(page));
  EXPECT_TRUE(CRestartPage::IsValidRestartRecordHeader(ByteSpan(page).first(152)));
  EXPECT_FALSE(CRestartPage::IsValidRestartRecordHeader(ByteSpan(page).first(151)));
  Bytes stride = page;
  R::Put16(stride, 4094, 0);
  EXPECT_FALSE(CRestartPage::IsValidRestartRecord(stride));
  Bytes stranger = page;
  R::Put16(stranger, 0x90, u'X');
  EXPECT_FALSE(CRestartPage::IsValidRestartRecord(stranger));
}

}  // namespace
}  // namespace quellsy::test
