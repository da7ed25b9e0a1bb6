#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FakeRawAnalysers.h"
#include "RAWSearch/Controller/CRAWSearchController.h"
#include "RAWSearch/Controller/RawSearchEngine.h"
#include "RAWSearch/Framework/CNotifyCenter.h"
#include "RAWSearch/Framework/CZeroEndRawFileInfo.h"
#include "RawResultTestSupport.h"
#include "Utility/TBitmap.h"
#include "include/EngineRegistry.h"
#include "include/SearchPartitionInfoStruct.h"
#include "support/ImageBuilder.h"
#include "support/MemoryDevice.h"
#include "support/RecordingTreeBuilder.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace {

using namespace quellsy::test;
using Registry = CRawFileAnalyserListSingle;

using RawSearchController = RawResultTest;

// Answers Continued() with 1 for the first `limit` questions, then 0.
class CountdownProgress : public IProgress {
 public:
  explicit CountdownProgress(int limit) : limit_(limit) {}
  void UpdateProgress(_PROGRESS_INFO*) override {}
  int Continued() override { return asked_++ < limit_ ? 1 : 0; }
  int shouldBuild() override { return 1; }
  int asked() const { return asked_; }

 private:
  int limit_;
  int asked_ = 0;
};

struct Setup {
  int blockSectors = 8;
  TBitmap* bitmap = nullptr;
  IProgress* progress = nullptr;
  std::map<long long, unsigned int>* sectorMap = nullptr;
};

// Configures and prepares a searcher the way the complete scan does.
void Prepare(ICompleteFileSystemSearchController& searcher, IStorageDevice& device, IDirecotryTreeBuilder* builder,
             const Setup& setup) {
  searcher.SetDevice(&device);
  searcher.SetBlockSize(setup.blockSectors);
  searcher.SetDirecotryTreeBuilder(builder);
  searcher.SetBitmap(setup.bitmap);
  searcher.SetFileSectorMap(setup.sectorMap);
  searcher.SetIProgressSink(setup.progress);
  searcher.PreparetoSearch();
}

// Blocks from `from` (in whole blocks) up to the device's end, or `blocks` of them.
void Feed(ICompleteFileSystemSearchController& searcher, IStorageDevice& device, int blockSectors, long long from = 0,
          long long blocks = -1) {
  const long long total = device.GetTotalSectors();
  if (blockSectors < 1) return;
  for (long long first = from * blockSectors; first < total && blocks != 0; first += blockSectors, --blocks)
    searcher.AnalyzeBlock(first, std::min<long long>(blockSectors, total - first));
}

std::unique_ptr<CRAWSearchController> Search(IStorageDevice& device, IDirecotryTreeBuilder* builder,
                                          const Setup& setup = {}) {
  auto searcher = std::make_unique<CRAWSearchController>();
  Prepare(*searcher, device, builder, setup);
  Feed(*searcher, device, setup.blockSectors);
  searcher->EndSearch(1);
  return searcher;
}

// A sector that begins with a four-character key, then `size` as u32, then a fill byte.
std::vector<std::uint8_t> Blob(const char (&key)[5], std::size_t bytes, std::uint8_t fill = 0x5A) {
  std::vector<std::uint8_t> blob = PatternBytes(bytes, fill);
  // No zero 32-bit word at any sector's end, so zero-end records end only past the blob.
  for (std::size_t i = 3; i < blob.size(); i += 4) blob[i] |= 0x80;
  std::memcpy(blob.data(), key, 4);
  const auto size = static_cast<std::uint32_t>(bytes);
  std::memcpy(blob.data() + 4, &size, sizeof size);
  return blob;
}

void PutKey(MemoryDevice& device, long long sector, const char (&key)[5]) {
  device.Put(static_cast<std::size_t>(sector) * device.GetSectorSize(), std::vector<std::uint8_t>(key, key + 4));
}

std::vector<std::uint8_t> ReadRuns(IStorageDevice& device, const RecordingTreeBuilder::Node& node) {
  std::vector<std::uint8_t> bytes;
  for (const DataRun& run : node.runs) {
    std::vector<std::uint8_t> piece(static_cast<std::size_t>(run.length) * device.GetSectorSize());
    EXPECT_TRUE(device.ReadSector(piece.data(), run.lcn, run.length));
    bytes.insert(bytes.end(), piece.begin(), piece.end());
  }
  bytes.resize(static_cast<std::size_t>(node.size));
  return bytes;
}

