// Compressed content from the decmpfs attribute and the resource fork: real streams written by the operating
// system's compressors decode to their originals, whole and at offsets; damaged tables and streams are refused.

#include "HFSPlus/HFSPlusLib/HFSPlusDecmpfs.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>

#include "support/PublicFixture.h"
#include "support/TempDir.h"
#include "support/hfsplus/LzvnTestEncoder.h"

namespace {

using quellsy::hfsplus::ReadDecmpfs;
using Bytes = std::vector<std::uint8_t>;

Bytes Fixture(const std::string& name) {
  return quellsy::test::ReadFile(quellsy::test::PublicFixture("hfsplus-forensic/decmpfs/" + name));
}

Bytes Attribute(std::uint32_t type, std::uint64_t size, const Bytes& payload = {}) {
  Bytes out(16);
  quellsy::FieldWriter writer(out);
  writer.le32(0, 0x636D7066);  // "fpmc" as stored
  writer.le32(4, type);
  writer.le64(8, size);
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

// A fork held in memory that records the ranges read from it.
struct MemoryFork {
  Bytes bytes;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> reads;

  quellsy::hfsplus::DecmpfsForkReader Reader() {
    return [this](std::uint64_t offset, quellsy::MutableByteSpan out) {
      reads.emplace_back(offset, out.size());
      if (offset > bytes.size() || out.size() > bytes.size() - offset) return false;
      std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
      return true;
    };
  }
};

quellsy::hfsplus::DecmpfsRead Read(const Bytes& attribute, MemoryFork& fork, std::uint64_t offset, Bytes& out) {
  return ReadDecmpfs(attribute, fork.bytes.size(), fork.Reader(), offset, out);
}

struct RealCase {
  const char* name;
  std::uint32_t type;
  const char* payload;  // inline payload, or the resource fork
  const char* expected;
};

class DecmpfsRealTest : public ::testing::TestWithParam<RealCase> {};

TEST_P(DecmpfsRealTest, DecodesWholeAndAtOffsets) {
  const RealCase& c = GetParam();
  const Bytes expected = Fixture(c.expected);
  const Bytes payload = Fixture(c.payload);
  const bool inlineData = c.type == 3 || c.type == 7;
  const Bytes attribute = Attribute(c.type, expected.size(), inlineData ? payload : Bytes{});
  MemoryFork fork{inlineData ? Bytes{} : payload, {}};

  Bytes whole(expected.size() + 100, 0xAA);
  const auto all = Read(attribute, fork, 0, whole);
  ASSERT_EQ(all.error, "");
  ASSERT_EQ(all.count, expected.size());
  whole.resize(all.count);
  EXPECT_EQ(whole, expected);

  const std::uint64_t size = expected.size();
  const std::vector<std::pair<std::uint64_t, std::size_t>> ranges = {
      {1, 10}, {size / 2, 700}, {65535, 2}, {65536 + 7, 4096}, {size - 1, 50}, {size, 10}, {size + 5, 10}};
  for (const auto& [offset, length] : ranges) {
    SCOPED_TRACE(offset);
    Bytes part(length);
    const auto got = Read(attribute, fork, offset, part);
    ASSERT_EQ(got.error, "");
    const std::size_t want = offset >= size ? 0 : std::min<std::uint64_t>(length, size - offset);
    ASSERT_EQ(got.count, want);
    EXPECT_TRUE(std::equal(part.begin(), part.begin() + static_cast<std::ptrdiff_t>(want),
                           expected.begin() + static_cast<std::ptrdiff_t>(std::min(offset, size))));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, DecmpfsRealTest,
    ::testing::Values(RealCase{"ZlibInline", 3, "real_zlib_inline.payload", "real_zlib_inline.expected"},
                      RealCase{"ZlibInlineStored", 3, "zlib_type3_stored.payload", "zlib_inline.expected"},
                      RealCase{"ZlibFork", 4, "real_zlib_rsrc.rsrc", "zlib.expected"},
                      RealCase{"LzvnFork", 8, "lzvn.rsrc", "lzvn.expected"},
                      RealCase{"LzvnForkTrailingBytes", 8, "tahoe_type8.rsrc", "tahoe_type8.expected"}),
    [](const auto& p) { return std::string(p.param.name); });

// The whole attribute as stored: header, marker byte, then the content as it is.
TEST(DecmpfsTest, UncompressedInlineAttribute) {
  const Bytes attribute = Fixture("tahoe_type9.decmpfs");
  const Bytes expected = Fixture("tahoe_type9.expected");
  MemoryFork none;
  Bytes out(expected.size() + 10, 0xAA);
  const auto got = Read(attribute, none, 0, out);
  ASSERT_EQ(got.error, "");
  ASSERT_EQ(got.count, expected.size());
  out.resize(got.count);
  EXPECT_EQ(out, expected);
  Bytes tail(5);
  EXPECT_EQ(Read(attribute, none, expected.size() - 5, tail).count, 5u);
  EXPECT_TRUE(std::equal(tail.begin(), tail.end(), expected.end() - 5));
}

TEST(DecmpfsTest, LzfseIsRefusedByName) {
  MemoryFork fork{Fixture("real_lzfse_rsrc.rsrc"), {}};
  Bytes out(100);
  const auto inlineRead = Read(Attribute(11, 2000, Fixture("real_lzfse_inline.payload")), fork, 0, out);
  EXPECT_EQ(inlineRead.count, 0u);
  EXPECT_NE(inlineRead.error.find("type 11 (LZFSE) is not supported"), std::string::npos) << inlineRead.error;
  const auto forkRead = Read(Attribute(12, 150000), fork, 0, out);
  EXPECT_NE(forkRead.error.find("type 12 (LZFSE) is not supported"), std::string::npos) << forkRead.error;
}

// A read in the second chunk reads the table and that chunk, never the first chunk's bytes.
TEST(DecmpfsTest, ReadDecodesOnlyTheBlocksItCovers) {
  MemoryFork fork{Fixture("lzvn.rsrc"), {}};
  const Bytes expected = Fixture("lzvn.expected");
  const std::uint32_t secondChunk = *quellsy::le32(fork.bytes, 4);
  Bytes out(100);
  const auto got = Read(Attribute(8, expected.size(), {}), fork, 70000, out);
  ASSERT_EQ(got.count, 100u);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), expected.begin() + 70000));
  for (const auto& [offset, length] : fork.reads) {
    const bool inTable = offset + length <= 12;
    EXPECT_TRUE(inTable || offset >= secondChunk) << offset << "+" << length;
  }
}

