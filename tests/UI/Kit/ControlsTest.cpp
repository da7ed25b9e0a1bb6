// The kit's controls driven as a person would, with QTest on the offscreen platform: the image button's four
// looks and its refusal while not usable, the tile, the tree cell's one report per press, the progress fill,
// the link button's cursor and the icon-and-text cells' geometry and drawing.

#include <QCoreApplication>
#include <QEnterEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include <cmath>

#include "UI/Kit/ImageAndTextCell.h"
#include "UI/Kit/KDHandButton.h"
#include "UI/Kit/KDProgressView.h"
#include "UI/Kit/NamedImages.h"
#include "UI/Kit/NewButton.h"
#include "UI/Kit/RVTCustemButton.h"
#include "UI/Kit/TCImageButton.h"

namespace quellsy::ui {
namespace {

// The palette of "btn_scan" in its four looks (see the images test).
const QRgb kNormal = qRgb(0x35, 0x82, 0xf8);
const QRgb kHover = qRgb(0x5b, 0x9b, 0xfa);
const QRgb kPress = qRgb(0x1f, 0x62, 0xcc);
const QRgb kDisable = qRgb(0xd3, 0xd8, 0xde);

void Enter(QWidget& widget) {
  QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), QPointF(4, 4));
  QCoreApplication::sendEvent(&widget, &enter);
}

void Leave(QWidget& widget) {
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(&widget, &leave);
}

QRgb PixelAt(QWidget& widget, QPoint point) { return widget.grab().toImage().pixel(point); }

class ImageButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    button_.resize(138, 41);
    button_.setImageFromFileNormalName("btn_scan_normal", "btn_scan_press", "btn_scan_hover", "btn_scan_disable");
    button_.show();
  }
  QRgb Look() { return PixelAt(button_, QPoint(69, 30)); }

  TCImageButton button_;
  QSignalSpy clicks_{&button_, &QAbstractButton::clicked};
};

TEST_F(ImageButtonTest, FourLooksAndOneClickPerPress) {
  EXPECT_EQ(Look(), kNormal);
  Enter(button_);
  EXPECT_TRUE(button_.isFocus());
  EXPECT_EQ(Look(), kHover);
  QTest::mousePress(&button_, Qt::LeftButton, {}, QPoint(69, 20));
  EXPECT_EQ(Look(), kPress);  // at once, while held
  EXPECT_EQ(clicks_.count(), 0);
  QTest::mouseRelease(&button_, Qt::LeftButton, {}, QPoint(69, 20));
  EXPECT_EQ(clicks_.count(), 1);
  EXPECT_EQ(Look(), kHover);
  Leave(button_);
  EXPECT_FALSE(button_.isFocus());
  EXPECT_EQ(Look(), kNormal);
  QTest::mouseClick(&button_, Qt::LeftButton, {}, QPoint(10, 10));
  QTest::mouseClick(&button_, Qt::LeftButton, {}, QPoint(120, 30));
  EXPECT_EQ(clicks_.count(), 3);
}

TEST_F(ImageButtonTest, NotUsableShowsItsDisabledLookAndLetsNoClickThrough) {
  button_.setTextWithName(QStringLiteral("Scan"), QRectF(0, 0, 138, 41));
  button_.setButtonEnabled(false);
  EXPECT_TRUE(button_.isEnabled());  // the widget itself stays enabled
  EXPECT_FALSE(button_.isDisabled());
  EXPECT_EQ(PixelAt(button_, QPoint(10, 30)), kDisable);
  QTest::mouseClick(&button_, Qt::LeftButton, {}, QPoint(69, 20));
  QTest::keyClick(&button_, Qt::Key_Space);
  EXPECT_EQ(clicks_.count(), 0);
  EXPECT_FALSE(button_.isDown());
  const QColor grey = button_.textField()->palette().color(QPalette::WindowText);
  EXPECT_NE(grey, QColor(Qt::white));
  // Hovering a disabled widget changes nothing; leaving clears the mark whatever the state.
  button_.setEnabled(false);
  Enter(button_);
  EXPECT_FALSE(button_.isFocus());
  button_.setEnabled(true);
  button_.setButtonEnabled(true);
  EXPECT_EQ(button_.textField()->palette().color(QPalette::WindowText), QColor(Qt::white));
  QTest::mouseClick(&button_, Qt::LeftButton, {}, QPoint(69, 20));
  EXPECT_EQ(clicks_.count(), 1);
}

