// Log-file evidence in a complete scan: restart pages and a $LogFile record proposing partitions, record pages
// counted by sector, also when a block boundary cuts one. Origins are worked out by hand: a restart page at sector
// S of a log whose first cluster is C, with k sectors per cluster, lies in a partition starting at S - C x k.

#include <gtest/gtest.h>

#include <vector>

#include "NTFSLib/CNTFSFileRecord.h"
#include "NTFSLib/NTFSMappingPairs.h"
#include "NTFSLib/NtfsRecordBuilder.h"
#include "NTFSSearch/CLogFileAnalyzer.h"
#include "support/ntfs/NtfsLogWriter.h"

namespace {

using namespace quellsy::test;

constexpr std::int64_t kDeviceSectors = 1 << 20;
constexpr std::int64_t kLogCluster = 100;
constexpr std::uint32_t k = 8;
constexpr std::int64_t kOrigin = 2048;
// The log's first page, where the partition at kOrigin has it.
constexpr std::int64_t kFirstPage = kOrigin + kLogCluster * k;
constexpr std::int64_t kLogRecordSector = kOrigin + 100;

std::vector<std::uint8_t> LogFileRecord(std::int64_t clusters = 16) {
  return NtfsRecordBuilder()
      .StandardInformation(0x06)
      .FileName(u"$LogFile", 5)
      .NonResident(0x80, quellsy::ntfs::PackMappingPairs({{kLogCluster, 0, clusters}}), 0, clusters - 1,
                   clusters * 4096)
      .Number(2)
      .Build();
}

void GiveLogRecord(CLogFileAnalyzer& analyzer) {
  const CNTFSFileRecord record(LogFileRecord());
  analyzer.AnalyzeLogFileFileRecord(kLogRecordSector, record);
}

void GiveRestartPages(CLogFileAnalyzer& analyzer, const std::vector<std::int64_t>& sectors) {
  const std::vector<std::uint8_t> page = NtfsRestartPage(2, 0x1000);
  for (const std::int64_t sector : sectors) analyzer.AnalyzeRSTRRecord(sector, page);
}

using Proposals = CLogFileAnalyzer::Proposals;

TEST(CLogFileAnalyzer, TwoRestartPagesAndTheLogRecordGiveOnePartitionWithBothFlags) {
  for (const bool recordFirst : {true, false}) {
    SCOPED_TRACE(recordFirst ? "record before pages" : "pages before record");
    CLogFileAnalyzer analyzer(kDeviceSectors);
    if (recordFirst) GiveLogRecord(analyzer);
    GiveRestartPages(analyzer, {kFirstPage, kFirstPage + 8});
    if (!recordFirst) GiveLogRecord(analyzer);
    EXPECT_EQ(analyzer.GetProposals(), (Proposals{{{kOrigin, k}, 64 | 128}}));
  }
}

TEST(CLogFileAnalyzer, ALoneRestartPageMayBeEitherOfTheTwo) {
  CLogFileAnalyzer analyzer(kDeviceSectors);
  GiveLogRecord(analyzer);
  GiveRestartPages(analyzer, {kFirstPage});
  EXPECT_EQ(analyzer.GetProposals(), (Proposals{{{kOrigin - 8, k}, 128}, {{kOrigin, k}, 64}}));
}

TEST(CLogFileAnalyzer, DamagedRestartPagesAndOtherRecordsProposeNothing) {
  CLogFileAnalyzer analyzer(kDeviceSectors);
  GiveLogRecord(analyzer);
  std::vector<std::uint8_t> damaged = NtfsRestartPage(0, 0x1000);
  damaged[1023] ^= 0xFF;  // the second stride's sequence number
  analyzer.AnalyzeRSTRRecord(kFirstPage, damaged);
  const CNTFSFileRecord other(NtfsRecordBuilder().StandardInformation(0x06).FileName(u"$Volume", 5).Number(3).Build());
  analyzer.AnalyzeLogFileFileRecord(kLogRecordSector, other);
  GiveRestartPages(analyzer, {40});  // the log's cluster would put the origin before sector 0
  EXPECT_TRUE(analyzer.GetProposals().empty());
  EXPECT_EQ(analyzer.GetRestartPages(), (std::vector<std::int64_t>{40}));
}

// Record pages 4 and 5 of a log: sixteen sectors of valid pages.
std::vector<std::uint8_t> TwoRecordPages() {
  NtfsLogWriter log(6);
  log.Add(std::vector<std::uint8_t>(5000, 1));
  const std::vector<std::uint8_t> bytes = log.Build();
  return {bytes.begin() + 4 * 4096, bytes.end()};
}

TEST(CLogFileAnalyzer, ARecordPageSplitFiveAndThreeBetweenBlocksCountsOnce) {
  const std::vector<std::uint8_t> pages = TwoRecordPages();
  std::vector<std::uint8_t> device(64 * 512, 0);
  std::copy(pages.begin(), pages.end(), device.begin() + 11 * 512);  // pages at sectors 11 and 19
  CLogFileAnalyzer analyzer(kDeviceSectors);
  const quellsy::ByteSpan all(device);
  // Blocks of 16 sectors: the first page's sectors 11-15 end the first block, 16-18 start the second.
  for (std::int64_t first = 0; first < 64; first += 16)
    analyzer.AnalyzeRCRDRecord(all.subspan(static_cast<std::size_t>(first) * 512, 16 * 512), first, 16);
  EXPECT_EQ(analyzer.GetRecordPageRanges(), (std::vector<std::pair<std::int64_t, std::int64_t>>{{11, 16}}));
  EXPECT_EQ(analyzer.GetRecordPageSectors(), 16);
}

TEST(CLogFileAnalyzer, AKeptPartOfAPageIsDroppedWhenTheNextBlockDoesNotFollow) {
  const std::vector<std::uint8_t> pages = TwoRecordPages();
  std::vector<std::uint8_t> block(16 * 512, 0);
  std::copy(pages.begin(), pages.begin() + 5 * 512, block.begin() + 11 * 512);
  CLogFileAnalyzer analyzer(kDeviceSectors);
  analyzer.AnalyzeRCRDRecord(block, 0, 16);
  std::vector<std::uint8_t> rest(16 * 512, 0);
  std::copy(pages.begin() + 5 * 512, pages.begin() + 8 * 512, rest.begin());
  analyzer.AnalyzeRCRDRecord(rest, 100, 16);
  EXPECT_EQ(analyzer.GetRecordPageSectors(), 0);
  // A damaged page is skipped as a whole.
  std::vector<std::uint8_t> damaged = pages;
  damaged[511] ^= 0xFF;
  analyzer.AnalyzeRCRDRecord(damaged, 200, 16);
  EXPECT_EQ(analyzer.GetRecordPageRanges(), (std::vector<std::pair<std::int64_t, std::int64_t>>{{208, 8}}));
}

TEST(CLogFileAnalyzer, TheMatchCountsTheLogsSectorsInRecordPages) {
  CLogFileAnalyzer analyzer(kDeviceSectors);
  GiveLogRecord(analyzer);
  const std::vector<std::uint8_t> pages = TwoRecordPages();
  // The log's clusters 4 and 5 (its record pages) where the partition at kOrigin places them, then two pages
  // outside the log.
  analyzer.AnalyzeRCRDRecord(pages, kFirstPage + 4 * k, 16);
  analyzer.AnalyzeRCRDRecord(pages, kFirstPage + 16 * k, 16);
  const CLogFileAnalyzer::LogFileMatch found = analyzer.CalcLogFileMatch(kOrigin, k, 1 << 16, -1);
  EXPECT_EQ(found.recordSector, kLogRecordSector);
  EXPECT_EQ(found.matchCount, 16);
  EXPECT_EQ(analyzer.CalcLogFileMatch(kOrigin, k, 1 << 16, kLogRecordSector - 4).matchCount, 16);
  // Placed 8 sectors later the log ends inside the first page past it: 16 + 8 sectors.
  EXPECT_EQ(analyzer.CalcLogFileMatch(kOrigin + 8, k, 1 << 16, -1).matchCount, 24);
  EXPECT_EQ(analyzer.CalcLogFileMatch(kLogRecordSector + 1, k, 1 << 16, -1).recordSector, -1);
}

}  // namespace
