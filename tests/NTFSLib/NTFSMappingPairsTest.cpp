// Mapping pairs: the test, decoding, packing and their round trips, with byte strings worked out by hand.

#include "NTFSLib/NTFSMappingPairs.h"

#include <gtest/gtest.h>

#include <limits>

#include "NTFSLib/CCompressedDataRunList.h"
#include "NTFSLib/CNTFSDataRunList.h"
#include "NTFSLib/CNoneResidentNTFSDataRunList.h"
#include "NTFSLib/CResidentNTFSDataRunList.h"

namespace quellsy::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Runs = std::vector<std::pair<std::int64_t, std::int64_t>>;  // (first cluster or -1, length)

Runs Pairs(const std::vector<ntfs::MappingRun>& runs) {
  Runs out;
  for (const auto& r : runs) out.emplace_back(r.lcn, r.length);
  return out;
}

std::vector<ntfs::MappingRun> ToRuns(const Runs& runs) {
  std::vector<ntfs::MappingRun> out;
  for (const auto& [lcn, length] : runs) out.push_back({lcn, 0, length});
  return out;
}

Runs Walk(IDataRunList& list) {
  Runs out;
  for (const DataRun* run = list.GetFirst(); run != nullptr; run = list.GetNext()) out.emplace_back(run->lcn, run->length);
  return out;
}

struct PackCase {
  const char* what;
  Runs runs;
  Bytes packed;
};

void PrintTo(const PackCase& c, std::ostream* os) { *os << c.what; }

class PackCases : public ::testing::TestWithParam<PackCase> {};

TEST_P(PackCases, PacksToTheBytesAndDecodesBack) {
  const auto& c = GetParam();
  EXPECT_EQ(ntfs::PackMappingPairs(ToRuns(c.runs)), c.packed);
  ASSERT_TRUE(ntfs::IsValidMappingPairs(c.packed));
  std::vector<ntfs::MappingRun> decoded;
  EXPECT_TRUE(ntfs::DecodeMappingPairs(c.packed, 0, decoded));
  EXPECT_EQ(Pairs(decoded), c.runs);

  CNoneResidentNTFSDataRunList list;
  for (const auto& [lcn, length] : c.runs) {
    const DataRun run{lcn, length};
    list.AddDataRun(&run);
  }
  const auto compressed = CCompressedDataRunList::Compress(&list);
  ASSERT_NE(compressed, nullptr);
  EXPECT_EQ(Bytes(compressed->Bytes().begin(), compressed->Bytes().end()), c.packed);
  EXPECT_EQ(compressed->GetCompressedDataRunSize(), c.packed.size());
  std::size_t consumed = 0;
  const auto restored = CCompressedDataRunList::Restore(compressed->Save(), consumed);
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(consumed, 4 + c.packed.size() + 2);
  IDataRunList* back = restored->Decompress();
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->GetDataRunListType(), 2);
  EXPECT_EQ(Walk(*back), c.runs);
  back->Release();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PackCases,
    ::testing::Values(
        // Offsets +100, none, -10 (0xF6).
        PackCase{"three runs with a hole", {{100, 8}, {-1, 8}, {90, 8}},
                 {0x11, 0x08, 0x64, 0x01, 0x08, 0x11, 0x08, 0xF6, 0x00}},
        PackCase{"sparse only", {{-1, 16}}, {0x01, 0x10, 0x00}},
        PackCase{"127 takes one byte, 128 two", {{127, 128}}, {0x12, 0x80, 0x00, 0x7F, 0x00}},
        PackCase{"five-byte offset", {{0x123456789A, 300}}, {0x52, 0x2C, 0x01, 0x9A, 0x78, 0x56, 0x34, 0x12, 0x00}},
        PackCase{"eight-byte offset", {{0x7F00000000000001, 5}},
                 {0x81, 0x05, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x7F, 0x00}},
        PackCase{"back by more than a signed byte", {{1000, 1}, {800, 1}}, {0x21, 0x01, 0xE8, 0x03, 0x21, 0x01, 0x38, 0xFF, 0x00}}));