// The label is drawn in white over the image while usable, in grey while not.
TEST_F(ImageButtonTest, TheLabelIsWhiteOnTheImageAndGreyWhenNotUsable) {
  button_.setTextWithName(QStringLiteral("MMMM"), QRectF(0, 0, 138, 41));
  const auto lightest = [this] {
    const QImage shot = button_.grab().toImage();
    int best = 0;
    for (int y = 10; y < 31; ++y)
      for (int x = 40; x < 100; ++x) best = std::max(best, qGray(shot.pixel(x, y)));
    return best;
  };
  EXPECT_GT(lightest(), 240);
  button_.setButtonEnabled(false);
  EXPECT_LT(lightest(), 220);
}

TEST_F(ImageButtonTest, AKeptSelectedLookLastsUntilClearedOrPressed) {
  button_.setButtonClicked(true);
  EXPECT_EQ(Look(), kPress);
  Enter(button_);
  EXPECT_EQ(Look(), kPress);  // hovering does not change it
  QTest::mouseClick(&button_, Qt::LeftButton, {}, QPoint(69, 20));
  EXPECT_FALSE(button_.isTracking());
  EXPECT_EQ(Look(), kHover);
  button_.setButtonClicked(true);
  button_.setButtonClicked(false);
  EXPECT_EQ(Look(), kHover);
}

TEST_F(ImageButtonTest, LabelSitsTwoPointsHigherAndImagesKeepToTheLabelsFrame) {
  button_.setTextWithName(QStringLiteral("Scan"), QRectF(5, 7, 100, 41));
  EXPECT_EQ(button_.textField()->geometry(), QRect(0, -2, 138, 41));
  EXPECT_EQ(button_.dstRect(), QRectF(0, 0, 96, 41));
  EXPECT_EQ(button_.srcRect(), QRectF(0, 0, 138, 41));
  EXPECT_EQ(button_.textField()->text(), QStringLiteral("Scan"));
  EXPECT_EQ(button_.accessibleName(), QStringLiteral("Scan"));
  EXPECT_NE(PixelAt(button_, QPoint(120, 30)), kNormal) << "right of the shrunk image: nothing drawn";
}

TEST(ImageButton, WithoutANormalImageItIsAPlainButton) {
  TCImageButton button;
  button.resize(120, 30);
  button.setImageFromFileNormalName(QString(), QString(), QString(), QString());
  button.setText(QStringLiteral("Plain"));
  button.show();
  const QImage look = button.grab().toImage();
  int changes = 0;
  for (int x = 1; x < look.width(); ++x) changes += look.pixel(x, 15) != look.pixel(x - 1, 15);
  EXPECT_GT(changes, 4) << "the platform draws a face and a title";
  QSignalSpy clicks(&button, &QAbstractButton::clicked);
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(clicks.count(), 1);
}

