// The order in which the builder delivers nodes, for arrival orders worked out by hand. A build pass goes
// through the pending nodes in the order they came; a node linked to the root only after its turn in a pass
// waits for the next pass. The expected batches follow that rule step by step (see each case's comment).

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "DirectoryTreeBuilder/TreeBuilderFixture.h"

namespace quellsy::test {
namespace {

constexpr long long kRoot = 5;

struct OrderCase {
  const char* what;
  bool showNormalFiles;
  // "[/]K NAME ID PARENT": K is d or f (folder, file), D or F when deleted; "/" lets three seconds pass first,
  // so that this arrival's AddNode makes a build pass.
  std::vector<std::string> arrivals;
  // The batches after the flush, " | " between them, "lost:" before the lost-files batch, "*" after a node
  // delivered as deleted.
  std::string batches;
};

void PrintTo(const OrderCase& c, std::ostream* out) { *out << c.what; }

class BuildOrderTest : public TreeBuilderFixture, public testing::WithParamInterface<OrderCase> {
 protected:
  void Arrive(const std::string& arrival) {
    std::istringstream in(arrival);
    std::string kind, name;
    long long id = 0, parent = 0;
    in >> kind >> name >> id >> parent;
    if (kind.front() == '/') {
      clock.now += CDirectoryTreeBuilder::kBuildDeferral;
      kind.erase(0, 1);
    }
    const bool folder = kind == "d" || kind == "D";
    TreeTestNode* node = folder ? Dir(name, id, parent) : File(name, id, parent);
    Offer(kind == "D" || kind == "F" ? Deleted(node) : node);
  }

  std::string Batches() const {
    std::string text;
    for (const RecordingTreeSink::Event& event : sink->events()) {
      if (event.root != nullptr) continue;
      text += text.empty() ? "" : " | ";
      text += event.flag == 1 ? "lost:" : "";
      for (std::size_t i = 0; i < event.nodes.size(); ++i) {
        text += (i == 0 && event.flag != 1) ? "" : " ";
        text += event.nodes[i]->GetFileName();
        text += event.nodes[i]->IsDeleted() != 0 ? "*" : "";
      }
    }
    return text;
  }
};

TEST_P(BuildOrderTest, DeliversInTheOrderWorkedOutByHand) {
  const OrderCase& c = GetParam();
  filter.showNormalFiles = c.showNormalFiles;
  builder->AddSearcherInfo(SEARCHER_NTFS, kRoot);
  for (const std::string& arrival : c.arrivals) Arrive(arrival);
  builder->FlashBuild(SEARCHER_NTFS);
  EXPECT_EQ(c.batches, Batches());
}

class ShuffledArrivalsTest : public BuildOrderTest {
 protected:
  // The batches of one run; everyNode: each pass visits every pending node (giving the searcher its root ID
  // again before each arrival has the next pass do so).
  std::string Run(const std::vector<std::string>& arrivals, bool showNormalFiles, bool everyNode) {
    Reset();
    filter.showNormalFiles = showNormalFiles;
    builder->AddSearcherInfo(SEARCHER_NTFS, kRoot);
    for (const std::string& arrival : arrivals) {
      if (everyNode) builder->AddSearcherInfo(SEARCHER_NTFS, kRoot);
      Arrive(arrival);
    }
    builder->FlashBuild(SEARCHER_NTFS);
    return Batches();
  }
};

// Visiting only the nodes that can change gives the batches a visit of every node gives: checked on a tree
// with deleted branches, a parent loop, two folders under one ID, an empty folder and orphans, arriving in
// shuffled orders with passes at random points.
TEST_F(ShuffledArrivalsTest, VisitingOnlyWokenNodesGivesTheBatchesOfVisitingAll) {
  const std::vector<std::string> nodes = {
      "d A 10 5",    "d B 11 10",   "d B2 11 5",   "d C 12 11",  "D Dd 13 5",   "d E 14 13",  "d L1 20 21",
      "d L2 21 20",  "d O 30 99",   "d Em 15 5",   "f a 100 10", "f b 101 11",  "F c 102 12", "f d 103 13",
      "F e 104 14",  "f l 105 20",  "F o 106 30",  "F p 107 98", "f e2 108 14", "F c2 109 12"};
  std::mt19937 random(20261211);
  for (int round = 0; round < 200; ++round) {
    std::vector<std::string> arrivals = nodes;
    std::shuffle(arrivals.begin(), arrivals.end(), random);
    for (std::string& arrival : arrivals)
      if (random() % 2 == 0) arrival.insert(0, "/");
    const bool showNormalFiles = round % 2 == 0;
    const std::string all = Run(arrivals, showNormalFiles, true);
    SCOPED_TRACE(testing::PrintToString(arrivals));
    ASSERT_EQ(all, Run(arrivals, showNormalFiles, false));
  }
}

const OrderCase kCases[] = {
    // Pass 1: a.txt has no parent yet. Pass 2: a.txt climbs through docs to the root, then docs is delivered.
    {"FileBeforeItsFolder", true, {"/f a.txt 20 10", "/d docs 10 5"}, "a.txt docs"},
    // Pass 1: D is empty. Pass 2: D (visited first) is still empty; a.txt links D to the root after D's turn,
    // so D waits for the flush.
    {"EmptyFolderBeforeItsFile", true, {"/d D 10 5", "/f a.txt 20 10"}, "a.txt | D"},
    // f hangs below B, then B below A, without reaching the root. Pass 4: A reaches it through R; f and B
    // came before A and wait for the flush, R comes after and goes with A.
    {"ChainArrivingBottomUp", true, {"/f f 30 12", "/d B 12 11", "/d A 11 10", "/d R 10 5"}, "A R | f B"},
    // Only deleted files are shown. Pass 3: D is marked deleted below G but is empty; x.txt came before D and
    // waits. Pass 4: x.txt, now below a deleted folder, is deleted too and climbs to the root through D and G.
    {"DeletedOnlyIntactFileWaitsForItsFolderToBeDeleted", false,
     {"f x.txt 20 10", "/d D 10 11", "/D G 11 5", "/F z.txt 22 11"}, "x.txt* D* G* z.txt*"},
    // Pass 2: D is marked deleted (empty, stays); x.txt, after D in the same pass, becomes deleted and links
    // D and G to the root: G goes with it, D came first and waits for the flush.
    {"DeletedOnlyFolderMarkedEarlierInThePass", false, {"d D 10 11", "/f x.txt 20 10", "/D G 11 5"},
     "x.txt* G* | D*"},
    // Two folders under ID 10: x.txt goes under the first intact one (D1) until D1 is deleted, then under
    // the first folder (D1 still). D2 stays empty and is never shown.
    {"SeveralFoldersUnderTheParentID", false, {"/d D1 10 11", "/D D2 10 5", "/f x.txt 20 10", "/D G 11 5"},
     "x.txt* G* | D1*"},
    // A waits on B and B on A; f.txt links A below B, and B cannot go below A. The flush puts B under the
    // lost files; a folder that is its own parent is refused. Nothing hangs.
    {"ParentLoop", true, {"/d A 10 11", "/d B 11 10", "/d self 40 40", "/f f.txt 20 10"},
     "lost: A B f.txt Other lost files"},
    // Without passes before the flush the same nodes come in one batch, in the order they came.
    {"NoPassBeforeTheFlush", true, {"f f 30 12", "d B 12 11", "d A 11 10", "d R 10 5"}, "f B A R"},
};

INSTANTIATE_TEST_SUITE_P(Arrivals, BuildOrderTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<OrderCase>& param) { return std::string(param.param.what); });

}  // namespace
}  // namespace quellsy::test