TEST(MappingPairs, ThreeByteOffsetIsSigned) {
  // 16777216, then back by 0x800000.
  const Bytes bytes{0x41, 0x01, 0x00, 0x00, 0x00, 0x01, 0x31, 0x01, 0x00, 0x00, 0x80, 0x00};
  std::vector<ntfs::MappingRun> runs;
  ASSERT_TRUE(ntfs::DecodeMappingPairs(bytes, 0, runs));
  EXPECT_EQ(Pairs(runs), (Runs{{16777216, 1}, {16777216 - 8388608, 1}}));
}

TEST(MappingPairs, SignedWidths) {
  const std::vector<std::pair<std::int64_t, unsigned>> cases{
      {0, 1}, {127, 1}, {128, 2}, {-128, 1}, {-129, 2}, {32767, 2}, {32768, 3}, {-8388608, 3}, {-8388609, 4},
      {std::numeric_limits<std::int64_t>::max(), 8}, {std::numeric_limits<std::int64_t>::min(), 8}};
  for (const auto& [value, width] : cases) EXPECT_EQ(ntfs::SignedWidth(value), width) << value;
}

struct ValidCase {
  const char* what;
  Bytes bytes;
  bool valid;
};

void PrintTo(const ValidCase& c, std::ostream* os) { *os << c.what; }

class ValidityCases : public ::testing::TestWithParam<ValidCase> {};

TEST_P(ValidityCases, Test) { EXPECT_EQ(ntfs::IsValidMappingPairs(GetParam().bytes), GetParam().valid); }

INSTANTIATE_TEST_SUITE_P(
    Cases, ValidityCases,
    ::testing::Values(ValidCase{"empty list", {0x00}, true}, ValidCase{"no bytes", {}, false},
                      ValidCase{"no terminator", {0x11, 0x08, 0x64}, false},
                      ValidCase{"terminated", {0x11, 0x08, 0x64, 0x00}, true},
                      ValidCase{"run cut by the end", {0x21, 0x08, 0x64, 0x00}, false},
                      ValidCase{"five-byte offset", {0x51, 0x01, 0x01, 0x02, 0x03, 0x04, 0x05, 0x00}, true},
                      ValidCase{"nine-byte offset", {0x91, 0x01, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0x00}, false},
                      ValidCase{"nine-byte length", {0x19, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0x00}, false},
                      ValidCase{"bytes after the terminator", {0x00, 0xFF, 0xFF}, true}));

TEST(MappingPairs, NonResidentDecoderRefusesWideFieldsButNotFiveBytes) {
  CNoneResidentNTFSDataRunList five;
  five.InitFromBuffer(Bytes{0x51, 0x02, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00});
  EXPECT_EQ(Walk(five), (Runs{{0x100000001, 2}}));
  CNoneResidentNTFSDataRunList wide;
  wide.InitFromBuffer(Bytes{0x11, 0x01, 0x05, 0x91, 0x01, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0x00});
  EXPECT_EQ(Walk(wide), (Runs{{5, 1}}));
  // No terminator: decoding stops at the end of the bytes.
  CNoneResidentNTFSDataRunList cut;
  cut.InitFromBuffer(Bytes{0x11, 0x01, 0x05, 0x21, 0x01});
  EXPECT_EQ(Walk(cut), (Runs{{5, 1}}));
}

