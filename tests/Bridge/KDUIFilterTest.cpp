// The filter holder: the mask reaches the filter, the filter is made when missing and released at the end,
// and the process-wide holder serves the engine's one filter.

#include "Bridge/KDUIFilter.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "BridgeTestNodes.h"
#include "RecoveryFilter/RecoveryFilter.h"

namespace quellsy::test {
namespace {

class RecordingFilter : public IRecoveryFilter {
 public:
  int ShowNormalFiles() const override { return 0; }
  void SetScanType(_SCAN_TYPE) override {}
  int IsFileNodeValid(IFileNode*) override { return 1; }
  void SetFilterTypes(unsigned int mask) override { masks.push_back(mask); }
  _FILTER_TYPE GetNodeFileType(IFileNode*) override { return FILTER_TYPE_OTHER; }
  void Release() override { ++released; }

  std::vector<unsigned int> masks;
  int released = 0;
};

TEST(KDUIFilter, HandsEveryMaskToTheFilterUnchanged) {
  RecordingFilter filter;
  {
    KDUIFilter holder([&filter] { return &filter; });
    ASSERT_EQ(holder.GetFilter(), &filter);
    const std::vector<unsigned int> masks{0, 127, FILTER_TYPE_PICTURE, FILTER_TYPE_DOCUMENT | FILTER_TYPE_EMAIL};
    for (unsigned int mask : masks) holder.ResetFilter(mask);
    EXPECT_EQ(filter.masks, masks);
    EXPECT_EQ(filter.released, 0);
  }
  EXPECT_EQ(filter.released, 1);
}

TEST(KDUIFilter, AsksForTheFilterAgainWhileItHasNone) {
  RecordingFilter filter;
  int calls = 0;
  KDUIFilter holder([&]() -> IRecoveryFilter* { return ++calls == 1 ? nullptr : &filter; });
  EXPECT_EQ(holder.GetFilter(), nullptr);
  holder.ResetFilter(FILTER_TYPE_MUSIC);
  EXPECT_EQ(holder.GetFilter(), &filter);
  holder.ResetFilter(FILTER_TYPE_MOVIE);
  EXPECT_EQ(calls, 2);  // made once it succeeded, not again
  EXPECT_EQ(filter.masks, (std::vector<unsigned int>{FILTER_TYPE_MUSIC, FILTER_TYPE_MOVIE}));
}

// The process-wide holder drives the engine's own filter: what the user chose decides which files it keeps.
TEST(KDUIFilter, InstanceServesTheEnginesFilter) {
  std::map<int, std::string> catalogue{{FILTER_TYPE_DOCUMENT, "doc;pdf"}, {FILTER_TYPE_PICTURE, "jpg;png"}};
  CFileTypeManager::Initialze(catalogue);
  auto* engineFilter = dynamic_cast<CRecoveryFilter*>(CreateFilter());
  ASSERT_NE(engineFilter, nullptr);
  engineFilter->Reset();

  KDUIFilter* holder = KDUIFilter::instance();
  ASSERT_EQ(holder, KDUIFilter::instance());
  EXPECT_EQ(holder->GetFilter(), engineFilter);
  EXPECT_EQ(holder->GetFilter(), holder->GetFilter());

  NodeTree tree;
  BridgeTestNode* photo = tree.File(nullptr, "photo.jpg");
  BridgeTestNode* letter = tree.File(nullptr, "letter.doc");
  holder->ResetFilter(FILTER_TYPE_PICTURE);
  EXPECT_EQ(holder->GetFilter()->IsFileNodeValid(photo), 1);
  EXPECT_EQ(holder->GetFilter()->IsFileNodeValid(letter), 0);
  holder->ResetFilter(FILTER_TYPE_ALL);
  EXPECT_EQ(holder->GetFilter()->IsFileNodeValid(letter), 1);

  CFileTypeManager::ResetExtensionLists();
  engineFilter->Reset();
}

}  // namespace
}  // namespace quellsy::test