TEST(CustomTile, PressesFlipTheSelectionOnlyWhileActive) {
  RVTCustemButton tile;
  tile.resize(400, 72);
  tile.setIconImage(QStringLiteral("radio_button_no"), QStringLiteral("radio_button_yes"));
  tile.setTitleStr(QStringLiteral("Documents"), QStringLiteral("Word processing, spreadsheets"));
  tile.show();
  QSignalSpy clicks(&tile, &QAbstractButton::clicked);
  EXPECT_TRUE(tile.isSelected());
  EXPECT_EQ(tile.titleTextField()->geometry(), QRect(52, 10, 338, 20));
  EXPECT_EQ(tile.nodeTextField()->geometry(), QRect(52, 34, 338, 30));
  EXPECT_EQ(tile.iconImageView()->geometry(), QRect(10, 10, 350, 50));

  QTest::mouseClick(&tile, Qt::LeftButton, {}, QPoint(200, 36));
  EXPECT_FALSE(tile.isSelected());
  EXPECT_EQ(clicks.count(), 1);
  // Released outside: the selection still flips, no action.
  QTest::mousePress(&tile, Qt::LeftButton, {}, QPoint(200, 36));
  QTest::mouseRelease(&tile, Qt::LeftButton, {}, QPoint(500, 200));
  EXPECT_TRUE(tile.isSelected());
  EXPECT_EQ(clicks.count(), 1);

  tile.setButtonEnabled(false);
  QTest::mouseClick(&tile, Qt::LeftButton, {}, QPoint(200, 36));
  EXPECT_TRUE(tile.isSelected());
  EXPECT_EQ(clicks.count(), 1);

  tile.setButtonEnabled(true);
  Enter(tile);
  EXPECT_TRUE(tile.isFocus());
  Leave(tile);
  EXPECT_FALSE(tile.isFocus());
  tile.changeButtonStart(false);
  EXPECT_FALSE(tile.isSelected());
}

TEST(CustomTile, WithoutHoverTrackingItNeverLooksHovered) {
  RVTCustemButton tile;
  tile.resize(400, 72);
  tile.show();
  Enter(tile);
  EXPECT_FALSE(tile.isFocus());
  EXPECT_EQ(PixelAt(tile, QPoint(200, 60)), qRgb(255, 255, 255));
  tile.setHoverBgImage();
  Enter(tile);
  EXPECT_TRUE(tile.isFocus());
  EXPECT_NE(PixelAt(tile, QPoint(200, 60)), qRgb(255, 255, 255));
}

TEST(TreeCell, GeometryOfIconLabelAndCheckBox) {
  struct Case {
    QRectF frame;
    bool icon;
    QRectF iconRect;
    QRectF labelRect;
  };
  const Case cases[] = {
      {QRectF(0, 0, 200, 20), true, QRectF(17, 1, 18, 18), QRectF(35, -1, 800, 22)},
      {QRectF(0, 0, 200, 20), false, QRectF(), QRectF(10, -1, 800, 22)},
      {QRectF(40, 100, 120, 30), true, QRectF(57, 106, 18, 18), QRectF(75, 104, 800, 22)},
      {QRectF(0, 0, 50, 23), true, QRectF(17, 3, 18, 18), QRectF(35, 1, 800, 22)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NewButton::iconImageRectForBounds(c.frame, c.icon), c.iconRect);
    EXPECT_EQ(NewButton::imageRectForBounds(c.frame, true, c.icon), c.labelRect);
    EXPECT_EQ(NewButton::imageRectForBounds(c.frame, false, c.icon), QRectF());
    EXPECT_EQ(NewButton::checkBoxArea(c.frame), QRectF(c.frame.x(), c.frame.y(), 15, 30));
  }
}

class TreeCellTest : public ::testing::Test, public NewButtonDelegate {
 protected:
  void SetUp() override {
    NewButton::SetLatchMilliseconds(3600 * 1000);  // released by the test itself
    NewButton::changeVlaue();
    for (const char* name : {"Documents", "Pictures"}) {
      auto* item = new QStandardItem(QString::fromLatin1(name));
      item->setEditable(false);
      item->setData(Qt::PartiallyChecked, Qt::CheckStateRole);
      item->setData(QVariant::fromValue(NamedImages::Image(QStringLiteral("1IconImage"))), Qt::DecorationRole);
      model_.appendRow(item);
    }
    cell_.setDelegate(this);
    view_.setModel(&model_);
    view_.setItemDelegate(&cell_);
    view_.resize(300, 200);
    view_.show();
  }
  void TearDown() override {
    NewButton::SetLatchMilliseconds(NewButton::kLatchMilliseconds);
    NewButton::changeVlaue();
  }
  void clickButtonAction(NewButton& cell) override { reports_.push_back(cell.label()); }
  QPoint InBox(int row, int dx = 6) {
    const QRect cell = view_.visualRect(model_.index(row, 0));
    return QPoint(cell.x() + dx, cell.y() + cell.height() / 2);
  }

