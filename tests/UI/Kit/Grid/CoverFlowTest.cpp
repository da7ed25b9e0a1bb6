// The cover flow drawn offscreen and driven with keys, the wheel and clicks.

#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <set>

#include "UI/Kit/Grid/CoverFlowView.h"

namespace quellsy::ui {
namespace {

QColor ColourOf(std::int64_t index) { return QColor::fromHsv(static_cast<int>(index * 37 % 360), 200, 230); }

class Covers : public CoverFlowDataSource, public CoverFlowDelegate {
 public:
  explicit Covers(int count) {
    for (int i = 0; i < count; ++i) {
      QImage picture(120, 90, QImage::Format_RGB32);
      picture.fill(ColourOf(i));
      auto photo = std::make_shared<Photo>(picture, QStringLiteral("cover-%1").arg(i));
      photo->setName(QStringLiteral("File %1.jpg").arg(i));
      photos.push_back(photo);
    }
  }
  std::uint64_t numberOfItemsInImageFlow(CoverFlowView&) override { return photos.size(); }
  std::shared_ptr<Photo> imageFlowItemAtIndex(CoverFlowView&, std::int64_t index) override {
    asked.insert(index);
    return index >= 0 && index < static_cast<std::int64_t>(photos.size()) ? photos[static_cast<std::size_t>(index)]
                                                                          : nullptr;
  }
  void imageFlowDidSelectItemAtIndex(CoverFlowView&, std::int64_t index) override { selected.push_back(index); }

  std::vector<std::shared_ptr<Photo>> photos;
  std::set<std::int64_t> asked;
  std::vector<std::int64_t> selected;
};

bool Near(QColor a, QColor b, int tolerance = 3) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

class CoverFlowTest : public ::testing::Test {
 protected:
  CoverFlowTest() : covers_(1000) {
    view_.resize(800, 400);
    view_.setGlideMilliseconds(0);
    view_.setDataSource(&covers_);
    view_.setDelegate(&covers_);
    view_.show();
    view_.reloadData();
    view_.setSelectedIndex(500);
  }
  // Cover side min(400 x 0.55, 800 x 0.32) = 220; it stands on y = 48 + 220.
  static constexpr int kSide = 220;
  static constexpr int kFloor = 268;

  Covers covers_;
  CoverFlowView view_;
};

TEST_F(CoverFlowTest, TheSelectedCoverFacesTheViewerWithItsReflectionAndOnlyCoversInViewAreAsked) {
  covers_.asked.clear();
  const QImage shot = view_.grab().toImage();
  // The 120 x 90 picture fitted into the 220 square stands on the floor: 220 x 165, its top at 268 - 165.
  EXPECT_TRUE(Near(shot.pixelColor(400, kFloor - 80), ColourOf(500)));
  EXPECT_TRUE(Near(shot.pixelColor(400 - 105, kFloor - 10), ColourOf(500)));
  EXPECT_FALSE(Near(shot.pixelColor(400, kFloor - 170), ColourOf(500))) << "above the picture is the backdrop";
  // The reflection: the same hue, darker, just below the floor.
  const QColor reflection = shot.pixelColor(400, kFloor + 6);
  EXPECT_LT(reflection.value(), ColourOf(500).value());
  EXPECT_NEAR(reflection.hue(), ColourOf(500).hue(), 8);
  // A side cover: left of the middle one, dimmer.
  const QColor side = shot.pixelColor(400 - kSide * 3 / 4, kFloor - 40);
  EXPECT_NEAR(side.hue(), ColourOf(499).hue(), 8);
  // Six covers on each side at most.
  EXPECT_LE(covers_.asked.size(), 13u);
  EXPECT_GE(*covers_.asked.begin(), 494);
  EXPECT_LE(*covers_.asked.rbegin(), 506);
}

TEST_F(CoverFlowTest, KeysWheelAndClicksMoveTheSelectionAndTellTheDelegate) {
  QTest::keyClick(&view_, Qt::Key_Right);
  EXPECT_EQ(view_.selectedIndex(), 501);
  QTest::keyClick(&view_, Qt::Key_Left);
  QTest::keyClick(&view_, Qt::Key_Left);
  EXPECT_EQ(view_.selectedIndex(), 499);
  QWheelEvent wheel(QPointF(400, 200), view_.mapToGlobal(QPointF(400, 200)), QPoint(), QPoint(0, -240), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(&view_, &wheel);
  EXPECT_EQ(view_.selectedIndex(), 501);
  // The cover just left of the middle stands 0.75 x 220 points from it.
  QTest::mouseClick(&view_, Qt::LeftButton, {}, QPoint(400 - kSide * 3 / 4, kFloor - kSide / 2));
  EXPECT_EQ(view_.selectedIndex(), 500);
  QTest::keyClick(&view_, Qt::Key_End);
  EXPECT_EQ(view_.selectedIndex(), 999);
  QTest::keyClick(&view_, Qt::Key_Right);  // already at the end
  QTest::keyClick(&view_, Qt::Key_Home);
  EXPECT_EQ(view_.selectedIndex(), 0);
  EXPECT_EQ(covers_.selected, (std::vector<std::int64_t>{501, 500, 499, 501, 500, 999, 0}));
  // The window's own moves do not tell the delegate.
  view_.setSelectedIndex(10);
  EXPECT_EQ(covers_.selected.size(), 7u);
}

TEST_F(CoverFlowTest, ACoverIsDrawnAgainWhenItsVersionGrowsAndGlidesWhenAnimated) {
  QImage green(60, 60, QImage::Format_RGB32);
  green.fill(QColor(20, 200, 40));
  covers_.photos[500]->setImageRepresentation(green);
  covers_.photos[500]->setImageVersion();
  view_.reloadCellDataAtIndex(500);
  EXPECT_TRUE(Near(view_.grab().toImage().pixelColor(400, kFloor - 80), QColor(20, 200, 40)));

  view_.setGlideMilliseconds(120);
  view_.setSelectedIndex(505);
  EXPECT_EQ(view_.selectedIndex(), 505);
  ASSERT_TRUE(QTest::qWaitFor([&] { return view_.position() == 505.0; }, 5000));
}

}  // namespace
}  // namespace quellsy::ui
