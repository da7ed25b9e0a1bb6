// The shared test helpers the signature-search tests stand on: digests, the image builder and its
// manifest, the recording tree builder.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "include/DataRunList.h"
#include "include/TestFileNode.h"
#include "support/ImageBuilder.h"
#include "support/RecordingTreeBuilder.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

using quellsy::test::ImageBuilder;
using quellsy::test::ImageFill;
using quellsy::test::ImageManifestEntry;
using quellsy::test::PatternBytes;
using quellsy::test::RecordingTreeBuilder;
using quellsy::test::Sha256Hex;
using quellsy::test::TempDir;

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

TEST(Sha256Hex, KnownDigests) {
  const struct {
    std::string input;
    const char* digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",  // 56 bytes: the length needs a second block
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& c : cases) EXPECT_EQ(Sha256Hex(Bytes(c.input)), c.digest) << c.input.size();
}

TEST(ImageBuilder, PlacesBlobsAtTheirSectorsBetweenZeroAndJunk) {
  const auto photo = PatternBytes(1300, 11);
  const auto page = Bytes("<html>hello</html>");
  ImageBuilder image(16, 512, ImageFill::kJunk);
  image.Fill(8, 2, ImageFill::kZero);
  image.Place("photo.jpg", 2, photo);
  image.Place("page.htm", 8, page, ImageFill::kJunk, true);

  const auto& bytes = image.bytes();
  EXPECT_TRUE(std::equal(photo.begin(), photo.end(), bytes.begin() + 1024));
  EXPECT_TRUE(std::all_of(bytes.begin() + 1024 + 1300, bytes.begin() + 2560, [](auto b) { return b == 0; }))
      << "the slack of the blob's last sector is zero";
  EXPECT_TRUE(std::equal(page.begin(), page.end(), bytes.begin() + 8 * 512));
  EXPECT_FALSE(std::all_of(bytes.begin() + 8 * 512 + page.size(), bytes.begin() + 9 * 512, [](auto b) { return b == 0; }))
      << "junk slack";
  EXPECT_TRUE(std::all_of(bytes.begin() + 9 * 512, bytes.begin() + 10 * 512, [](auto b) { return b == 0; }));
  EXPECT_NE(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 512),
            std::vector<std::uint8_t>(bytes.begin() + 512, bytes.begin() + 1024))
      << "junk differs from sector to sector";
  EXPECT_TRUE(std::equal(photo.begin(), photo.end(), image.Placed("photo.jpg").begin()));

  EXPECT_THROW(image.Place("over.bin", 4, PatternBytes(10)), std::logic_error) << "overlaps the photo's last sector";
  EXPECT_THROW(image.Place("past.bin", 15, PatternBytes(513)), std::out_of_range);
  EXPECT_NO_THROW(image.Place("last.bin", 15, PatternBytes(512)));

  auto device = image.MakeDevice();
  EXPECT_EQ(device->GetTotalSectors(), 16);
  EXPECT_EQ(device->bytes(), bytes);
}

TEST(ImageBuilder, ManifestRoundTripsAndMatchesTheSystemsDigest) {
  TempDir dir;
  ImageBuilder image(64, 4096, ImageFill::kZero);
  image.Place("docs/a b.pdf", 3, PatternBytes(9000, 2), ImageFill::kZero, true);
  image.Place("b.png", 10, PatternBytes(100, 3));
  const auto path = dir / "signatures.img";
  image.Write(path);

  const auto entries = ImageBuilder::ReadManifest(ImageBuilder::ManifestPathFor(path));
  EXPECT_EQ(entries, image.manifest());
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0], (ImageManifestEntry{"docs/a b.pdf", 9000, Sha256Hex(PatternBytes(9000, 2)), true, 3}));
  EXPECT_EQ(quellsy::test::ReadFile(path), image.bytes());

  // Cross-check the digest with the system's tool where it exists.
  const auto blob = dir / "b.png";
  quellsy::test::WriteFile(blob, PatternBytes(100, 3));
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(("sha256sum '" + blob.string() + "' 2>/dev/null").c_str(), "r"),
                                             pclose);
  char line[128] = {};
  ASSERT_TRUE(pipe && fgets(line, sizeof line, pipe.get())) << "sha256sum (coreutils) gave no answer";
  EXPECT_EQ(std::string(line, 64), entries[1].sha256);
}

TEST(RecordingTreeBuilder, KeepsWhatEachNodeSaidAndOwnsTheNodesItTook) {
  RecordingTreeBuilder builder;
  EXPECT_EQ(builder.Initialize("disk0", nullptr, nullptr), 1);
  builder.AddSearcherInfo(SEARCHER_RAW, 1);
  builder.AddSearcherInfo(SEARCHER_LABEL, 1000);

  auto* photo = new TestFileNode("FILE000.JPG", false, 10000, 10);
  photo->m_size = 41123;
  auto* runs = new CDataRunList();
  const DataRun run{96, 81};
  runs->AddDataRun(&run);
  photo->SetDataRunList(runs);
  EXPECT_EQ(builder.AddNode(photo, SEARCHER_RAW), 1);
  photo->m_name = "renamed later";
  EXPECT_EQ(builder.AddNode(new TestFileNode("JPG", true, 10, 1), SEARCHER_RAW), 1);

  TestFileNode refused("refused");
  builder.RefuseNodes(true);
  EXPECT_EQ(builder.AddNode(&refused, SEARCHER_LABEL), 0) << "a refused node stays the caller's";
  builder.FlashBuild(SEARCHER_RAW);
  builder.FlashBuild(SEARCHER_LABEL);

  ASSERT_EQ(builder.nodes().size(), 2u);
  const RecordingTreeBuilder::Node* file = builder.Find("FILE000.JPG");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->node, photo);
  EXPECT_EQ(file->id, 10000);
  EXPECT_EQ(file->parentId, 10);
  EXPECT_EQ(file->size, 41123);
  EXPECT_FALSE(file->directory);
  ASSERT_EQ(file->runs.size(), 1u);
  EXPECT_EQ(file->runs[0].lcn, 96);
  EXPECT_EQ(file->runs[0].length, 81);
  EXPECT_TRUE(builder.Find("JPG")->directory);
  EXPECT_EQ(builder.NodesOf(SEARCHER_RAW).size(), 2u);
  EXPECT_TRUE(builder.NodesOf(SEARCHER_LABEL).empty());
  EXPECT_EQ(builder.searchers(), (std::vector<std::pair<_tagSearcherType, long long>>{{SEARCHER_RAW, 1},
                                                                                     {SEARCHER_LABEL, 1000}}));
  EXPECT_EQ(builder.flushes(), (std::vector<_tagSearcherType>{SEARCHER_RAW, SEARCHER_LABEL}));
  EXPECT_EQ(builder.description(), "disk0");
}

}  // namespace