TEST_F(RawSearchController, FilesHitsIntoTheTypeTreeThroughTheRegisteredSearcher) {
  FakeLog log;
  ScopedSearchSet set([&](Registry::AnalyserMap& map, Registry::AnalyserMultimap&, Registry::AnalyserList&) {
    map[KeyOf("JPG!")] = new FixedSizeAnalyser(RAW_FILE_TYPE_JPG, FixedSizeAnalyser::kSizeInSector, &log);
    map[KeyOf("PNG!")] = new FixedSizeAnalyser(RAW_FILE_TYPE_PNG, FixedSizeAnalyser::kSizeInSector, &log);
    // A real zero-end record: the page ends where its data gives way to zeros.
    struct ZeroEnd : FixedSizeAnalyser {
      using FixedSizeAnalyser::FixedSizeAnalyser;
      CRawFileInfo* CreateRawFileInfo() override { return new CZeroEndRawFileInfo(1 << 20, 4); }
    };
    map[KeyOf("HTM!")] = new ZeroEnd(RAW_FILE_TYPE_HTM, 0, &log);
  });
  ImageBuilder image(256);
  image.Place("first.jpg", 10, Blob("JPG!", 1500))
      .Place("second.jpg", 100, Blob("JPG!", 700, 0x33))
      .Place("picture.png", 200, Blob("PNG!", 3000, 0x44))
      .Place("page.htm", 160, Blob("HTM!", 1300, 0x55));
  TempDir dir;
  image.Write(dir.path() / "hits.img");
  const auto manifest = ImageBuilder::ReadManifest(ImageBuilder::ManifestPathFor(dir.path() / "hits.img"));
  ASSERT_EQ(manifest.size(), 4u);
  auto device = image.MakeDevice();

  quellsy::EngineRegistry::Instance().Reset();
  RegisterRawSearchEngine();
  std::unique_ptr<ICompleteFileSystemSearchController> searcher(
      quellsy::EngineRegistry::Instance().CreateCompleteSearcher(SEARCHER_RAW));
  quellsy::EngineRegistry::Instance().Reset();
  ASSERT_NE(searcher, nullptr);
  RecordingTreeBuilder builder;
  Prepare(*searcher, *device, &builder, {.blockSectors = 64});
  Feed(*searcher, *device, 64);
  searcher->EndSearch(1);

  EXPECT_EQ(builder.searchers(), (std::vector<std::pair<_tagSearcherType, long long>>{{SEARCHER_RAW, 1},
                                                                                      {SEARCHER_LABEL, 1000}}));
  EXPECT_EQ(builder.flushes(), (std::vector<_tagSearcherType>{SEARCHER_RAW, SEARCHER_LABEL}));
  const struct {
    const char* name;
    long long parent;
    const char* placed;
  } expected[] = {{"FILE000.JPG", 10, "first.jpg"},
                  {"FILE001.JPG", 10, "second.jpg"},
                  {"FILE000.HTM", 11, "page.htm"},
                  {"FILE000.PNG", 12, "picture.png"}};
  for (const auto& e : expected) {
    const auto* node = builder.Find(e.name);
    ASSERT_NE(node, nullptr) << e.name;
    EXPECT_EQ(node->parentId, e.parent) << e.name;
    const auto entry = std::find_if(manifest.begin(), manifest.end(), [&](auto& m) { return m.path == e.placed; });
    ASSERT_NE(entry, manifest.end());
    EXPECT_EQ(node->runs.at(0).lcn, entry->sector) << e.name;
    EXPECT_EQ(static_cast<std::uint64_t>(node->size), entry->size) << e.name;
    EXPECT_EQ(Sha256Hex(ReadRuns(*device, *node)), entry->sha256) << e.name << " recovered byte for byte";
  }
  for (const auto& [name, id] : {std::pair{"jpg", 10}, {"htm", 11}, {"png", 12}}) {
    ASSERT_NE(builder.Find(name), nullptr) << name;
    EXPECT_EQ(builder.Find(name)->id, id);
    EXPECT_EQ(builder.Find(name)->parentId, 1);
  }
  EXPECT_EQ(builder.nodes().size(), 7u);

  CSearchedPartitionInfo* partition = nullptr;
  EXPECT_EQ(searcher->GetSearchedPartitionInfo(&partition, 1), 1);
  ASSERT_NE(partition, nullptr);
  EXPECT_EQ(partition->GetBytesPerSector(), 512u);
  EXPECT_EQ(partition->GetSectorsPerCluster(), 1u);
  EXPECT_EQ(partition->GetOrderKey(), 1.0);
  delete partition;
}