Bytes Random(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  Bytes out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>(random() % 16 == 0 ? random() : 'a' + random() % 3);
  return out;
}

TEST(DecmpfsTest, LzvnInlineAndStoredMarkers) {
  const Bytes content = Random(3000, 1);
  Bytes stored = {0x06};
  stored.insert(stored.end(), content.begin(), content.end());
  MemoryFork none;
  for (const Bytes& payload : {quellsy::test::LzvnEncode(content), stored}) {
    Bytes out(content.size());
    const auto got = Read(Attribute(7, content.size(), payload), none, 0, out);
    ASSERT_EQ(got.error, "");
    EXPECT_EQ(out, content);
  }
  // A type-8 fork of one stored chunk: table of two offsets, then the marker and the bytes.
  MemoryFork fork;
  fork.bytes = Bytes(8);
  quellsy::FieldWriter writer(fork.bytes);
  writer.le32(0, 8);
  writer.le32(4, static_cast<std::uint32_t>(8 + stored.size()));
  fork.bytes.insert(fork.bytes.end(), stored.begin(), stored.end());
  Bytes out(content.size());
  const auto got = Read(Attribute(8, content.size()), fork, 0, out);
  ASSERT_EQ(got.error, "");
  EXPECT_EQ(out, content);
}

struct DamageCase {
  const char* name;
  std::function<void(Bytes& attribute, Bytes& fork)> damage;
  const char* error;
};

class DecmpfsDamageTest : public ::testing::TestWithParam<DamageCase> {};

// Starts from a sound two-chunk LZVN fork and a sound zlib fork of 100000 bytes and damages one thing.
TEST_P(DecmpfsDamageTest, IsRefusedWithAReason) {
  const DamageCase& c = GetParam();
  const Bytes lzvnFork = Fixture("lzvn.rsrc");
  Bytes attribute = Attribute(8, 80000);
  Bytes fork = lzvnFork;
  c.damage(attribute, fork);
  MemoryFork memory{fork, {}};
  Bytes out(200000, 0xAA);
  const auto got = Read(attribute, memory, 0, out);
  EXPECT_EQ(got.count, 0u);
  EXPECT_NE(got.error.find(c.error), std::string::npos) << got.error;
}