  QStandardItemModel model_;
  NewButton cell_;
  QTreeView view_;
  std::vector<QString> reports_;
};

TEST_F(TreeCellTest, OnePressIsOneReportAndTheLatchHoldsTheNextOff) {
  QTest::mouseClick(view_.viewport(), Qt::LeftButton, {}, InBox(0));
  EXPECT_EQ(reports_, std::vector<QString>{"Documents"});
  EXPECT_TRUE(NewButton::IsLatched());
  // A second press before the latch lets go: not reported; a double click neither.
  QTest::mouseClick(view_.viewport(), Qt::LeftButton, {}, InBox(1));
  QTest::mouseDClick(view_.viewport(), Qt::LeftButton, {}, InBox(1));
  EXPECT_EQ(reports_.size(), 1u);
  NewButton::changeVlaue();
  QTest::mouseClick(view_.viewport(), Qt::LeftButton, {}, InBox(1));
  EXPECT_EQ(reports_, (std::vector<QString>{"Documents", "Pictures"}));
}

TEST_F(TreeCellTest, APressBesideTheBoxIsNoReport) {
  QTest::mouseClick(view_.viewport(), Qt::LeftButton, {}, InBox(0, 15));
  QTest::mouseClick(view_.viewport(), Qt::LeftButton, {}, InBox(0, 60));
  EXPECT_TRUE(reports_.empty());
  EXPECT_FALSE(NewButton::IsLatched());
  EXPECT_EQ(view_.currentIndex().row(), 0) << "the press went to the row instead";
}

TEST_F(TreeCellTest, DrawsTheCheckBoxOfTheRowsState) {
  const QRect cell = view_.visualRect(model_.index(0, 0));
  const QImage shot = view_.viewport()->grab().toImage();
  const QImage half = NamedImages::Image(QStringLiteral("pf_checkbox_half"), QSize(14, 14));
  // The box lies on whole points inside the 15-point click area, centred in the row.
  const int top = cell.y() + (std::min(cell.height(), 30) - 14) / 2;
  for (const QPoint at : {QPoint(7, 7), QPoint(2, 7), QPoint(7, 2)})
    EXPECT_EQ(shot.pixel(cell.x() + at.x(), top + at.y()), half.pixel(at)) << at.x() << "," << at.y();
}

TEST(ProgressFill, WidthsForThePercentages) {
  struct Case {
    float percent;
    float track;
    float width;
  };
  const Case cases[] = {{0, 200, 10},     {99.6f, 200, 200}, {150, 200, 200}, {50, 200, 100},
                        {99.4f, 200, 198.8f}, {0, 8, 10},     {5, 100, 10},   {100, 0, 0}};
  for (const Case& c : cases)
    EXPECT_FLOAT_EQ(KDProgressView::FillWidth(c.percent, c.track), c.width) << c.percent << " of " << c.track;
}

TEST(ProgressFill, AStripAlongTheBottomThatStretchesWithTheTrack) {
  QWidget window;
  window.resize(500, 100);
  window.show();
  KDProgressView track(&window);
  track.setGeometry(0, 0, 200, 10);
  track.show();
  track.changeProgressValue(50);
  EXPECT_EQ(track.pProgress1()->geometry(), QRect(0, 6, 100, 4));
  track.changeProgressValue(0);
  EXPECT_EQ(track.pProgress1()->geometry(), QRect(0, 6, 10, 4));
  track.changeProgressValue(99.6f);
  EXPECT_EQ(track.pProgress1()->geometry(), QRect(0, 6, 200, 4));
  track.changeProgressValue(25);
  track.resize(400, 10);
  EXPECT_EQ(track.pProgress1()->geometry(), QRect(0, 6, 100, 4));
  const QImage shot = track.grab().toImage();
  EXPECT_EQ(shot.pixel(50, 8), qRgb(53, 130, 248));
  EXPECT_EQ(shot.pixel(150, 8), qRgb(194, 198, 204));
  EXPECT_EQ(shot.pixel(50, 2), qRgb(194, 198, 204));
}

