// Frames to Qt geometry and the autoresize emulation, against hand-worked frames; real widgets follow their
// parent's size.

#include <QWidget>
#include <gtest/gtest.h>

#include "UI/Kit/Autoresize.h"
#include "UI/Kit/ViewFrames.h"

namespace quellsy::ui {
namespace {

TEST(Frames, BottomLeftFramesBecomeTopLeftRectangles) {
  // A 900 x 600 parent: a frame 86 above the bottom edge and 4 high lies 510 below the top.
  EXPECT_EQ(FrameToTopLeft(QRectF(0, 86, 900, 4), 600), QRectF(0, 510, 900, 4));
  EXPECT_EQ(FrameToTopLeft(QRectF(20, 15, 60, 60), 90), QRectF(20, 15, 60, 60));
  EXPECT_EQ(FrameToTopLeft(QRectF(5, 0, 10, 10), 10), QRectF(5, 0, 10, 10));
  EXPECT_EQ(FrameToTopLeft(QRectF(52, 10, 338, 20), 72, FrameOrigin::kTopLeft), QRectF(52, 10, 338, 20));
  EXPECT_EQ(TopLeftToFrame(QRectF(0, 510, 900, 4), 600), QRectF(0, 86, 900, 4));
  // Fractions round at each edge, so that neighbours still meet.
  EXPECT_EQ(PixelRect(QRectF(0.4, 0.6, 199.2, 4)), QRect(0, 1, 200, 4));
  EXPECT_EQ(PixelRect(QRectF(10.5, 0, 10, 10)), QRect(11, 0, 10, 10));
}

struct ResizeCase {
  unsigned mask;
  QRectF frame;
  QSizeF from;
  QSizeF to;
  QRectF expected;
};

TEST(Autoresize, FlexiblePartsShareTheChangeInProportion) {
  const QRectF frame(20, 10, 60, 30);  // margins: left 20, right 20; bottom 10, top 60 in a 100 x 100 parent
  const ResizeCase cases[] = {
      {kNotSizable, frame, {100, 100}, {200, 150}, frame},
      {kWidthSizable, frame, {100, 100}, {200, 100}, QRectF(20, 10, 160, 30)},
      {kMinXMargin, frame, {100, 100}, {200, 100}, QRectF(120, 10, 60, 30)},
      {kMaxXMargin, frame, {100, 100}, {200, 100}, frame},
      // Left 20 and width 60 share +100 as 20:60.
      {kMinXMargin | kWidthSizable, frame, {100, 100}, {200, 100}, QRectF(45, 10, 135, 30)},
      // Width 60 and right 20: the progress fill's mask keeps its share of the track.
      {kWidthSizable | kMaxXMargin, QRectF(0, 0, 50, 4), {200, 4}, {400, 4}, QRectF(0, 0, 100, 4)},
      // All three: 20:60:20 of +100.
      {kMinXMargin | kWidthSizable | kMaxXMargin, frame, {100, 100}, {200, 100}, QRectF(40, 10, 120, 30)},
      {kHeightSizable, frame, {100, 100}, {100, 50}, QRectF(20, 10, 60, 0)},  // never below zero
      {kMinYMargin, frame, {100, 100}, {100, 150}, QRectF(20, 60, 60, 30)},
      {kMaxYMargin | kHeightSizable, frame, {100, 100}, {100, 190}, QRectF(20, 10, 60, 30 + 90 * 30.0 / 90)},
      // Flexible parts all of size 0 share equally.
      {kMinXMargin | kMaxXMargin, QRectF(0, 0, 100, 10), {100, 10}, {120, 10}, QRectF(10, 0, 100, 10)},
  };
  for (const ResizeCase& c : cases)
    EXPECT_EQ(AutoresizedFrame(c.frame, c.from, c.to, c.mask), c.expected) << c.mask;
}

TEST(Autoresize, PlacedViewsFollowTheirParent) {
  QWidget parent;
  parent.resize(400, 300);
  parent.show();  // a hidden widget's resize reaches its children only when it is shown
  QWidget bar(&parent);
  QWidget corner(&parent);
  // A strip along the bottom, as wide as the parent; a 16 x 16 button 20 from the top right corner.
  PlaceView(&bar, QRectF(0, 0, 400, 4), kWidthSizable | kMaxYMargin);
  PlaceView(&corner, QRectF(364, 264, 16, 16), kMinXMargin | kMinYMargin);
  EXPECT_EQ(bar.geometry(), QRect(0, 296, 400, 4));
  EXPECT_EQ(corner.geometry(), QRect(364, 20, 16, 16));
  parent.resize(600, 500);
  EXPECT_EQ(bar.geometry(), QRect(0, 496, 600, 4));
  EXPECT_EQ(corner.geometry(), QRect(564, 20, 16, 16));
  EXPECT_EQ(ViewFrame(&corner), QRectF(564, 464, 16, 16));
  // Back and forth ends where it began: sizes come from the placed frame, not from rounded steps.
  for (int width : {401, 433, 517, 400}) parent.resize(width, 300);
  EXPECT_EQ(bar.geometry(), QRect(0, 296, 400, 4));
  EXPECT_EQ(corner.geometry(), QRect(364, 20, 16, 16));
}

}  // namespace
}  // namespace quellsy::ui
