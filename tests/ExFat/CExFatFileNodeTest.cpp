// The exFAT node: deleted and contiguous marks beside the attributes, renaming through the base interface, clones.

#include "ExFat/CExFatFileNode.h"

#include <gtest/gtest.h>

#include "ExFat/ExFatTime.h"
#include "support/ScopedTimeZone.h"
#include "include/IDataRunList.h"

namespace quellsy::test {
namespace {

TEST(ExFatFileNode, ADeletedFolderIsStillAFolder) {
  CExFatFileNode node;
  node.SetFileAttributes(0x10);
  node.SetFileDeleted();
  EXPECT_EQ(node.IsDeleted(), 1);
  EXPECT_EQ(node.IsDirectory(), 1);
  EXPECT_EQ(node.GetAttribute(), 0x10);
}

TEST(ExFatFileNode, AttributesAreAddedNeverCleared) {
  CExFatFileNode node;
  node.SetFileAttributes(0x20);
  node.SetFileAttributes(0x10);
  EXPECT_EQ(node.GetAttribute(), 0x30);
  node.SetFileFatInvalid();
  node.MarkDeleted();
  // The marks live above the 16 attribute bits.
  EXPECT_EQ(node.GetAttribute(), 0x30);
  EXPECT_TRUE(node.IsFatInvalid());
  EXPECT_EQ(node.IsDeleted(), 1);
}

TEST(ExFatFileNode, RenamingThroughTheBaseInterface) {
  CExFatFileNode node;
  IFileNode* base = &node;
  base->SetFileName("..hidden name");
  EXPECT_STREQ(node.GetFileName(), "..hidden name");
  base->SetFileName(nullptr);
  EXPECT_STREQ(node.GetFileName(), "..hidden name");
  base->FilterFileNameByDot();
  EXPECT_STREQ(node.GetFileName(), "hidden name");
}

TEST(ExFatFileNode, ACloneKeepsWhatTheSetSaidButNotTheIds) {
  CExFatFileNode node;
  node.SetFileName("photo.jpg");
  node.SetFileSize(41123);
  node.SetFileAttributes(0x20);
  node.SetFileDeleted();
  node.SetFileTime(1, 2, 3);
  node.SetID(4096);
  node.SetParentID(2048);
  node.SetFirstCluster(85);
  node.SetMetaDataSector(99);
  IDataRunList* runs = CreateDataRunList();
  const DataRun run{83, 11};
  runs->AddDataRun(&run);
  node.SetDataRunList(runs);

  auto* clone = dynamic_cast<CExFatFileNode*>(node.Clone());
  ASSERT_NE(clone, nullptr);
  EXPECT_STREQ(clone->GetFileName(), "photo.jpg");
  EXPECT_EQ(clone->GetFileSize(), 41123);
  EXPECT_EQ(clone->IsDeleted(), 1);
  EXPECT_EQ(clone->GetAttribute(), 0x20);
  EXPECT_EQ(clone->GetCreationTime(), 1u);
  EXPECT_EQ(clone->GetModificationTime(), 2u);
  EXPECT_EQ(clone->GetLastAccessTime(), 3u);
  EXPECT_EQ(clone->GetCurrentNodeID(), -1);
  EXPECT_EQ(clone->GetParentNodeID(), -1);
  EXPECT_EQ(clone->GetFirstCluster(), -1);
  ASSERT_NE(clone->GetDataRunList(), nullptr);
  EXPECT_NE(clone->GetDataRunList(), runs);
  const DataRun* copied = clone->GetDataRunList()->GetFirst();
  ASSERT_NE(copied, nullptr);
  EXPECT_EQ(copied->lcn, 83);
  EXPECT_EQ(copied->length, 11);
  EXPECT_EQ(clone->GetSearcheType(), SEARCHER_EXFAT);
  clone->Release();
}

TEST(ExFatTime, StampsAreLocalTime) {
  // 2020-01-02 03:04:06: 1577934246 seconds after 1970 in UTC, an hour earlier in Berlin.
  const _tagDOSTime stamp = _tagDOSTime::FromStamp((0x5022u << 16) | 0x1883u);
  constexpr std::uint64_t kUnix = 1577934246;
  constexpr std::uint64_t kToFileTime = 11644473600;
  {
    const ScopedTimeZone utc("UTC");
    EXPECT_EQ(DosTime2FileTime(stamp), (kUnix + kToFileTime) * 10000000);
  }
  const ScopedTimeZone berlin("Europe/Berlin");
  EXPECT_EQ(DosTime2FileTime(stamp), (kUnix - 3600 + kToFileTime) * 10000000);
}

}  // namespace
}  // namespace quellsy::test
