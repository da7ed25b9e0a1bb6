// The streaming and branch frames with scripted members: waiting below the minimum, ending at the
// found end with the name stem, and handing over to the fallback past the caps, on a walk that stops
// without an end, on a walk that throws, and on removal.

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "FakeRawAnalysers.h"
#include "RAWSearch/Framework/BranchAnalyser.h"
#include "RAWSearch/Framework/StreamingAnalyser.h"

namespace quellsy::test {
namespace {

constexpr int kSector = 512;

// Continue answers from a script: go on until `stopAt` calls, then stop with `end` (or throw).
class ScriptedBranch : public Brance::CBranchRawFileInfo {
 public:
  ScriptedBranch(IRawFileAnalyser* fallback, long long minimum, long long cap, int stopAt, long long end,
                 bool throws = false)
      : CBranchRawFileInfo(RAW_FILE_TYPE_LZH, fallback, minimum, cap), stopAt_(stopAt), end_(end), throws_(throws) {}
  int calls = 0;

 protected:
  bool Continue(const unsigned char*, int, long long, const SearchContext&) override {
    if (++calls < stopAt_) return true;
    if (throws_) throw std::runtime_error("walk failed");
    m_llFoundEnd = end_;
    return false;
  }

 private:
  int stopAt_;
  long long end_;
  bool throws_;
};

struct FeedOutcome {
  int result = 0;
  long long sector = -1;
};

// Feeds zero sectors from the record's start on until it answers 1 (at most `limit` sectors).
FeedOutcome Feed(CRawFileInfo& record, long long limit) {
  std::vector<unsigned char> sector(kSector, 0);
  CRawFileInfo::SearchContext context;
  context.llBufferFirstSector = record.m_llStartSector;
  context.llBlockEndSector = record.m_llStartSector + limit;
  context.uTrailingZeroBytes = 32;
  FeedOutcome out;
  for (long long n = record.m_llStartSector; n < record.m_llStartSector + limit; ++n) {
    out = {record.CalcRawSize(sector.data(), kSector, n, context), n};
    if (out.result == 1) break;
  }
  return out;
}

class BranchFrame : public ::testing::Test {
 protected:
  FixedSizeAnalyser fallback_{RAW_FILE_TYPE_LZH, 0, nullptr};
};

TEST_F(BranchFrame, WaitsForTheMinimumThenEndsAtTheFoundEnd) {
  ScriptedBranch record(&fallback_, 3 * kSector, 1000000, 2, 2500);
  record.m_llStartSector = 10;
  const FeedOutcome out = Feed(record, 100);
  ASSERT_EQ(out.result, 1);
  // Not asked below the minimum (sectors 10-12), then twice.
  EXPECT_EQ(out.sector, 14);
  EXPECT_EQ(record.calls, 2);
  EXPECT_EQ(record.m_ullSize, 2500u);
  EXPECT_EQ(record.GetRawFileName(), "10-14_");
}

TEST_F(BranchFrame, PastTenCapsTheFallbackMeasures) {
  ScriptedBranch record(&fallback_, 0, 4 * kSector, 1000, 1);
  record.m_llStartSector = 0;
  const FeedOutcome out = Feed(record, 1000);
  ASSERT_EQ(out.result, 1);
  EXPECT_EQ(out.sector, 40);
  EXPECT_EQ(record.m_ullSize, 0u);
  record.WillBeRemove(nullptr, -1);
  EXPECT_EQ(record.m_pAnalyser, &fallback_);
}

TEST_F(BranchFrame, AStopWithoutAnEndOrAThrowHandsOver) {
  for (bool throws : {false, true}) {
    SCOPED_TRACE(throws);
    ScriptedBranch record(&fallback_, 0, 1000000, 3, 0, throws);
    const FeedOutcome out = Feed(record, 100);
    ASSERT_EQ(out.result, 1);
    EXPECT_EQ(out.sector, 2);
    EXPECT_EQ(record.m_ullSize, 0u);
    EXPECT_TRUE(record.GetRawFileName().empty());
  }
  ScriptedBranch record(&fallback_, 0, 1000000, 3, 0);
  CRawFileInfo::SearchContext context;
  EXPECT_EQ(record.CalcRawSize(nullptr, kSector, 0, context), 1);
  EXPECT_EQ(record.m_ullSize, 0u);
}

// The zero-tail rule of the streaming frame, with and without a fallback.
class ZeroTailMember : public RawSpeed::CStreamingRawFileInfo {
 public:
  ZeroTailMember(IRawFileAnalyser* fallback, long long cap)
      : CStreamingRawFileInfo(RAW_FILE_TYPE_HTM, fallback, 20, 0, cap) {}
  int CalcRawSize(unsigned char* sector, int sectorSize, long long sectorNumber, SearchContext& context) override {
    return ZeroTailEnd(sector, sectorSize, sectorNumber, context);
  }
};

TEST(StreamingFrame, ZeroTailEndsAtTheLastNonZeroByteButNeverOnTheFirstSector) {
  ZeroTailMember record(nullptr, 1000000);
  record.m_llStartSector = 4;
  std::vector<unsigned char> sector(kSector, 0);
  std::fill(sector.begin(), sector.begin() + 100, 'x');
  CRawFileInfo::SearchContext context;
  context.llBlockEndSector = 100;
  context.uTrailingZeroBytes = 32;
  EXPECT_EQ(record.CalcRawSize(sector.data(), kSector, 4, context), 2);
  // Only one zero word at the end: not the end.
  context.uTrailingZeroBytes = 4;
  EXPECT_EQ(record.CalcRawSize(sector.data(), kSector, 5, context), 2);
  context.uTrailingZeroBytes = 32;
  ASSERT_EQ(record.CalcRawSize(sector.data(), kSector, 6, context), 1);
  EXPECT_EQ(record.m_ullSize, 2u * kSector + 100);
  EXPECT_EQ(record.GetRawFileName(), "4-6_");
}

TEST(StreamingFrame, PastTheCapAMemberWithoutFallbackKeepsWhatItFollowed) {
  FixedSizeAnalyser fallback(RAW_FILE_TYPE_HTM, 0, nullptr);
  for (IRawFileAnalyser* owned : {static_cast<IRawFileAnalyser*>(nullptr), static_cast<IRawFileAnalyser*>(&fallback)}) {
    ZeroTailMember record(owned, 2 * kSector);
    const FeedOutcome out = [&] {
      std::vector<unsigned char> sector(kSector, 'x');
      CRawFileInfo::SearchContext context;
      context.llBlockEndSector = 100;
      FeedOutcome o;
      for (long long n = 0; n < 10 && o.result != 1; ++n) o = {record.CalcRawSize(sector.data(), kSector, n, context), n};
      return o;
    }();
    ASSERT_EQ(out.result, 1);
    EXPECT_EQ(out.sector, 3);
    EXPECT_EQ(record.m_ullSize, owned ? 0u : 3u * kSector);
    record.WillBeRemove(nullptr, -1);
    EXPECT_EQ(record.m_pAnalyser, owned);
  }
}

}  // namespace
}  // namespace quellsy::test
