#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "DirectoryTreeBuilder/TreeBuilderFixture.h"
#include "include/DataRunList.h"
#include "include/TestFileNode.h"

namespace quellsy::test {
namespace {

using std::chrono::milliseconds;

constexpr long long kRoot = 5;

class DirectoryTreeBuilderTest : public TreeBuilderFixture {};

TEST_F(DirectoryTreeBuilderTest, RootsAreNamedAfterTheDescriptionAndTheSearcher) {
  struct Case {
    const char* description;
    _tagSearcherType searcher;
    const char* name;
  };
  const std::vector<Case> cases = {
      {"Disk1", SEARCHER_HFSPLUS, "Disk1(HFS+)"},        {"Disk1", SEARCHER_FAT, "Disk1(FAT/FAT32)"},
      {"Disk1", SEARCHER_EXFAT, "Disk1(ExFat)"},         {"Disk1", SEARCHER_RAW, "Disk1(RAW Files)"},
      {"Disk1", SEARCHER_NTFS, "Disk1(NTFS)"},           {"Disk1", SEARCHER_LABEL, "Disk1(Label RAW Files)"},
      {"Disk1", SEARCHER_APFS, "Disk1(APFS)"},           {"Disk1", SEARCHER_NONE, "Disk1"},
      {"", SEARCHER_NTFS, "Disk(NTFS)"},                 {"", SEARCHER_FAT, "Disk(FAT/FAT32)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset(c.description);
    builder->AddSearcherInfo(c.searcher, kRoot);
    ASSERT_EQ(1, Offer(File("a.txt", 20, kRoot), c.searcher));
    builder->FlashBuild(c.searcher);
    ASSERT_EQ(1u, sink->Roots().size());
    IFilesystemNode* root = sink->Roots()[0];
    EXPECT_STREQ(c.name, root->GetFileName());
    EXPECT_STREQ(*c.description != '\0' ? c.description : "Disk", root->GetVolumeName());
    EXPECT_EQ(c.searcher, root->GetSearcheType());
    EXPECT_EQ(kRoot, root->GetCurrentNodeID());
    EXPECT_EQ(1, root->IsDirectory());
    EXPECT_EQ(std::string(c.name) + "/a.txt", RecordingTreeSink::PathOf(sink->Find("a.txt")));
  }
}

TEST_F(DirectoryTreeBuilderTest, InitializeRefusesMissingArgumentsAndAddNodeNeedsATree) {
  CDirectoryTreeBuilder bare(false, clock, [] { return std::optional<std::string>(); });
  EXPECT_EQ(0, bare.Initialize(nullptr, sink.get(), &filter));
  EXPECT_EQ(0, bare.Initialize("d", nullptr, &filter));
  EXPECT_EQ(0, bare.Initialize("d", sink.get(), nullptr));
  bare.AddSearcherInfo(SEARCHER_NTFS, kRoot);
  TreeTestNode* node = File("a.txt", 20, kRoot);
  EXPECT_EQ(0, bare.AddNode(node, SEARCHER_NTFS));  // no filter yet
  EXPECT_EQ(0, builder->AddNode(node, SEARCHER_FAT));  // no tree for that searcher
  EXPECT_EQ(0, builder->AddNode(nullptr, SEARCHER_NTFS));
  node->Release();
}

// Nodes the builder may have shown change only under the sink's node lock (the windows read them under it): it
// holds the lock while it takes, links and gathers nodes, and lets go while the sink is handed what was built.
TEST_F(DirectoryTreeBuilderTest, NodesChangeUnderTheSinksLockWhichIsFreeWhileTheSinkTakesThem) {
  struct ProbingFilter final : TestFilter {
    std::mutex* lock = nullptr;
    int asked = 0;
    std::vector<bool> heldWhenAsked;  // every hundredth node: a probe costs a thread
    int IsFileNodeValid(IFileNode* node) override {
      if (asked++ % 100 == 0) heldWhenAsked.push_back(!RecordingTreeSink::FreeForAnotherThread(*lock));
      return TestFilter::IsFileNodeValid(node);
    }
  } probing;
  std::mutex lock;
  probing.lock = &lock;
  sink->nodeLock = &lock;
  ASSERT_EQ(1, builder->Initialize("Disk1", sink.get(), &probing));
  builder->AddSearcherInfo(SEARCHER_NTFS, kRoot);
  ASSERT_EQ(1, Offer(Dir("docs", 10, kRoot)));
  for (int i = 0; i < 1100; ++i) ASSERT_EQ(1, Offer(File("f" + std::to_string(i), 100 + i, 10)));
  ASSERT_EQ(1, Offer(File("lost", 5000, 77)));  // its folder never comes: gathered at the end
  EXPECT_TRUE(RecordingTreeSink::FreeForAnotherThread(lock)) << "held after AddNode returned";
  builder->FlashBuild(SEARCHER_NTFS);
  EXPECT_TRUE(RecordingTreeSink::FreeForAnotherThread(lock)) << "held after FlashBuild returned";

  EXPECT_EQ(probing.asked, 1102);
  EXPECT_EQ(probing.heldWhenAsked, std::vector<bool>(12, true));
  // The root, the batch of 1024, the rest at the flush, the lost files.
  ASSERT_EQ(sink->events().size(), 4u);
  EXPECT_EQ(sink->lockFreeWhenShown, std::vector<bool>(4, true));
  EXPECT_EQ(sink->Delivered().size(), 1103u) << "the folder, its files, the lost file and its folder";
}

TEST_F(DirectoryTreeBuilderTest, RootComesFirstThenBatchesOf1024OrEveryThreeSeconds) {
  sink->pauseAfterRoot = milliseconds(1000);  // a sink that shows a window
  builder->AddSearcherInfo(SEARCHER_NTFS, kRoot);
  for (int i = 0; i < 1023; ++i) ASSERT_EQ(1, Offer(File("f" + std::to_string(i), 100 + i, kRoot)));
  EXPECT_TRUE(sink->events().empty());

  ASSERT_EQ(1, Offer(File("f1023", 1123, kRoot)));
  ASSERT_EQ(2u, sink->events().size());
  EXPECT_NE(nullptr, sink->events()[0].root);
  EXPECT_EQ(1024u, sink->events()[1].nodes.size());
  EXPECT_EQ(0, sink->events()[1].flag);
  EXPECT_EQ(std::vector<milliseconds>{milliseconds(1000)}, clock.waits);  // once, after the root

  // The pause after the root counts towards the next three seconds.
  ASSERT_EQ(1, Offer(File("a", 2000, kRoot)));
  clock.now += milliseconds(1999);
  ASSERT_EQ(1, Offer(File("b", 2001, kRoot)));
  EXPECT_EQ(2u, sink->events().size());
  clock.now += milliseconds(1);
  ASSERT_EQ(1, Offer(File("c", 2002, kRoot)));
  ASSERT_EQ(3u, sink->events().size());
  EXPECT_EQ(3u, sink->events()[2].nodes.size());
  EXPECT_EQ(1u, clock.waits.size());
}

TEST_F(DirectoryTreeBuilderTest, TheSinkChoosesThePauseAfterARoot) {
  for (const milliseconds pause : {milliseconds(0), milliseconds(250)}) {
    SCOPED_TRACE(pause.count());
    Reset();
    clock.waits.clear();
    sink->pauseAfterRoot = pause;
    builder->AddSearcherInfo(SEARCHER_NTFS, kRoot);
    for (int i = 0; i < 2048; ++i) ASSERT_EQ(1, Offer(File("f" + std::to_string(i), 100 + i, kRoot)));
    ASSERT_EQ(3u, sink->events().size());  // the root and two batches
    const std::vector<milliseconds> expected = pause.count() == 0 ? std::vector<milliseconds>{}
                                                                  : std::vector<milliseconds>{pause};
    EXPECT_EQ(expected, clock.waits);
  }
}

TEST_F(DirectoryTreeBuilderTest, FileFoundBeforeItsFolderIsDeliveredOnceTheFolderArrives) {
  builder->AddSearcherInfo(SEARCHER_NTFS, kRoot);
  ASSERT_EQ(1, Offer(File("a.txt", 20, 10)));
  clock.now += milliseconds(3000);
  ASSERT_EQ(1, Offer(File("b.txt", 21, kRoot)));
  EXPECT_EQ((std::vector<std::string>{"b.txt"}), DeliveredNames());

  clock.now += milliseconds(3000);
  ASSERT_EQ(1, Offer(Dir("docs", 10, kRoot)));
  EXPECT_EQ((std::vector<std::string>{"b.txt", "a.txt", "docs"}), DeliveredNames());
  EXPECT_EQ(2, sink->BatchCount());
  EXPECT_EQ("Disk1(NTFS)/docs/a.txt", RecordingTreeSink::PathOf(sink->Find("a.txt")));
}

TEST_F(DirectoryTreeBuilderTest, FoldersWithoutFilesAreShownOnlyOnApfs) {
  struct Case {
    _tagSearcherType searcher;
    std::vector<std::string> delivered;
  };
  const std::vector<Case> cases = {
      {SEARCHER_NTFS, {"x.txt", "full"}},
      {SEARCHER_APFS, {"empty", "full", "sub", "x.txt"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.searcher);
    Reset();
    released.clear();
    builder->AddSearcherInfo(c.searcher, 2);
    ASSERT_EQ(1, Offer(Dir("empty", 10, 2), c.searcher));
    ASSERT_EQ(1, Offer(Dir("full", 11, 2), c.searcher));
    ASSERT_EQ(1, Offer(Dir("sub", 12, 10), c.searcher));  // only folders below
    ASSERT_EQ(1, Offer(File("x.txt", 20, 11), c.searcher));
    builder->FlashBuild(c.searcher);
    EXPECT_EQ(c.delivered, DeliveredNames());
    EXPECT_EQ(c.searcher != SEARCHER_APFS, WasReleased("empty"));
    EXPECT_EQ(c.searcher != SEARCHER_APFS, WasReleased("sub"));
    EXPECT_FALSE(WasReleased("full"));
  }
}

TEST_F(DirectoryTreeBuilderTest, OrphansGoUnderOtherLostFilesExceptEmptyOnes) {
  builder->AddSearcherInfo(SEARCHER_NTFS, kRoot);
  ASSERT_EQ(1, Offer(Dir("lostdir", 30, 999)));
  ASSERT_EQ(1, Offer(File("inlost.txt", 31, 30)));
  ASSERT_EQ(1, Offer(File("orphan.txt", 32, 998)));
  ASSERT_EQ(1, Offer(File("empty.txt", 33, 997, 0)));
  ASSERT_EQ(1, Offer(Dir("emptyorphan", 34, 996)));
  ASSERT_EQ(1, Offer(File("zero-in-lost.txt", 35, 30, 0)));
  builder->FlashBuild(SEARCHER_NTFS);

  const RecordingTreeSink::Event& last = sink->events().back();
  EXPECT_EQ(1, last.flag);
  ASSERT_FALSE(last.nodes.empty());
  auto* lostFiles = dynamic_cast<IFilesystemNode*>(last.nodes.back());
  ASSERT_NE(nullptr, lostFiles);
  EXPECT_STREQ("Other lost files", lostFiles->GetFileName());
  EXPECT_STREQ("LostFiles", lostFiles->GetVolumeName());
  EXPECT_EQ(-1, lostFiles->GetCurrentNodeID());
  EXPECT_EQ(SEARCHER_NTFS, lostFiles->GetSearcheType());
  EXPECT_EQ(sink->Roots()[0], lostFiles->GetParent());

  EXPECT_EQ("Disk1(NTFS)/Other lost files/lostdir/inlost.txt", RecordingTreeSink::PathOf(sink->Find("inlost.txt")));
  EXPECT_EQ("Disk1(NTFS)/Other lost files/orphan.txt", RecordingTreeSink::PathOf(sink->Find("orphan.txt")));
  for (const char* unshown : {"empty.txt", "emptyorphan", "zero-in-lost.txt"}) {
    EXPECT_EQ(nullptr, sink->Find(unshown)) << unshown;
    EXPECT_TRUE(WasReleased(unshown)) << unshown;
  }
}

TEST_F(DirectoryTreeBuilderTest, QuickScanShowsDeletedFilesOnlyAndDeletionFlowsDown) {
  filter.showNormalFiles = false;
  builder->AddSearcherInfo(SEARCHER_NTFS, kRoot);
  ASSERT_EQ(1, Offer(File("intact.txt", 20, kRoot)));
  ASSERT_EQ(1, Offer(Deleted(File("gone.txt", 21, kRoot))));
  ASSERT_EQ(1, Offer(Deleted(Dir("trashed", 10, kRoot))));
  ASSERT_EQ(1, Offer(Dir("sub", 11, 10)));
  ASSERT_EQ(1, Offer(File("inside.txt", 22, 11)));
  ASSERT_EQ(1, Offer(File("orphan-intact.txt", 23, 999)));
  builder->FlashBuild(SEARCHER_NTFS);

  EXPECT_EQ(nullptr, sink->Find("intact.txt"));
  EXPECT_EQ(nullptr, sink->Find("orphan-intact.txt"));
  EXPECT_TRUE(WasReleased("intact.txt"));
  EXPECT_TRUE(WasReleased("orphan-intact.txt"));
  for (const char* shown : {"gone.txt", "trashed", "sub", "inside.txt"}) {
    IFileNode* node = sink->Find(shown);
    ASSERT_NE(nullptr, node) << shown;
    EXPECT_EQ(1, node->IsDeleted()) << shown;
  }
  EXPECT_EQ("Disk1(NTFS)/trashed/sub/inside.txt", RecordingTreeSink::PathOf(sink->Find("inside.txt")));
}

TEST_F(DirectoryTreeBuilderTest, DotNames) {
  struct Case {
    bool directory;
    const char* name;
    int taken;
    const char* shownAs;
  };
  const std::vector<Case> cases = {
      {false, ".DS_Store", 0, nullptr}, {false, "._photo.jpg", 0, nullptr}, {true, ".config", 1, "config"},
      {true, "..  .cache", 1, "cache"}, {true, "..", 0, nullptr},         {true, ".", 0, nullptr},
      {false, "plain.txt", 1, "plain.txt"},
  };
  builder->AddSearcherInfo(SEARCHER_NTFS, kRoot);
  long long id = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ++id;
    TreeTestNode* node = c.directory ? Dir(c.name, id, kRoot) : File(c.name, id, kRoot);
    EXPECT_EQ(c.taken, Offer(node));
    if (c.directory && c.taken == 1) {
      ASSERT_EQ(1, Offer(File("keep" + std::to_string(id), id + 1000, id)));
    }
  }
  builder->FlashBuild(SEARCHER_NTFS);
  for (const Case& c : cases) {
    if (c.shownAs != nullptr) {
      EXPECT_NE(nullptr, sink->Find(c.shownAs)) << c.name;
    }
  }
}

TEST_F(DirectoryTreeBuilderTest, TrashFoldersBecomeTheDeletedTrash) {
  struct Case {
    const char* what;
    std::optional<std::string> home;
    bool trashFirst;  // the trash folder arrives before its parents
    long long trashParent;
    const char* path;  // of the file inside, "" when not shown
  };
  const std::vector<Case> cases = {
      {"trash under the root", "/Users/alice", false, 2, "Disk1(HFS+)/Trash/x.doc"},
      {"user trash, parents known", "/Users/alice", false, 12, "Disk1(HFS+)/Trash/x.doc"},
      {"user trash, home with slash", "/Users/alice/", false, 12, "Disk1(HFS+)/Trash/x.doc"},
      {"user trash, parents later", "/Users/alice", true, 12, "Disk1(HFS+)/Users/alice/Trash/x.doc"},
      {"another user's trash", "/Users/bob", false, 12, ""},
      {"no home", std::nullopt, false, 12, ""},
  };
  filter.showNormalFiles = false;  // an intact file shows only when the trash made it deleted
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    home = c.home;
    Reset();
    builder->AddSearcherInfo(SEARCHER_HFSPLUS, 2);
    std::vector<TreeTestNode*> order = {Dir("Users", 11, 2), Dir("alice", 12, 11)};
    order.insert(c.trashFirst ? order.begin() : order.end(), Dir(".Trash", 13, c.trashParent));
    for (TreeTestNode* node : order) ASSERT_EQ(1, Offer(node, SEARCHER_HFSPLUS));
    ASSERT_EQ(1, Offer(File("x.doc", 21, 13), SEARCHER_HFSPLUS));
    builder->FlashBuild(SEARCHER_HFSPLUS);
    IFileNode* file = sink->Find("x.doc");
    if (*c.path == '\0') {
      EXPECT_EQ(nullptr, file);
      continue;
    }
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(c.path, RecordingTreeSink::PathOf(file));
    EXPECT_EQ(1, file->IsDeleted());
    EXPECT_EQ(1, file->GetParent()->IsDeleted());
  }
}

TEST_F(DirectoryTreeBuilderTest, HfsPrivateFolderAndItsSubfoldersAreDropped) {
  builder->AddSearcherInfo(SEARCHER_HFSPLUS, 2);
  ASSERT_EQ(1, Offer(Dir("dir_18", 30, 16), SEARCHER_HFSPLUS));
  for (int i = 0; i < 1100; ++i) ASSERT_EQ(1, Offer(File("f" + std::to_string(i), 100 + i, 2), SEARCHER_HFSPLUS));
  EXPECT_TRUE(sink->events().empty());  // an HFS+ tree waits for the private folder

  EXPECT_EQ(0, Offer(Dir("HFS+ Private Data", 16, 2), SEARCHER_HFSPLUS));
  EXPECT_TRUE(WasReleased("dir_18"));
  EXPECT_EQ(0, Offer(Dir("dir_19", 31, 16), SEARCHER_HFSPLUS));
  ASSERT_EQ(1, Offer(File("next", 1300, 2), SEARCHER_HFSPLUS));
  ASSERT_EQ(2u, sink->events().size());
  EXPECT_EQ(1101u, sink->events()[1].nodes.size());
}

TEST_F(DirectoryTreeBuilderTest, DuplicatesAreRefusedAndAnOlderOneGivesItsRunsToTheRecordedNode) {
  struct Case {
    const char* what;
    bool restore;
    bool directory;
    long long size;
    unsigned long long modified;
    std::uint16_t partition;
    int taken;
    long long recordedSize;  // afterwards
    long long recordedFirstRun;
  };
  const std::vector<Case> cases = {
      {"empty duplicate", false, false, 0, 10, 0, 0, 100, 10},
      {"newer duplicate", false, false, 300, 90, 0, 0, 100, 10},
      {"same time", false, false, 300, 50, 0, 0, 100, 10},
      {"older duplicate", false, false, 300, 10, 0, 0, 300, 77},
      {"other partition", false, false, 300, 10, 1, 1, 100, 10},
      {"folder", false, true, 0, 10, 0, 0, 100, 10},
      {"restoring keeps all", true, false, 300, 10, 0, 1, 100, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Reset("Disk1", c.restore);
    builder->AddSearcherInfo(SEARCHER_NTFS, kRoot);
    TreeTestNode* recorded = c.directory ? Dir("a", 20, kRoot) : File("a", 20, kRoot, 100);
    recorded->modified_ = 50;
    recorded->SetBelongedPartition(0);
    auto* runs = new CDataRunList();
    const DataRun first{10, 5};
    runs->AddDataRun(&first);
    recorded->SetDataRunList(runs);
    ASSERT_EQ(1, Offer(recorded));

    TreeTestNode* duplicate = c.directory ? Dir("a", 20, kRoot) : File("a", 20, kRoot, c.size);
    duplicate->modified_ = c.modified;
    duplicate->SetBelongedPartition(c.partition);
    auto* otherRuns = new CDataRunList();
    const DataRun other{77, 3};
    otherRuns->AddDataRun(&other);
    duplicate->SetDataRunList(otherRuns);
    EXPECT_EQ(c.taken, Offer(duplicate));  // a refused duplicate is released here, runs and all

    EXPECT_EQ(c.directory ? 0 : c.recordedSize, recorded->GetFileSize());
    ASSERT_NE(nullptr, recorded->GetDataRunList());
    EXPECT_EQ(c.recordedFirstRun, recorded->GetDataRunList()->GetFirst()->lcn);
  }
}

TEST_F(DirectoryTreeBuilderTest, SelfParentIsRefusedAndFilterIsApplied) {
  filter.rejected = {"skip.me"};
  builder->AddSearcherInfo(SEARCHER_NTFS, kRoot);
  EXPECT_EQ(0, Offer(Dir("loop", 40, 40)));
  EXPECT_EQ(0, Offer(File("skip.me", 41, kRoot)));
  EXPECT_EQ(1, Offer(File("keep.me", 42, kRoot)));
}

TEST_F(DirectoryTreeBuilderTest, ParentIdCycleEndsUnderLostFiles) {
  home = "/home/u";
  Reset();
  builder->AddSearcherInfo(SEARCHER_NTFS, kRoot);
  ASSERT_EQ(1, Offer(Dir("A", 10, 11)));
  ASSERT_EQ(1, Offer(Dir("B", 11, 10)));
  ASSERT_EQ(1, Offer(File("f.txt", 20, 10)));
  ASSERT_EQ(1, Offer(Dir(".Trash", 12, 10)));  // its user-trash test climbs the cycle too
  clock.now += milliseconds(3000);
  ASSERT_EQ(1, Offer(File("g.txt", 21, 11)));
  builder->FlashBuild(SEARCHER_NTFS);
  EXPECT_EQ("Disk1(NTFS)/Other lost files/B/A/f.txt", RecordingTreeSink::PathOf(sink->Find("f.txt")));
  EXPECT_EQ("Disk1(NTFS)/Other lost files/B/g.txt", RecordingTreeSink::PathOf(sink->Find("g.txt")));
}

TEST_F(DirectoryTreeBuilderTest, ANodeThatCannotBeMarkedDeletedDoesNotHangTheFlush) {
  filter.showNormalFiles = false;  // keeps the intact file pending while deletion is carried down
  builder->AddSearcherInfo(SEARCHER_NTFS, kRoot);
  ASSERT_EQ(1, Offer(Deleted(Dir("gone", 10, kRoot))));
  auto* stubborn = new TestFileNode("stubborn.txt", false, 20, 10);  // MarkDeleted does nothing
  stubborn->m_size = 10;
  ASSERT_EQ(1, builder->AddNode(stubborn, SEARCHER_NTFS));
  builder->FlashBuild(SEARCHER_NTFS);
  EXPECT_EQ(nullptr, sink->Find("stubborn.txt"));
}

TEST_F(DirectoryTreeBuilderTest, FlashBuildReleasesExactlyTheNodesNeverShown) {
  builder->AddSearcherInfo(SEARCHER_NTFS, kRoot);
  const std::vector<std::string> shown = {"docs", "a.txt", "lost.txt"};
  // Found in this order, the empty file's folder chain would keep a shown folder below a released one.
  const std::vector<std::string> unshown = {"zero.txt", "D1", "D2", "emptydir"};
  TreeTestNode* docs = Dir("docs", 10, kRoot);
  ASSERT_EQ(1, Offer(docs));
  EXPECT_EQ(1, builder->AddNode(docs, SEARCHER_NTFS));  // handed in twice: still ours, released once
  ASSERT_EQ(1, Offer(File("a.txt", 20, 10)));
  ASSERT_EQ(1, Offer(File("lost.txt", 21, 500)));
  ASSERT_EQ(1, Offer(File("zero.txt", 22, 30, 0)));
  ASSERT_EQ(1, Offer(Dir("D1", 30, 31)));
  ASSERT_EQ(1, Offer(Dir("D2", 31, 501)));
  ASSERT_EQ(1, Offer(Dir("emptydir", 32, kRoot)));
  EXPECT_EQ(0, Offer(File(".hidden", 23, kRoot)));
  released.clear();

  builder->FlashBuild(SEARCHER_NTFS);
  std::vector<std::string> expected = unshown;
  std::sort(expected.begin(), expected.end());
  std::vector<std::string> got = released;
  std::sort(got.begin(), got.end());
  EXPECT_EQ(expected, got);
  for (const std::string& name : shown) EXPECT_NE(nullptr, sink->Find(name)) << name;
  for (const std::string& path : sink->DeliveredPaths()) EXPECT_EQ(0u, path.rfind("Disk1(NTFS)/", 0)) << path;

  builder.reset();
  for (const std::string& name : shown) EXPECT_EQ(1, std::count(released.begin(), released.end(), name)) << name;
  EXPECT_EQ(shown.size() + unshown.size(), released.size());
}

TEST_F(DirectoryTreeBuilderTest, ASearcherFlushedTwiceBuildsItsSecondTreeFromFreshMaps) {
  builder->AddSearcherInfo(SEARCHER_NTFS, kRoot);
  ASSERT_EQ(1, Offer(Dir("first", 10, kRoot)));
  ASSERT_EQ(1, Offer(File("one.txt", 20, 10)));
  builder->FlashBuild(SEARCHER_NTFS);
  // The same IDs again, as a searcher of a second partition gives them: nothing of the first flush is met.
  for (long long round = 0; round < 3; ++round) {
    const std::string folder = "again" + std::to_string(round);
    const std::string file = "two" + std::to_string(round) + ".txt";
    ASSERT_EQ(1, Offer(Dir(folder.c_str(), 10, kRoot)));
    ASSERT_EQ(1, Offer(File(file.c_str(), 20, 10)));
    for (long long id = 0; id < 2000; ++id) ASSERT_EQ(1, Offer(File("bulk.txt", 1000 + id, 10)));
    builder->FlashBuild(SEARCHER_NTFS);
    EXPECT_EQ("Disk1(NTFS)/" + folder + "/" + file, RecordingTreeSink::PathOf(sink->Find(file))) << round;
  }
}

TEST_F(DirectoryTreeBuilderTest, AStoppedScanReleasesEveryNodeOnce) {
  builder->AddSearcherInfo(SEARCHER_NTFS, kRoot);
  const std::vector<std::string> taken = {"docs", "a.txt", "orphan.txt", "$Recycle.Bin", "$RAB12CD.txt"};
  ASSERT_EQ(1, Offer(Dir("docs", 10, kRoot)));
  ASSERT_EQ(1, Offer(File("a.txt", 20, 10)));
  clock.now += milliseconds(3000);
  ASSERT_EQ(1, Offer(File("orphan.txt", 21, 500)));  // a batch has been shown
  ASSERT_EQ(1, Offer(Dir("$Recycle.Bin", 40, kRoot)));
  ASSERT_EQ(1, Offer(File("$RAB12CD.txt", 41, 40)));
  EXPECT_EQ(1, sink->BatchCount());
  builder.reset();
  std::vector<std::string> got = released;
  std::sort(got.begin(), got.end());
  std::vector<std::string> expected = taken;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected, got);
}

TEST(GetCorrectParentTest, PrefersAnIntactFolderBelowTheStopFolderThenTheNodesPartition) {
  TreeTestNode root("root", true, 1, 0, 0, nullptr);
  TreeTestNode trash("Trash", true, 7, 1, 0, nullptr);
  ASSERT_EQ(1, root.AddChild(&trash));
  TreeTestNode deletedInTrash("d", true, 10, 7, 0, nullptr);
  deletedInTrash.deleted_ = true;
  TreeTestNode intactInTrash("d", true, 10, 7, 0, nullptr);
  TreeTestNode otherPartition("d", true, 10, 7, 0, nullptr);
  TreeTestNode aFile("d", false, 10, 7, 0, nullptr);
  for (TreeTestNode* node : {&deletedInTrash, &intactInTrash, &aFile}) node->SetBelongedPartition(0);
  otherPartition.SetBelongedPartition(1);
  ASSERT_EQ(1, trash.AddChild(&deletedInTrash));
  ASSERT_EQ(1, trash.AddChild(&intactInTrash));

  TreeTestNode onZero("n", false, 20, 10, 1, nullptr);
  onZero.SetBelongedPartition(0);
  TreeTestNode onOne("n", false, 20, 10, 1, nullptr);
  onOne.SetBelongedPartition(1);

  struct Case {
    const char* what;
    long long stopID;
    std::vector<IFileNode*> candidates;
    IFileNode* node;
    IFileNode* expected;
  };
  const std::vector<Case> cases = {
      {"none", 7, {}, &onZero, nullptr},
      {"no node", 7, {&intactInTrash, &otherPartition}, nullptr, nullptr},
      {"single, whatever it is", 7, {&aFile}, &onOne, &aFile},
      {"deleted one passed over", 7, {&deletedInTrash, &intactInTrash}, &onZero, &intactInTrash},
      {"below stop wins over order", 7, {&otherPartition, &intactInTrash}, &onZero, &intactInTrash},
      {"other partition not below stop", 7, {&otherPartition, &intactInTrash}, &onOne, &otherPartition},
      {"stop not met: partition decides", 999, {&deletedInTrash, &otherPartition}, &onOne, &otherPartition},
      {"no folder of that partition", 999, {&aFile, &otherPartition}, &onZero, &aFile},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.expected, CDirectoryTreeBuilder::GetCorrectParent(c.stopID, c.candidates, c.node)) << c.what;

  trash.RemoveChild(&intactInTrash);
  trash.RemoveChild(&deletedInTrash);
  root.RemoveChild(&trash);
}

TEST(TreeBuilderFactoryTest, CreateTreeBuilderMakesABuilderThatReleasesItself) {
  IDirecotryTreeBuilder* builder = CreateTreeBuilder(false);
  ASSERT_NE(nullptr, builder);
  builder->Release();
}

}  // namespace
}  // namespace quellsy::test