TEST(LinkButton, ShowsThePointingHandWhileTheMouseIsOverIt) {
  KDHandButton link(QStringLiteral("www.example.org"));
  link.show();
  Enter(link);
  EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
  Leave(link);
  EXPECT_EQ(link.cursor().shape(), Qt::ArrowCursor);
  QSignalSpy clicks(&link, &QAbstractButton::clicked);
  QTest::mouseClick(&link, Qt::LeftButton);
  EXPECT_EQ(clicks.count(), 1);
}

TEST(IconTextCells, GeometryUsesTheIconsRealSizeAndDrawsItAt18) {
  EXPECT_EQ(ImageAndTextCell::imageFrameForCellFrame(QRectF(10, 20, 100, 24), QSizeF(32, 32)), QRectF(13, 16, 32, 32));
  EXPECT_EQ(ImageAndTextCell::imageFrameForCellFrame(QRectF(10, 20, 100, 24), QSizeF(16, 16)), QRectF(13, 24, 16, 16));
  EXPECT_EQ(ImageAndTextCell::imageFrameForCellFrame(QRectF(10, 20, 100, 24), QSizeF()), QRectF());
  // In a top-left view of row height 18 the icon's top lies one point below the row's.
  EXPECT_EQ(ImageAndTextCell::DrawnIconRect(QRectF(0, 40, 100, 18)), QRectF(3, 41, 18, 18));
  EXPECT_EQ(ImageAndTextCell::DrawnIconRect(QRectF(0, 0, 100, 24)), QRectF(3, 4, 18, 18));
  EXPECT_EQ(ImageAndTextCell::DrawnTextRect(QRectF(0, 0, 100, 18), true), QRectF(21, 0, 79, 18));
  EXPECT_EQ(ImageAndTextCell::DrawnTextRect(QRectF(0, 0, 100, 18), false), QRectF(0, 0, 100, 18));
  EXPECT_EQ(ImageAndTextCell::EditTextRect(QRectF(0, 0, 100, 18), 32), QRectF(35, 0, 65, 18));
  EXPECT_EQ(DetailTextAndImageCell::titleRectForBounds(QRectF(21, 10, 79, 24), 14), QRectF(21, 14.5, 79, 14));
}

TEST(IconTextCells, SizeAndDrawingInARealTable) {
  QImage red(32, 32, QImage::Format_ARGB32);
  red.fill(Qt::red);
  QStandardItemModel model(2, 1);
  model.setData(model.index(0, 0), QStringLiteral("System disk"));
  model.setData(model.index(0, 0), red, Qt::DecorationRole);
  model.setData(model.index(1, 0), QStringLiteral("System disk"));
  QTableView table;
  table.setModel(&model);
  ImageAndTextCell cell;
  table.setItemDelegate(&cell);
  table.verticalHeader()->setDefaultSectionSize(18);
  table.setColumnWidth(0, 200);
  table.show();

  QStyleOptionViewItem option;
  option.initFrom(&table);
  const int withIcon = cell.sizeHint(option, model.index(0, 0)).width();
  const int without = cell.sizeHint(option, model.index(1, 0)).width();
  EXPECT_EQ(withIcon - without, 32);  // icon width + 3 against + 3 alone

  const QRect row = table.visualRect(model.index(0, 0));
  const QImage shot = table.viewport()->grab().toImage();
  EXPECT_EQ(shot.pixel(row.x() + 3 + 9, row.y() + 1 + 9), qRgb(255, 0, 0));  // inside the 18 x 18 icon
  EXPECT_NE(shot.pixel(row.x() + 3 + 18 + 4, row.y() + 1 + 9), qRgb(255, 0, 0));  // the icon stops at 18

  QLineEdit editor(table.viewport());
  QStyleOptionViewItem place;
  place.rect = row;
  cell.updateEditorGeometry(&editor, place, model.index(0, 0));
  EXPECT_EQ(editor.geometry().x(), row.x() + 3 + 32);
}

}  // namespace
}  // namespace quellsy::ui
