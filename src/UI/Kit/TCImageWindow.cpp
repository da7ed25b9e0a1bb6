#include "UI/Kit/TCImageWindow.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <QResizeEvent>
#include <QWindow>

#include "UI/Kit/Autoresize.h"
#include "UI/Kit/JBTitlebarContainer.h"
#include "UI/Kit/JBTitlebarView.h"
#include "UI/Kit/TCWindowButton.h"
#include "UI/Kit/Texts.h"
#include "UI/Kit/TitlebarLayout.h"
#include "UI/Kit/ViewFrames.h"
#include "UI/Kit/WindowMetrics.h"
#include "UI/Kit/WindowResizeGrip.h"

namespace quellsy::ui {
namespace {

struct StandardButton {
  WindowButtonKind kind;
  const char* objectName;
  const char* textKey;
  const char* drawing;
};
constexpr std::array<StandardButton, 3> kStandardButtons{{
    {WindowButtonKind::kClose, "windowCloseButton", "WINDOW_CLOSE_BUTTON", "window_close"},
    {WindowButtonKind::kMiniaturize, "windowMinimizeButton", "WINDOW_MINIMIZE_BUTTON", "window_minimize"},
    {WindowButtonKind::kZoom, "windowZoomButton", "WINDOW_ZOOM_BUTTON", "window_zoom"},
}};

int SlotOf(WindowButtonKind kind) { return kind == WindowButtonKind::kFullScreen ? 3 : static_cast<int>(kind); }

// The bar's controls that follow the window's active state: what a person operates, not labels or pictures.
bool IsControl(const QWidget* widget) {
  return qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QLineEdit*>(widget) ||
         qobject_cast<const QComboBox*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget) ||
         qobject_cast<const QAbstractSlider*>(widget);
}

}  // namespace

TCImageWindow::TCImageWindow(QSize windowSize, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      titleBarHeight_(kStandardTitleBarHeight),
      cachedTitleBarHeight_(kStandardTitleBarHeight),
      trafficLightButtonsLeftMargin_(kStandardTrafficLightLeftMargin),
      trafficLightSeparation_(kStandardTrafficLightSeparation) {
  setObjectName(QStringLiteral("imageWindow"));
  // The bar's rounded corners show what lies behind the window.
  setAttribute(Qt::WA_TranslucentBackground);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, Qt::white);
  setPalette(palette);
  resize(windowSize);

  contentView_ = new QWidget(this);
  contentView_->setObjectName(QStringLiteral("contentView"));
  contentView_->setAccessibleName(QStringLiteral("content"));
  contentView_->setAutoFillBackground(true);
  contentView_->setGeometry(rect());

  titleBarContainer_ = new JBTitlebarContainer(this);
  titleBarContainer_->lower();
  setTitleBarView(new JBTitlebarView(titleBarContainer_));
  CreateStandardButtons();
  CreateResizeGrips();

  // Activation anywhere (another window, a sheet, another application) may change this window's state.
  connect(qApp, &QGuiApplication::focusWindowChanged, this, [this] { updateTitlebarView(); });
  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this] { updateTitlebarView(); });

  laidOutSize_ = size();
  layoutTrafficLightsAndContent();
  setupTrafficLightsTrackingArea();
}

TCImageWindow::~TCImageWindow() = default;

void TCImageWindow::CreateStandardButtons() {
  // One group per window: pointing at one window's buttons lights up those three only.
  const QString group = QStringLiteral("org.quellsy.window-buttons.%1").arg(reinterpret_cast<quintptr>(this), 0, 16);
  for (const StandardButton& standard : kStandardButtons) {
    auto* button = new TCWindowButton(QSize(kStandardWindowButtonSize, kStandardWindowButtonSize), group, this);
    button->setObjectName(QString::fromLatin1(standard.objectName));
    button->setAccessibleName(Text(standard.textKey));
    const QString drawing = QString::fromLatin1(standard.drawing);
    button->setImagesFromNames(drawing, QStringLiteral("window_button_notkey"), QStringLiteral("window_button_disabled"),
                               drawing + QStringLiteral("_rollover"), drawing + QStringLiteral("_rollover_press"));
    const WindowButtonKind kind = standard.kind;
    connect(button, &QAbstractButton::clicked, this, [this, kind] { TriggerButton(kind); });
    standardButtons_[static_cast<std::size_t>(SlotOf(kind))] = button;
  }
}

