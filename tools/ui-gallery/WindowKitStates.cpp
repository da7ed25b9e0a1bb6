// The window kit's windows in their states: the custom window active, inactive and with its buttons pointed
// at, a sheet hung below its bar, the alert, and the pop-over on each side of its point and on the side it
// chooses. Windows that lie over one another are drawn as the screen shows them, on the gallery's stage.

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "Gallery.h"
#include "UI/Kit/Autoresize.h"
#include "UI/Kit/AlertPanel.h"
#include "UI/Kit/Fonts.h"
#include "UI/Kit/MAAttachedWindow.h"
#include "UI/Kit/ModalRunner.h"
#include "UI/Kit/TCImageWindow.h"
#include "UI/Kit/TCWindowButton.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/ViewFrames.h"

namespace quellsy::gallery {
namespace {

using namespace quellsy::ui;

// A window as the results window dresses one: a 50-point bar with its title, a button in the bar and content.
std::unique_ptr<TCImageWindow> DressedWindow() {
  auto window = std::make_unique<TCImageWindow>(QSize(640, 400));
  window->setObjectName(QStringLiteral("galleryWindow"));
  window->setAccessibleName(Text("WINDOW_TOP_TITLE"));
  window->setWindowTitle(Text("WINDOW_TOP_TITLE"));
  window->setTitleBarHeight(50);
  window->setTrafficLightButtonsLeftMargin(13);
  window->setShowsTitle(true);
  auto* back = new QPushButton(Text("COMM_BACK_BUTTON"), window->titleBarView());
  back->setObjectName(QStringLiteral("galleryBackButton"));
  back->setAccessibleName(back->text());
  PlaceView(back, QRectF(540, 12, 84, 26), kMinXMargin);
  auto* text = new QLabel(QStringLiteral("Found files appear here."), window->contentView());
  text->setObjectName(QStringLiteral("galleryContentText"));
  text->setAccessibleName(text->text());
  text->setFont(NamedFont(QStringLiteral("Helvetica Neue Light"), 20));
  text->setAlignment(Qt::AlignCenter);
  PlaceView(text, QRectF(0, 0, 640, 350), kWidthSizable | kHeightSizable);
  window->move(300, 200);
  return window;
}

std::unique_ptr<QWidget> WindowState(bool active, bool pointedAt) {
  auto window = DressedWindow();
  window->show();
  QApplication::setActiveWindow(window.get());
  if (!active) QApplication::setActiveWindow(nullptr);
  if (pointedAt) window->standardWindowButton(WindowButtonKind::kMiniaturize)->mouseEntered();
  auto picture = Composite({window.get()});
  if (pointedAt) window->standardWindowButton(WindowButtonKind::kMiniaturize)->mouseExited();
  return picture;
}

std::unique_ptr<QWidget> SheetState() {
  auto window = DressedWindow();
  window->show();
  auto* alert = AlertPanel::alertWithMessageText(
      QStringLiteral("Stop the scan?"), QStringLiteral("Stop"), QStringLiteral("Continue"), QString(),
      QStringLiteral("The files found so far stay listed; the rest of the device is not searched."));
  alert->beginSheetModalForWindow(window.get(), nullptr);
  QApplication::setActiveWindow(alert);
  auto picture = Composite({window.get(), alert});
  ModalRunner::endRun(alert, AlertPanel::kAlternateReturn);
  return picture;
}

std::unique_ptr<QWidget> AlertState() {
  auto alert = std::make_unique<AlertPanel>(
      QStringLiteral("The chosen folder is on the device being scanned"), QStringLiteral("Choose Another"),
      QStringLiteral("Recover Anyway"), QStringLiteral("Help"),
      QStringLiteral("Writing recovered files to the scanned device may overwrite files that are not recovered "
                     "yet. Choose a folder on another disk if you can."));
  alert->show();
  return Composite({alert.get()});
}

const char* const kSideNames[] = {"left",         "below",         "right",          "above",
                                  "left-upwards", "left-downwards", "right-upwards",  "right-downwards",
                                  "above-leftwards", "above-rightwards", "below-leftwards", "below-rightwards"};

std::unique_ptr<QWidget> PopoverState(int side, QPoint point) {
  auto parent = std::make_unique<TCImageWindow>(QSize(560, 360));
  parent->setObjectName(QStringLiteral("galleryPopoverParent"));
  parent->setAccessibleName(QStringLiteral("parent"));
  parent->move(420, 320);
  auto* marker = new QLabel(parent.get());
  marker->setObjectName(QStringLiteral("galleryPoint"));
  marker->setAccessibleName(QStringLiteral("point"));
  marker->setStyleSheet(QStringLiteral("background:#3582f8;border-radius:4px"));
  marker->setGeometry(QRect(point - QPoint(4, 4), QSize(8, 8)));
  parent->show();
  QApplication::setActiveWindow(parent.get());

  auto* view = new QLabel(QStringLiteral("Not found what you lost? A complete scan searches the whole device."));
  view->setObjectName(QStringLiteral("galleryHint"));
  view->setAccessibleName(view->text());
  view->setWordWrap(true);
  view->setFont(SystemFont(12));
  view->resize(220, 40);
  MAAttachedWindow* popover = MAAttachedWindow::initWithView(view, point, parent.get(), side, 2);
  popover->setViewMargin(8);
  popover->setBorderColor(QColor(0xc4, 0xca, 0xd1));
  popover->setBorderWidth(1);
  popover->setArrowBaseWidth(20);
  popover->setArrowHeight(10);
  popover->show();
  return Composite({parent.get(), popover});
}

}  // namespace

void AddWindowKitStates(Gallery& gallery, ui::ScriptedBackend&) {
  gallery.Add({QStringLiteral("imagewindow-active"),
               QStringLiteral("Custom window, active: white bar with rounded top corners, our window buttons in "
                              "colour, the title and the bar's own button usable"),
               [] { return WindowState(true, false); }});
  gallery.Add({QStringLiteral("imagewindow-inactive"),
               QStringLiteral("The same window while another is active: grey buttons, faded title, the bar's "
                              "button disabled"),
               [] { return WindowState(false, false); }});
  gallery.Add({QStringLiteral("imagewindow-rollover"),
               QStringLiteral("The pointer over one window button: all three show their signs"),
               [] { return WindowState(true, true); }});
  gallery.Add({QStringLiteral("imagewindow-sheet"),
               QStringLiteral("An alert as a sheet, hung centred from the bar's lower edge"), [] { return SheetState(); }});
  gallery.Add({QStringLiteral("alertpanel-three-buttons"),
               QStringLiteral("Alert with the warning picture, message, informative text and buttons answering "
                              "-1 (left), 0 and 1 (right)"),
               [] { return AlertState(); }});
  for (int side = 0; side < 12; ++side) {
    gallery.Add({QStringLiteral("attachedwindow-") + QString::fromLatin1(kSideNames[side]),
                 QStringLiteral("Pop-over on side %1 (%2) of the blue point, 2 points away")
                     .arg(side)
                     .arg(QString::fromLatin1(kSideNames[side])),
                 [side] { return PopoverState(side, QPoint(280, 180)); }});
  }
  gallery.Add({QStringLiteral("attachedwindow-automatic"),
               QStringLiteral("Pop-over left to choose its side, for a point near the window's left edge: below, "
                              "extending rightwards"),
               [] { return PopoverState(kAttachedAutomatic, QPoint(40, 180)); }});
}

}  // namespace quellsy::gallery
