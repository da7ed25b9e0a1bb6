// The log-record walker over pages of the test-side log writer: records found in order and once, joined across
// pages, and what ends a page or drops a record waiting for its continuation.

#include <gtest/gtest.h>

#include <vector>

#include "NTFSLib/NTFSLogRecords.h"
#include "support/ntfs/NtfsLogWriter.h"

namespace {

using namespace quellsy::test;
namespace ntfs = quellsy::ntfs;

struct Seen {
  std::uint64_t lsn;
  std::vector<std::uint8_t> client;
};

// Feeds the pages of a log (those listed, or all) and collects what the walker reports.
std::vector<Seen> Walk(std::vector<std::uint8_t> log, std::vector<std::size_t> order = {}) {
  if (order.empty())
    for (std::size_t i = 0; i < log.size() / 4096; ++i) order.push_back(i);
  std::vector<Seen> seen;
  ntfs::LogRecordWalker walker([&](const ntfs::LogRecord& r) {
    const auto client = r.ClientData();
    seen.push_back({r.lsn, {client.begin(), client.end()}});
  });
  for (const std::size_t i : order) walker.Feed(i, quellsy::MutableByteSpan(log).subspan(i * 4096, 4096));
  return seen;
}

std::vector<std::uint8_t> Bytes(std::size_t n, std::uint8_t value) { return std::vector<std::uint8_t>(n, value); }

TEST(LogRecordWalker, FindsEveryRecordOnceAndJoinsThoseThatCrossPages) {
  NtfsLogWriter log(12);
  std::vector<std::uint64_t> lsns;
  const std::vector<std::size_t> sizes = {100, 3800, 9000, 16, 4000};
  for (std::size_t i = 0; i < sizes.size(); ++i) lsns.push_back(log.Add(Bytes(sizes[i], static_cast<std::uint8_t>(i + 1))));
  const std::vector<Seen> seen = Walk(log.Build());
  ASSERT_EQ(seen.size(), sizes.size());
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    EXPECT_EQ(seen[i].lsn, lsns[i]);
    EXPECT_EQ(seen[i].client, Bytes(sizes[i], static_cast<std::uint8_t>(i + 1))) << "record " << i;
  }
}

TEST(LogRecordWalker, APageThatFailsItsTestDropsTheRecordWaitingForIt) {
  NtfsLogWriter log(8);
  log.Add(Bytes(4100, 1));  // crosses into page 5
  log.EndPage();
  log.Add(Bytes(64, 2));    // page 6
  std::vector<std::uint8_t> bytes = log.Build();
  bytes[5 * 4096 + 1023] ^= 0xFF;  // page 5's second stride no longer ends with the sequence number
  const std::vector<Seen> seen = Walk(bytes);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].client, Bytes(64, 2));
  // Pages out of order: the continuation is not taken from a page that does not follow.
  EXPECT_EQ(Walk(log.Build(), {4, 6}).size(), 1u);
}

TEST(LogRecordWalker, ThePagesLastLsnEndsItAndAnAbsurdLengthStopsIt) {
  NtfsLogWriter log(6);
  log.Add(Bytes(64, 1));
  std::vector<std::uint8_t> bytes = log.Build();
  // A stray record after the page's last one is not read.
  std::vector<std::uint8_t> stray(48, 0);
  stray[0] = 0x77;
  stray[0x18] = 8;
  std::copy(stray.begin(), stray.end(), bytes.begin() + 4 * 4096 + 0x40 + 48 + 64);
  EXPECT_EQ(Walk(bytes).size(), 1u);
  // A length far beyond any record: nothing from that page.
  std::vector<std::uint8_t> absurd = log.Build();
  absurd[4 * 4096 + 0x40 + 0x1B] = 0x7F;
  EXPECT_TRUE(Walk(absurd).empty());
}

}  // namespace