TEST(CNTFSDataRunList, LookupsThroughRunsAndHoles) {
  const Bytes bytes{0x11, 0x08, 0x64, 0x01, 0x08, 0x11, 0x08, 0xF6, 0x00};
  CNTFSDataRunList list;
  ASSERT_TRUE(list.InitFromBuffer(bytes));
  const std::vector<std::pair<std::int64_t, std::int64_t>> vcnToLcn{{0, 100}, {7, 107}, {8, -1}, {15, -1},
                                                                   {16, 90}, {23, 97}, {24, -1}, {-1, -1}};
  for (const auto& [vcn, lcn] : vcnToLcn) EXPECT_EQ(list.GetLCN(vcn), lcn) << "vcn " << vcn;
  const std::vector<std::pair<std::int64_t, std::int64_t>> lcnToVcn{{100, 0}, {95, 21}, {99, -1}, {108, -1}, {-1, -1}};
  for (const auto& [lcn, vcn] : lcnToVcn) EXPECT_EQ(list.GetVCN(lcn), vcn) << "lcn " << lcn;
  EXPECT_TRUE(list.IsLCNContained(97));
  EXPECT_EQ(list.GetTotalClusters(), 24);
  EXPECT_EQ(CNTFSDataRunList::GetTotalClusters(bytes), 24);

  // A second attribute's runs continue at its starting VCN.
  CNTFSDataRunList joined = list;
  ASSERT_TRUE(joined.AddDataRunsfromBuffer(Bytes{0x11, 0x04, 0x0A, 0x00}, 24));
  EXPECT_EQ(joined.GetLCN(24), 10);
  EXPECT_EQ(joined.GetLCN(27), 13);
  EXPECT_FALSE(joined.IsEqual(list));
  CNTFSDataRunList again;
  ASSERT_TRUE(again.InitFromBuffer(bytes));
  EXPECT_TRUE(again.IsEqual(list));

  EXPECT_FALSE(list.InitFromBuffer(Bytes{0x11, 0x08, 0x64}));
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_FALSE(list.AddDataRunsfromBuffer(Bytes{0x91, 0x00}, 0));
  EXPECT_TRUE(list.IsEmpty());
}

TEST(CNTFSDataRunList, SortByVcnAndNonResidentCopy) {
  CNTFSDataRunList list;
  list.AddDataRun({50, 10, 5});
  list.AddDataRun({20, 0, 10});
  list.Sort();
  EXPECT_EQ(list.GetRuns().front().vcn, 0);
  std::int64_t clusters = 0;
  CNoneResidentNTFSDataRunList* copy = BuildNonResidentDataRunListfromNTFSDataRunList(list, clusters);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(clusters, 15);
  EXPECT_EQ(Walk(*copy), (Runs{{20, 10}, {50, 5}}));
  copy->Release();
  EXPECT_EQ(BuildNonResidentDataRunListfromNTFSDataRunList(CNTFSDataRunList(), clusters), nullptr);
}

TEST(CNTFSDataRunList, StoredFormRoundTripAndRefusals) {
  CNTFSDataRunList list;
  ASSERT_TRUE(list.InitFromBuffer(Bytes{0x11, 0x08, 0x64, 0x01, 0x08, 0x11, 0x08, 0xF6, 0x00}));
  const Bytes stored = list.Save();
  // Count, then (LCN, length, VCN) per run: 8 + 3 x 24 bytes; the hole's LCN is stored as all ones.
  ASSERT_EQ(stored.size(), 80u);
  EXPECT_EQ(stored[0], 3);
  EXPECT_EQ(stored[8 + 24], 0xFF);
  EXPECT_EQ(stored[8 + 24 + 16], 8);
  CNTFSDataRunList back;
  std::size_t consumed = 0;
  ASSERT_TRUE(back.Restore(stored, consumed));
  EXPECT_EQ(consumed, stored.size());
  EXPECT_TRUE(back.IsEqual(list));
  EXPECT_FALSE(back.Restore(ByteSpan(stored).first(79), consumed));
  EXPECT_TRUE(back.IsEmpty());
  Bytes huge(8, 0xFF);  // claims 2^64 - 1 runs
  EXPECT_FALSE(back.Restore(huge, consumed));
  EXPECT_EQ(consumed, 0u);
}