TEST_F(RawSearchController, LabelIdsGoOnAcrossSearchesWhileNamesStartAgain) {
  FakeLog log;
  ScopedSearchSet set([&](Registry::AnalyserMap& map, Registry::AnalyserMultimap&, Registry::AnalyserList&) {
    map[KeyOf("CAM!")] = new FixedSizeAnalyser(RAW_FILE_TYPE_JPG, 512, &log, 0,
                                               {.tag = RAW_FILE_TAG_CAMERA, .tagValue = "Model 7"});
    map[KeyOf("JPG!")] = new FixedSizeAnalyser(RAW_FILE_TYPE_JPG, 512, &log);
  });
  MemoryDevice device(32LL, 512);
  PutKey(device, 3, "CAM!");
  PutKey(device, 9, "JPG!");
  for (long long search = 0; search < 2; ++search) {
    RecordingTreeBuilder builder;
    Search(device, &builder);
    const auto label = builder.NodesOf(SEARCHER_LABEL);
    ASSERT_EQ(label.size(), 3u);
    EXPECT_EQ(label[0].name, "FILE000.JPG");
    EXPECT_EQ(label[0].id, 2002 + 2 * search);
    EXPECT_EQ(label[1].name, "Model 7");
    EXPECT_EQ(label[1].id, 2001 + 2 * search);
    EXPECT_EQ(label[2].id, -15);
    ASSERT_NE(builder.Find("FILE001.JPG"), nullptr) << "the type tree's JPEG is the second of the search";
    EXPECT_EQ(builder.Find("jpg")->id, 10) << "folder IDs start again with every search";
  }
}

TEST_F(RawSearchController, ContextShowsThePieceAndWhatLiesBeforeIt) {
  FakeLog log;
  ScopedSearchSet set([&](Registry::AnalyserMap& map, Registry::AnalyserMultimap&, Registry::AnalyserList&) {
    map[KeyOf("SEEN")] = new SectorWatcher(&log);
  });
  MemoryDevice device(22LL, 512);
  for (long long s : {3, 11, 20}) PutKey(device, s, "SEEN");
  RecordingTreeBuilder builder;
  CRAWSearchController searcher;
  Prepare(searcher, device, &builder, {.blockSectors = 8});
  Feed(searcher, device, 8);
  searcher.AnalyzeBlock(0, 8);  // does not follow the last block: nothing is shown before it
  EXPECT_EQ(log.asked, (std::vector<FakeLog::Asked>{{3, 0, 8}, {11, 0, 16}, {20, 8, 22}, {3, 0, 8}}));
}

TEST_F(RawSearchController, MarkedBitmapUnitsAreSteppedOver) {
  FakeLog log;
  ScopedSearchSet set([&](Registry::AnalyserMap& map, Registry::AnalyserMultimap&, Registry::AnalyserList&) {
    map[KeyOf("SEEN")] = new SectorWatcher(&log);
  });
  MemoryDevice device(48LL, 512);
  for (long long s = 0; s < 48; ++s) PutKey(device, s, "SEEN");
  TBitmap bitmap;
  ASSERT_EQ(bitmap.CreateBitmap(6, 8), 1);
  bitmap.SetBit(1, 1, 1);  // sectors 8 to 15
  bitmap.SetBit(4, 1, 1);  // sectors 32 to 39
  const struct {
    long long first;
    long long count;
    std::vector<long long> seen;
  } cases[] = {
      {0, 48, [] {
         std::vector<long long> v;
         for (long long s = 0; s < 48; ++s)
           if ((s < 8 || s > 15) && (s < 32 || s > 39)) v.push_back(s);
         return v;
       }()},
      {9, 10, {16, 17, 18}},  // entered inside a marked unit: stepped sector by sector to its end
  };
  for (const auto& c : cases) {
    log.asked.clear();
    RecordingTreeBuilder builder;
    CRAWSearchController searcher;
    Prepare(searcher, device, &builder, {.blockSectors = 48, .bitmap = &bitmap});
    searcher.AnalyzeBlock(c.first, c.count);
    EXPECT_EQ(log.SectorsAsked(), c.seen) << c.first;
    EXPECT_EQ(searcher.GetBitmap(), &bitmap);
    searcher.EndSearch(1);
    EXPECT_EQ(searcher.GetBitmap(), nullptr) << "the bitmap is forgotten at the end";
  }
}