void TCImageWindow::CreateResizeGrips() {
  const std::array<Qt::Edges, 8> edges{Qt::LeftEdge,
                                       Qt::RightEdge,
                                       Qt::TopEdge,
                                       Qt::BottomEdge,
                                       Qt::TopEdge | Qt::LeftEdge,
                                       Qt::TopEdge | Qt::RightEdge,
                                       Qt::BottomEdge | Qt::LeftEdge,
                                       Qt::BottomEdge | Qt::RightEdge};
  for (std::size_t i = 0; i < edges.size(); ++i) grips_[i] = new WindowResizeGrip(edges[i], this);
}

bool TCImageWindow::isActive() const {
  // A sheet or pop-over of this window being active keeps this window active too.
  for (const QWidget* active = QApplication::activeWindow(); active;) {
    if (active == this) return true;
    const QWidget* parent = active->parentWidget();
    active = parent ? parent->window() : nullptr;
  }
  return false;
}

void TCImageWindow::setTitleBarHeight(double height) {
  if (height == titleBarHeight_) return;
  cachedTitleBarHeight_ = height;
  titleBarHeight_ = height;
  layoutTrafficLightsAndContent();
  titleBarView_->update();
}

void TCImageWindow::setTitleBarView(QWidget* view) {
  if (!view || view == titleBarView_) return;
  delete titleBarView_;
  titleBarView_ = view;
  view->setParent(titleBarContainer_);
  PlaceView(view, QRectF(QPointF(0, 0), QSizeF(titleBarContainer_->size())), kWidthSizable | kHeightSizable);
  view->show();
}

void TCImageWindow::setContentView(QWidget* view) {
  if (!view || view == contentView_) return;
  delete contentView_;
  contentView_ = view;
  view->setParent(this);
  view->setGeometry(rect());
  view->show();
  view->stackUnder(titleBarContainer_);
  repositionContentView();
  layoutTrafficLightsAndContent();
}

void TCImageWindow::setShowsBaselineSeparator(bool shows) {
  if (shows == showsBaselineSeparator_) return;
  showsBaselineSeparator_ = shows;
  titleBarView_->update();
}

void TCImageWindow::setShowsTitle(bool shows) {
  if (shows == showsTitle_) return;
  showsTitle_ = shows;
  titleBarView_->update();
}

void TCImageWindow::setCenterTrafficLightButtons(bool center) {
  if (center == centerTrafficLightButtons_) return;
  centerTrafficLightButtons_ = center;
  layoutTrafficLightsAndContent();
  setupTrafficLightsTrackingArea();
}

void TCImageWindow::setVerticalTrafficLightButtons(bool vertical) {
  if (vertical == verticalTrafficLightButtons_) return;
  verticalTrafficLightButtons_ = vertical;
  layoutTrafficLightsAndContent();
  setupTrafficLightsTrackingArea();
}

void TCImageWindow::setCenterFullScreenButton(bool center) {
  if (center == centerFullScreenButton_) return;
  centerFullScreenButton_ = center;
  layoutTrafficLightsAndContent();
}

void TCImageWindow::setTrafficLightButtonsLeftMargin(double margin) {
  if (margin == trafficLightButtonsLeftMargin_) return;
  trafficLightButtonsLeftMargin_ = margin;
  layoutTrafficLightsAndContent();
  titleBarView_->update();
  setupTrafficLightsTrackingArea();
}

void TCImageWindow::setTrafficLightSeparation(double separation) {
  if (separation == trafficLightSeparation_) return;
  trafficLightSeparation_ = separation;
  layoutTrafficLightsAndContent();
  setupTrafficLightsTrackingArea();
}

void TCImageWindow::setFullScreenButtonRightMargin(double margin) {
  if (margin == fullScreenButtonRightMargin_) return;
  hasFullScreenButtonRightMargin_ = true;
  fullScreenButtonRightMargin_ = margin;
  layoutTrafficLightsAndContent();
  titleBarView_->update();
}