TEST(CCompressedDataRunList, ResidentListKeepsItsOffset) {
  CResidentNTFSDataRunList resident;
  resident.InitList(123456, 1, 0x98);
  const auto packed = CCompressedDataRunList::Compress(&resident);
  ASSERT_NE(packed, nullptr);
  EXPECT_EQ(packed->GetOffset(), 0x98);
  std::size_t consumed = 0;
  const auto restored = CCompressedDataRunList::Restore(packed->Save(), consumed);
  ASSERT_NE(restored, nullptr);
  IDataRunList* back = restored->Decompress();
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->GetDataRunListType(), 1);
  EXPECT_TRUE(back->IsResident());
  EXPECT_EQ(back->GetOffset(), 0x98);
  EXPECT_EQ(Walk(*back), (Runs{{123456, 1}}));
  IDataRunList* clone = back->Clone();
  EXPECT_EQ(clone->GetOffset(), 0x98);
  EXPECT_EQ(Walk(*clone), (Runs{{123456, 1}}));
  clone->Release();
  back->Release();
}

// The exact flag is what lets a scan hand its freshly built list on instead of unpacking the packed one: it
// must be set exactly when unpacking gives the same runs back (the round trip is the oracle).
TEST(CCompressedDataRunList, ExactWhenUnpackingGivesTheSameRuns) {
  const struct {
    const char* what;
    Runs runs;
    bool exact;
  } cases[] = {
      {"one run", {{100, 8}}, true},
      {"runs with a hole", {{100, 8}, {-1, 4}, {20, 2}}, true},
      {"a zero-length run", {{100, 0}, {300, 1}}, true},
      {"a cluster below -1 becomes a hole", {{100, 8}, {-5, 2}}, false},
      {"a negative length reads back unsigned", {{100, -1}}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CNoneResidentNTFSDataRunList list;
    for (const auto& [lcn, length] : c.runs) {
      const DataRun run{lcn, length};
      list.AddDataRun(&run);
    }
    bool exact = !c.exact;
    CCompressedDataRunList packed;
    ASSERT_TRUE(CCompressedDataRunList::Compress(&list, packed, &exact));
    EXPECT_EQ(exact, c.exact);
    IDataRunList* back = packed.Decompress();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(Walk(*back) == Walk(list), c.exact);
    back->Release();
  }
  // A resident list comes back as its first run only: a second run makes the round trip lossy.
  CResidentNTFSDataRunList resident;
  resident.InitList(500, 1, 0x98);
  const DataRun second{900, 1};
  resident.AddDataRun(&second);
  bool exact = true;
  ASSERT_NE(CCompressedDataRunList::Compress(&resident, &exact), nullptr);
  EXPECT_FALSE(exact);
  CCompressedDataRunList untouched;
  EXPECT_FALSE(CCompressedDataRunList::Compress(nullptr, untouched, &exact));
  EXPECT_FALSE(exact);
  EXPECT_TRUE(untouched.IsEmpty());
}

TEST(CCompressedDataRunList, RefusesWhatCannotBePacked) {
  EXPECT_EQ(CCompressedDataRunList::Compress(nullptr), nullptr);
  CNoneResidentNTFSDataRunList empty;
  EXPECT_EQ(CCompressedDataRunList::Compress(&empty), nullptr);
  CResidentNTFSDataRunList noOffset;
  noOffset.InitList(10, 1, 0);
  EXPECT_EQ(CCompressedDataRunList::Compress(&noOffset), nullptr);

  std::size_t consumed = 99;
  const std::vector<Bytes> stored{
      {},                                     // nothing
      {0x03, 0x00, 0x00, 0x00, 0x11, 0x01},   // cut short
      {0x02, 0x00, 0x00, 0x00, 0x01, 0x05, 0x00, 0x00},  // no terminating zero
      {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00},        // claims more than it has
  };
  for (const auto& bytes : stored) {
    EXPECT_EQ(CCompressedDataRunList::Restore(bytes, consumed), nullptr);
    EXPECT_EQ(consumed, 0u);
  }
}

}  // namespace
}  // namespace quellsy::test