TEST_F(RawSearchController, The33rdGrowingHitEvictsTheOldest) {
  const struct {
    const char* what;
    GrowingScript script;
    std::uint64_t sizeBeforeSizing;  // what the analyser finds in the evicted record
    bool filedAtEviction;
    std::size_t sizings;
  } cases[] = {
      {"unsized", {}, 0, false, 33},
      {"running length is not a size", {.runningLength = true}, 0, false, 33},
      {"closing settles the size", {.closingSize = 4321}, 0, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeLog log;
    ScopedSearchSet set([&](Registry::AnalyserMap& map, Registry::AnalyserMultimap&, Registry::AnalyserList&) {
      map[KeyOf("GROW")] = new GrowingAnalyser(RAW_FILE_TYPE_ZIP, c.script, &log, 777);
    });
    MemoryDevice device(128LL, 512);
    for (long long s = 0; s < 33; ++s) PutKey(device, s, "GROW");
    RecordingTreeBuilder builder;
    CRAWSearchController searcher;
    Prepare(searcher, device, &builder, {.blockSectors = 64});
    Feed(searcher, device, 64, 0, 1);
    EXPECT_EQ(searcher.ActiveCount(), 32);
    ASSERT_EQ(log.removals.size(), 1u);
    EXPECT_EQ(log.removals[0].start, 0);
    EXPECT_EQ(log.removals[0].atSector, 32) << "removed with the sector that brought the 33rd";
    EXPECT_EQ(builder.nodes().size(), c.filedAtEviction ? 2u : 0u);
    EXPECT_EQ(searcher.HitCount(), c.filedAtEviction ? 32u : 33u);

    Feed(searcher, device, 64, 1);
    searcher.EndSearch(1);
    EXPECT_EQ(log.removals.size(), 33u);
    EXPECT_EQ(log.removals.back().atSector, -1);
    ASSERT_EQ(log.sizings.size(), c.sizings);
    for (const auto& s : log.sizings) {
      EXPECT_EQ(s.sizeBefore, c.sizeBeforeSizing);
      EXPECT_EQ(s.deviceType, STORAGE_DEVICE_VOLUME) << "sized against the real device";
    }
    const auto first = std::find_if(builder.nodes().begin(), builder.nodes().end(),
                                    [](auto& n) { return !n.directory && n.runs.at(0).lcn == 0; });
    ASSERT_NE(first, builder.nodes().end()) << "the evicted hit is filed";
    EXPECT_EQ(first->size, c.filedAtEviction ? 4321 : 777);
    EXPECT_EQ(builder.NodesOf(SEARCHER_RAW).size(), 34u);
    EXPECT_EQ(searcher.HitCount(), 0u);
  }
}

TEST_F(RawSearchController, PendingHitsAreSizedFromTheRingOnceItIsFull) {
  FakeLog log;
  ScopedSearchSet set([&](Registry::AnalyserMap& map, Registry::AnalyserMultimap&, Registry::AnalyserList&) {
    map[KeyOf("PEND")] = new FixedSizeAnalyser(RAW_FILE_TYPE_PDF, 0, &log, 100);
  });
  MemoryDevice device(8LL * 24, 512);
  PutKey(device, 0, "PEND");
  PutKey(device, 9, "PEND");
  RecordingTreeBuilder builder;
  CRAWSearchController searcher;
  Prepare(searcher, device, &builder, {.blockSectors = 8});
  Feed(searcher, device, 8, 0, 20);
  EXPECT_TRUE(log.sizings.empty()) << "the ring has just filled";
  EXPECT_EQ(searcher.PendingCount(), 2u);
  Feed(searcher, device, 8, 20, 1);
  ASSERT_EQ(log.sizings.size(), 1u);
  EXPECT_EQ(log.sizings[0].start, 0);
  EXPECT_EQ(log.sizings[0].deviceType, STORAGE_DEVICE_CACHE) << "sized through the ring";
  ASSERT_NE(builder.Find("FILE000.PDF"), nullptr);
  Feed(searcher, device, 8, 21, 1);
  ASSERT_EQ(log.sizings.size(), 2u);
  EXPECT_EQ(log.sizings[1].start, 9);
  EXPECT_EQ(searcher.PendingCount(), 0u);
}

TEST_F(RawSearchController, UnreadableBlockIsSearchedAsZerosAndKeepsTheRingInStep) {
  // Sizes a pending hit only when the device it is given shows the hit's own first sector.
  struct RingChecking : FixedSizeAnalyser {
    using FixedSizeAnalyser::FixedSizeAnalyser;
    int GetRawFileSize(CRawFileInfo& info, IStorageDevice* device) override {
      std::vector<std::uint8_t> sector(512);
      if (!device->ReadSector(sector.data(), info.m_llStartSector, 1)) return 0;
      info.m_ullSize = std::memcmp(sector.data(), "PEND", 4) == 0 ? 512 : 0;
      return info.m_ullSize != 0;
    }
  };
  FakeLog log;
  ScopedSearchSet set([&](Registry::AnalyserMap& map, Registry::AnalyserMultimap&, Registry::AnalyserList&) {
    map[KeyOf("PEND")] = new RingChecking(RAW_FILE_TYPE_PDF, 0, &log);
  });
  MemoryDevice device(8LL * 24, 512);
  PutKey(device, 0, "PEND");
  PutKey(device, 16, "PEND");
  for (long long s = 17; s < 8 * 24; ++s) PutKey(device, s, "JUNK");
  device.FailSectors(8, 8);
  RecordingTreeBuilder builder;
  CRAWSearchController searcher;
  Prepare(searcher, device, &builder, {.blockSectors = 8});
  Feed(searcher, device, 8, 0, 21);
  ASSERT_EQ(log.sizings.size(), 0u) << "the checking analyser logs nothing";
  EXPECT_EQ(searcher.PendingCount(), 1u) << "block 0's hit sized after block 20: the ring kept counting";
  Feed(searcher, device, 8, 21, 2);
  EXPECT_EQ(searcher.PendingCount(), 0u) << "sized from the ring after block 22";
  std::vector<long long> starts;
  for (const auto& n : builder.NodesOf(SEARCHER_RAW))
    if (!n.directory) starts.push_back(n.runs.at(0).lcn);
  EXPECT_EQ(starts, (std::vector<long long>{0, 16})) << "the ring holds every sector where the device has it";
}

TEST_F(RawSearchController, ShortLastBlockIsFollowedByZeros) {
  bool tailZero = false;
  struct TailCheck : IRawFileAnalyser, ISpecialRawFileAnalyser {
    explicit TailCheck(bool* zero) : IRawFileAnalyser(RAW_FILE_TYPE_NONE), zero_(zero) {}
    int GetRawFileSize(CRawFileInfo&, IStorageDevice*) override { return 0; }
    ISpecialRawFileAnalyser* GetSpecialRawFile() override { return this; }
    int AnalyseBufferEx(unsigned char* p, CRawFileInfo&, long long sectorSize, long long sector, long long,
                        long long blockEnd) override {
      const unsigned char* end = p + (blockEnd - sector) * sectorSize;
      *zero_ = std::all_of(end, end + CRAWSearchController::kZeroTail, [](unsigned char b) { return b == 0; });
      return 0;
    }
    bool* zero_;
  };
  ScopedSearchSet set([&](Registry::AnalyserMap& map, Registry::AnalyserMultimap&, Registry::AnalyserList&) {
    map[KeyOf("TAIL")] = new TailCheck(&tailZero);
  });
  MemoryDevice device(20LL, 512);
  std::fill(device.bytes().begin(), device.bytes().end(), 0xAB);
  PutKey(device, 19, "TAIL");
  RecordingTreeBuilder builder;
  Search(device, &builder, {.blockSectors = 16});
  EXPECT_TRUE(tailZero) << "no stale sectors of the previous block behind the short last one";
}

TEST_F(RawSearchController, FileSectorMapNotesTheFinalType) {
  FakeLog log;
  ScopedSearchSet set([&](Registry::AnalyserMap& map, Registry::AnalyserMultimap&, Registry::AnalyserList&) {
    map[KeyOf("ZIP!")] = new GrowingAnalyser(
        RAW_FILE_TYPE_ZIP, {.finishAfter = 3, .finalSize = 1000, .finalType = RAW_FILE_TYPE_DOCX}, &log);
    map[KeyOf("JPG!")] = new FixedSizeAnalyser(RAW_FILE_TYPE_JPG, 512, &log);
  });
  MemoryDevice device(16LL, 512);
  PutKey(device, 0, "ZIP!");
  PutKey(device, 5, "JPG!");
  std::map<long long, unsigned int> sectors{{5, 99}, {1000, 99}};
  RecordingTreeBuilder builder;
  Search(device, &builder, {.sectorMap = &sectors});
  EXPECT_EQ(sectors, (std::map<long long, unsigned int>{{0, RAW_FILE_TYPE_DOCX}, {5, RAW_FILE_TYPE_JPG}, {1000, 99}}));
  EXPECT_NE(builder.Find("FILE000.DOCX"), nullptr);
}

TEST_F(RawSearchController, FollowedStreamsAreReleased) {
  static std::vector<long long> releases;
  releases.clear();
  RegisterFollowedStream([](const CRawFileInfo* leaving) { releases.push_back(leaving ? leaving->m_llStartSector : -1); });
  FakeLog log;
  ScopedSearchSet set([&](Registry::AnalyserMap& map, Registry::AnalyserMultimap&, Registry::AnalyserList&) {
    map[KeyOf("GROW")] = new GrowingAnalyser(RAW_FILE_TYPE_ZIP, {}, &log);
  });
  MemoryDevice device(64LL, 512);
  for (long long s = 0; s < 33; ++s) PutKey(device, s, "GROW");
  RecordingTreeBuilder builder;
  CRAWSearchController searcher;
  Prepare(searcher, device, &builder, {.blockSectors = 64});
  EXPECT_EQ(releases, std::vector<long long>{-1}) << "a new search starts with no stream followed";
  Feed(searcher, device, 64);
  EXPECT_EQ(releases, (std::vector<long long>{-1, 0})) << "the evicted hit's stream";
  searcher.EndSearch(1);
  ASSERT_EQ(releases.size(), 2u + 32u + 1u);
  EXPECT_EQ(releases[2], 1);
  EXPECT_EQ(releases.back(), -1);
}

TEST_F(RawSearchController, EndSearchWithoutBuildLeavesEverythingInPlace) {
  FakeLog log;
  ScopedSearchSet set([&](Registry::AnalyserMap& map, Registry::AnalyserMultimap&, Registry::AnalyserList&) {
    map[KeyOf("PEND")] = new FixedSizeAnalyser(RAW_FILE_TYPE_PDF, 0, &log, 100);
    map[KeyOf("GROW")] = new GrowingAnalyser(RAW_FILE_TYPE_ZIP, {}, &log, 100);
  });
  MemoryDevice device(16LL, 512);
  PutKey(device, 1, "PEND");
  PutKey(device, 2, "GROW");
  ScriptedProgress progress;
  RecordingTreeBuilder builder;
  {
    CRAWSearchController searcher;
    Prepare(searcher, device, &builder, {.progress = &progress});
    Feed(searcher, device, 8);
    searcher.EndSearch(0);
    EXPECT_EQ(searcher.PendingCount(), 1u);
    EXPECT_EQ(searcher.HitCount(), 1u);
    EXPECT_EQ(searcher.ActiveCount(), 1);
    EXPECT_TRUE(builder.flushes().empty());
    EXPECT_TRUE(log.sizings.empty());
    const int asked = progress.asked;
    CNotifyCenter::Instance()->isContinue();
    EXPECT_EQ(progress.asked.load(), asked + 1) << "the cancel sink is still set";
  }
  const int asked = progress.asked;
  CNotifyCenter::Instance()->isContinue();
  EXPECT_EQ(progress.asked.load(), asked) << "a destroyed searcher leaves no sink behind (and no records: ASan)";
  EXPECT_TRUE(builder.nodes().empty());
}

TEST_F(RawSearchController, CancelStopsTheSectorLoopAndTheFiling) {
  FakeLog log;
  ScopedSearchSet set([&](Registry::AnalyserMap& map, Registry::AnalyserMultimap&, Registry::AnalyserList&) {
    map[KeyOf("SEEN")] = new SectorWatcher(&log);
    map[KeyOf("PEND")] = new FixedSizeAnalyser(RAW_FILE_TYPE_PDF, 0, &log, 100);
  });
  MemoryDevice device(32LL, 512);
  for (long long s = 0; s < 32; ++s) PutKey(device, s, s == 2 ? "PEND" : "SEEN");
  CountdownProgress progress(10);
  RecordingTreeBuilder builder;
  Search(device, &builder, {.blockSectors = 32, .progress = &progress});
  EXPECT_EQ(log.SectorsAsked(), (std::vector<long long>{0, 1, 3, 4, 5, 6, 7, 8, 9})) << "ten sectors, then stop";
  EXPECT_TRUE(log.sizings.empty()) << "no filing after a stop";
  EXPECT_TRUE(builder.NodesOf(SEARCHER_RAW).empty());
  EXPECT_EQ(builder.flushes(), (std::vector<_tagSearcherType>{SEARCHER_RAW, SEARCHER_LABEL}));
}

TEST_F(RawSearchController, AnUnarmedSearchFindsNothing) {
  FakeLog log;
  ScopedSearchSet set([&](Registry::AnalyserMap& map, Registry::AnalyserMultimap&, Registry::AnalyserList&) {
    map[KeyOf("JPG!")] = new FixedSizeAnalyser(RAW_FILE_TYPE_JPG, 512, &log);
  });
  const struct {
    const char* what;
    unsigned sectorSize;
    bool withBuilder;
    int blockSectors;
  } cases[] = {{"no tree builder", 512, false, 8}, {"sector too small", 256, true, 8}, {"no block size", 512, true, 0}};
  for (const auto& c : cases) {
    MemoryDevice device(16LL, c.sectorSize);
    PutKey(device, 0, "JPG!");
    RecordingTreeBuilder builder;
    Search(device, c.withBuilder ? &builder : nullptr, {.blockSectors = c.blockSectors});
    EXPECT_TRUE(builder.nodes().empty()) << c.what;
    EXPECT_TRUE(builder.searchers().empty()) << c.what;
  }
}

TEST_F(RawSearchController, OversizedBlocksAreSearchedInPieces) {
  FakeLog log;
  ScopedSearchSet set([&](Registry::AnalyserMap& map, Registry::AnalyserMultimap&, Registry::AnalyserList&) {
    map[KeyOf("SEEN")] = new SectorWatcher(&log);
  });
  const long long piece = static_cast<long long>(CRAWSearchController::kMaxBlockBytes / 512);
  MemoryDevice device(piece + 3, 512);
  for (long long s : {0LL, piece - 1, piece, piece + 2}) PutKey(device, s, "SEEN");
  RecordingTreeBuilder builder;
  CRAWSearchController searcher;
  Prepare(searcher, device, &builder, {.blockSectors = 1 << 30});
  EXPECT_EQ(searcher.SectorsPerBlock(), piece);
  searcher.AnalyzeBlock(0, piece + 3);
  // Across the edge the second piece looks back at the first one's last 64 KiB: 128 sectors.
  EXPECT_EQ(log.asked, (std::vector<FakeLog::Asked>{{0, 0, piece},
                                                    {piece - 1, 0, piece},
                                                    {piece, piece - 128, piece + 3},
                                                    {piece + 2, piece - 128, piece + 3}}));
}

TEST_F(RawSearchController, PartitionRecordTakesTheDevicesSectorSize) {
  MemoryDevice device(8LL, 4096);
  CRAWSearchController searcher;
  CSearchedPartitionInfo* partition = nullptr;
  EXPECT_EQ(searcher.GetSearchedPartitionInfo(nullptr, 0), 1);
  EXPECT_EQ(searcher.GetSearchedPartitionInfo(&partition, 0), 1);
  EXPECT_EQ(partition, nullptr);
  searcher.GetSearchedPartitionInfo(&partition, 1);
  ASSERT_NE(partition, nullptr);
  EXPECT_EQ(partition->GetBytesPerSector(), 512u) << "without a device";
  delete partition;
  searcher.SetDevice(&device);
  searcher.GetSearchedPartitionInfo(&partition, 1);
  ASSERT_NE(partition, nullptr);
  EXPECT_EQ(partition->GetBytesPerSector(), 4096u);
  EXPECT_EQ(partition->GetSectorsPerCluster(), 1u);
  EXPECT_EQ(partition->GetStartSector(), 0);
  delete partition;
}

}  // namespace