TCWindowButton* TCImageWindow::standardWindowButton(WindowButtonKind kind) const {
  const int slot = SlotOf(kind);
  return slot < 3 ? standardButtons_[static_cast<std::size_t>(slot)] : nullptr;
}

TCWindowButton* TCImageWindow::CallerButton(WindowButtonKind kind) const {
  return callerButtons_[static_cast<std::size_t>(SlotOf(kind))];
}

void TCImageWindow::SetCallerButton(WindowButtonKind kind, TCWindowButton* button) {
  QPointer<TCWindowButton>& held = callerButtons_[static_cast<std::size_t>(SlotOf(kind))];
  if (button == held) return;
  delete held.data();
  held = button;
  if (!button) {
    layoutTrafficLightsAndContent();
    return;
  }
  button->setParent(this);
  // It starts where the window's own button of its kind is; a kind the window has none of keeps its place.
  if (const TCWindowButton* standard = standardWindowButton(kind)) button->move(standard->pos());
  connect(button, &QAbstractButton::clicked, this, [this, kind] { TriggerButton(kind); });
  button->show();
  layoutTrafficLightsAndContent();
}

void TCImageWindow::TriggerButton(WindowButtonKind kind) {
  switch (kind) {
    case WindowButtonKind::kClose:
      close();
      break;
    case WindowButtonKind::kMiniaturize:
      showMinimized();
      break;
    case WindowButtonKind::kZoom:
      isMaximized() ? showNormal() : showMaximized();
      break;
    case WindowButtonKind::kFullScreen:
      isFullScreen() ? showNormal() : showFullScreen();
      break;
  }
}

TCWindowButton* TCImageWindow::ButtonToLayout(WindowButtonKind kind) {
  TCWindowButton* standard = standardWindowButton(kind);
  TCWindowButton* caller = callerButtons_[static_cast<std::size_t>(SlotOf(kind))];
  if (caller) {
    if (standard) standard->hide();
    return caller;
  }
  if (standard && !fullScreen_) standard->show();
  return standard;
}

void TCImageWindow::PlaceFrame(QWidget* widget, const QRectF& frame) {
  widget->setGeometry(PixelRect(FrameToTopLeft(frame, height())));
}

QRectF TCImageWindow::FrameOf(const QWidget* widget) const {
  return TopLeftToFrame(QRectF(widget->geometry()), height());
}

void TCImageWindow::layoutTrafficLightsAndContent() {
  const QRectF bounds(0, 0, width(), height());
  const QRectF container = TitleBarContainerFrame(bounds, titleBarHeight_);
  PlaceFrame(titleBarContainer_, container);
  // The view fills the container; set here too, as a hidden window's views get no resize events.
  titleBarView_->setGeometry(titleBarContainer_->rect());

  std::array<TCWindowButton*, 3> buttons{ButtonToLayout(WindowButtonKind::kClose),
                                         ButtonToLayout(WindowButtonKind::kMiniaturize),
                                         ButtonToLayout(WindowButtonKind::kZoom)};
  const std::array<QRectF, 3> current{FrameOf(buttons[0]), FrameOf(buttons[1]), FrameOf(buttons[2])};
  TrafficLightRules rules;
  rules.leftMargin = trafficLightButtonsLeftMargin_;
  rules.topMargin = trafficLightButtonsTopMargin_;
  rules.separation = trafficLightSeparation_;
  rules.moveUp = topButtonMoveUp_;
  rules.centered = centerTrafficLightButtons_;
  rules.vertical = verticalTrafficLightButtons_;
  const std::array<QRectF, 3> frames = TrafficLightFrames(container, current, rules);
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    PlaceFrame(buttons[i], frames[i]);
    buttons[i]->raise();
  }

  if (TCWindowButton* fullScreen = ButtonToLayout(WindowButtonKind::kFullScreen)) {
    const QRectF frame = FrameOf(fullScreen);
    // The first layout that finds the button measures its margin; an equal margin leaves it unmeasured.
    if (!hasFullScreenButtonRightMargin_) setFullScreenButtonRightMargin(container.width() - frame.right());
    PlaceFrame(fullScreen, FullScreenButtonFrame(container, frame, fullScreenButtonRightMargin_,
                                                 centerFullScreenButton_, trafficLightButtonsTopMargin_));
    fullScreen->raise();
  }
  repositionContentView();
  for (WindowResizeGrip* grip : grips_)
    if (grip) grip->Place();
}