void SetLe32(Bytes& b, std::size_t at, std::uint32_t v) { quellsy::FieldWriter(b).le32(at, v); }
void SetBe32(Bytes& b, std::size_t at, std::uint32_t v) { quellsy::FieldWriter(b).be32(at, v); }

// A zlib fork: 256-byte resource header, data length, one block entry at dataOffset + 8.
Bytes ZlibFork(const Bytes& content) {
  uLongf length = compressBound(content.size());
  Bytes compressed(length);
  compress(compressed.data(), &length, content.data(), content.size());
  compressed.resize(length);
  Bytes fork(256 + 16);
  SetBe32(fork, 0, 256);
  SetLe32(fork, 256 + 4, 1);
  SetLe32(fork, 256 + 8, 12);
  SetLe32(fork, 256 + 12, static_cast<std::uint32_t>(compressed.size()));
  fork.insert(fork.end(), compressed.begin(), compressed.end());
  return fork;
}

INSTANTIATE_TEST_SUITE_P(
    Damage, DecmpfsDamageTest,
    ::testing::Values(
        DamageCase{"ShortAttribute", [](Bytes& a, Bytes&) { a.erase(a.begin() + 12, a.end()); }, "shorter than its header"},
        DamageCase{"UnknownType", [](Bytes& a, Bytes&) { SetLe32(a, 4, 5); }, "type 5 is not supported"},
        DamageCase{"AbsurdSize", [](Bytes& a, Bytes&) { quellsy::FieldWriter(a).le64(8, 1ull << 40); },
                   "size too large"},
        DamageCase{"ChunkCountDisagrees", [](Bytes& a, Bytes&) { quellsy::FieldWriter(a).le64(8, 200000); },
                   "chunk count"},
        DamageCase{"TableLengthPastFork", [](Bytes&, Bytes& f) { SetLe32(f, 0, 0x10000000); }, "chunk count"},
        DamageCase{"ChunkPastFork", [](Bytes&, Bytes& f) { f.pop_back(); }, "outside the resource fork"},
        DamageCase{"ChunkOffsetsReversed", [](Bytes&, Bytes& f) { SetLe32(f, 4, 10); }, "out of order"},
        // The first chunk ends early: its decode is short, never padded with stale bytes.
        DamageCase{"ShortLzvnChunk",
                   [](Bytes&, Bytes& f) {
                     Bytes shortChunk = quellsy::test::LzvnEncode(Bytes(1000, 'x'));
                     const std::uint32_t start = *quellsy::le32(f, 0);
                     const std::uint32_t end = *quellsy::le32(f, 4);
                     std::copy(shortChunk.begin(), shortChunk.end(), f.begin() + start);
                     std::fill(f.begin() + start + static_cast<std::ptrdiff_t>(shortChunk.size()), f.begin() + end, 0);
                   },
                   "decodes to 1000 bytes instead of 65536"},
        DamageCase{"DamagedLzvnChunk", [](Bytes&, Bytes& f) { f[*quellsy::le32(f, 0)] = 0x70; }, "damaged LZVN"},
        DamageCase{"ZlibDataOffsetPastFork",
                   [](Bytes& a, Bytes& f) {
                     a = Attribute(4, 5000);
                     f = ZlibFork(Random(5000, 2));
                     SetBe32(f, 0, static_cast<std::uint32_t>(f.size() - 4));
                   },
                   "block table outside"},
        DamageCase{"ZlibBlockPastFork",
                   [](Bytes& a, Bytes& f) {
                     a = Attribute(4, 5000);
                     f = ZlibFork(Random(5000, 2));
                     SetLe32(f, 256 + 12, static_cast<std::uint32_t>(f.size()));
                   },
                   "outside the resource fork"},
        DamageCase{"ZlibBlockCount",
                   [](Bytes& a, Bytes& f) {
                     a = Attribute(4, 5000);
                     f = ZlibFork(Random(5000, 2));
                     SetLe32(f, 256 + 4, 7);
                   },
                   "block count"},
        DamageCase{"ZlibInflatesShort",
                   [](Bytes& a, Bytes& f) {
                     a = Attribute(4, 6000);
                     f = ZlibFork(Random(5000, 2));
                   },
                   "decodes to 5000 bytes instead of 6000"},
        DamageCase{"ZlibInlineDamaged",
                   [](Bytes& a, Bytes&) { a = Attribute(3, 100, {0x78, 0x9C, 0x01, 0x02, 0x03}); },
                   "damaged zlib"}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