void TCImageWindow::repositionContentView() {
  const QRectF bounds(0, 0, width(), height());
  const QRectF current = FrameOf(contentView_);
  const QRectF frame = ContentFrameBelowTitleBar(bounds, current, titleBarHeight_);
  if (frame == current) return;
  PlaceFrame(contentView_, frame);
  contentView_->update();
}

void TCImageWindow::updateTitlebarView() {
  const bool active = isActive();
  titleBarView_->update();
  for (QObject* child : titleBarView_->children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (widget && IsControl(widget)) widget->setEnabled(active);
  }
}

void TCImageWindow::setupTrafficLightsTrackingArea() {
  for (TCWindowButton* button : findChildren<TCWindowButton*>(QString(), Qt::FindDirectChildrenOnly))
    button->viewDidEndLiveResize();
}

QRectF TCImageWindow::willPositionSheet(const QRectF& proposed) const {
  return SheetFrameUnderTitleBar(proposed, height(), titleBarHeight_);
}

QPoint TCImageWindow::sheetTopLeft(QSize size) const {
  const QRectF attach = willPositionSheet(QRectF(0, 0, width(), 0));
  const double top = height() - attach.y();  // the attaching line, counted from the window's top
  return mapToGlobal(QPoint(static_cast<int>(std::lround((width() - size.width()) / 2.0)),
                            static_cast<int>(std::lround(top))));
}

void TCImageWindow::SyncToSize() const {
  // A hidden window gets its resize events only when shown; its parts are asked for before that.
  if (size() != laidOutSize_) const_cast<TCImageWindow*>(this)->ApplySize();
}

void TCImageWindow::ApplySize() {
  if (size() != laidOutSize_) {
    // The content view follows the window as a view sizable in width and height does, then ends at the bar.
    const QRectF content = AutoresizedFrame(TopLeftToFrame(QRectF(contentView_->geometry()), laidOutSize_.height()),
                                            QSizeF(laidOutSize_), QSizeF(size()), kWidthSizable | kHeightSizable);
    PlaceFrame(contentView_, content);
    laidOutSize_ = size();
  }
  layoutTrafficLightsAndContent();
}

void TCImageWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ApplySize();
}

void TCImageWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  layoutTrafficLightsAndContent();
}

void TCImageWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  switch (event->type()) {
    case QEvent::ActivationChange:
      updateTitlebarView();
      layoutTrafficLightsAndContent();
      if (isActiveWindow()) setupTrafficLightsTrackingArea();
      break;
    case QEvent::WindowTitleChange:
      layoutTrafficLightsAndContent();
      titleBarView_->update();
      break;
    case QEvent::WindowStateChange:
      if (isFullScreen() != fullScreen_) FullScreenChanged(isFullScreen());
      layoutTrafficLightsAndContent();
      break;
    default:
      break;
  }
}

void TCImageWindow::FullScreenChanged(bool entering) {
  fullScreen_ = entering;
  if (!entering) setupTrafficLightsTrackingArea();
  if (!hideTitleBarInFullScreen_) {
    titleBarView_->update();
    return;
  }
  titleBarHeight_ = entering ? 0 : cachedTitleBarHeight_;
  layoutTrafficLightsAndContent();
  titleBarView_->update();
  titleBarView_->setVisible(!entering);
}

void TCImageWindow::paintEvent(QPaintEvent*) {
  // Below the bar the window is its background colour; the bar paints itself, rounded corners and all.
  QPainter painter(this);
  painter.fillRect(QRectF(0, titleBarHeight_, width(), height() - titleBarHeight_), palette().color(QPalette::Window));
}

}  // namespace quellsy::ui
