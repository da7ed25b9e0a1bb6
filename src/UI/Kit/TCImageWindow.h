#pragma once
// The window of every window of the application: a frameless top-level window with our own title bar of
// adjustable height (a white bar with rounded top corners, JBTitlebarView, inside a container along the top
// edge, JBTitlebarContainer), our own close, minimise and zoom buttons laid out in it by the rules of
// TitlebarLayout, the content view shrunk to end where the bar begins, the bar's own controls enabled only while
// the window is active, sheets hung from the bar's lower edge (ModalRunner), edges that resize the window and
// a full-screen state that can collapse the bar.
//
// A controller makes one, sizes it, sets the bar's height, margins and title, puts its own controls into
// titleBarView() and its content into contentView() (frames through PlaceView, origin at the bottom left):
//
//   auto* window = new TCImageWindow;
//   window->resize(600, 400);
//   window->setTitleBarHeight(40);
//   window->setTrafficLightButtonsLeftMargin(13);
//   PlaceView(new QLabel(Text("WINDOW_TOP_TITLE"), window->titleBarView()), {20, 5, 300, 25});
//
// Frames below are in the window with the origin at its bottom left, as the layout rules give them.

#include <QColor>
#include <QPainterPath>
#include <QPointF>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

namespace quellsy::ui {

class JBTitlebarContainer;
class TCWindowButton;
class WindowResizeGrip;

enum class WindowButtonKind { kClose = 0, kMiniaturize = 1, kZoom = 2, kFullScreen = 7 };

// A shadow under the title's letters; the offset is in Qt's coordinates (y grows downwards).
struct TitleTextShadow {
  QColor color;
  QPointF offset;
};

// Draws the whole bar in place of the white background: the painter, whether the window is active, the bar's
// bounds and the rounded outline of the bar. The title is still drawn afterwards when it is shown.
using TitleBarDrawingBlock =
    std::function<void(QPainter& painter, bool active, const QRectF& bounds, const QPainterPath& clip)>;

class TCImageWindow : public QWidget {
  Q_OBJECT

 public:
  // A window of size (the whole window, bar included); parent makes it that window's sheet or dependant.
  explicit TCImageWindow(QSize windowSize = QSize(600, 400), QWidget* parent = nullptr);
  ~TCImageWindow() override;

  // The one test of "active" everything in the bar uses: the window, or a sheet or pop-over of it, is the active
  // window of the active application.
  bool isActive() const;

  double titleBarHeight() const { return titleBarHeight_; }
  // A different height is also kept as the one to return to after full screen; the bar, the buttons and the
  // content are laid out again. An equal height changes nothing, not even a pending topButtonMoveUp.
  void setTitleBarHeight(double height);
  double cachedTitleBarHeight() const { return cachedTitleBarHeight_; }
  void setCachedTitleBarHeight(double height) { cachedTitleBarHeight_ = height; }

  // The bar's view, its container and the content are laid out for the window's current size whenever they
  // are asked for, so a window sized before it is shown is filled at its final size.
  QWidget* titleBarView() const {
    SyncToSize();
    return titleBarView_;
  }
  // Puts view (not null, not the current one) into the container in place of the current view, which is
  // deleted; it fills the container and follows its size.
  void setTitleBarView(QWidget* view);
  JBTitlebarContainer* titleBarContainer() const {
    SyncToSize();
    return titleBarContainer_;
  }
  QWidget* contentView() const {
    SyncToSize();
    return contentView_;
  }
  // The window takes view, deletes the previous content and gives view the whole window less the bar.
  void setContentView(QWidget* view);

  bool showsBaselineSeparator() const { return showsBaselineSeparator_; }
  void setShowsBaselineSeparator(bool shows);
  bool showsTitle() const { return showsTitle_; }
  void setShowsTitle(bool shows);
  bool showsTitleInFullscreen() const { return showsTitleInFullscreen_; }
  void setShowsTitleInFullscreen(bool shows) { showsTitleInFullscreen_ = shows; }
  bool hideTitleBarInFullScreen() const { return hideTitleBarInFullScreen_; }
  void setHideTitleBarInFullScreen(bool hide) { hideTitleBarInFullScreen_ = hide; }

  bool centerTrafficLightButtons() const { return centerTrafficLightButtons_; }
  void setCenterTrafficLightButtons(bool center);
  bool verticalTrafficLightButtons() const { return verticalTrafficLightButtons_; }
  void setVerticalTrafficLightButtons(bool vertical);
  bool centerFullScreenButton() const { return centerFullScreenButton_; }
  void setCenterFullScreenButton(bool center);
  double trafficLightButtonsLeftMargin() const { return trafficLightButtonsLeftMargin_; }
  void setTrafficLightButtonsLeftMargin(double margin);
  double trafficLightButtonsTopMargin() const { return trafficLightButtonsTopMargin_; }
  void setTrafficLightButtonsTopMargin(double margin) { trafficLightButtonsTopMargin_ = margin; }
  double trafficLightSeparation() const { return trafficLightSeparation_; }
  void setTrafficLightSeparation(double separation);
  // Added to the y of the three buttons in a row; takes effect at the next layout.
  double topButtonMoveUp() const { return topButtonMoveUp_; }
  void setTopButtonMoveUp(double offset) { topButtonMoveUp_ = offset; }
  // The full-screen button's gap to the bar's right edge: measured at the first layout that finds the button,
  // unless set before.
  double fullScreenButtonRightMargin() const { return fullScreenButtonRightMargin_; }
  void setFullScreenButtonRightMargin(double margin);
  bool hasFullScreenButtonRightMargin() const { return hasFullScreenButtonRightMargin_; }

  // The window's own buttons (no full-screen button of its own); and the caller's buttons that take their
  // places: the window owns them, wires them to close, minimise, zoom or full screen and hides its own.
  TCWindowButton* standardWindowButton(WindowButtonKind kind) const;
  TCWindowButton* closeButton() const { return CallerButton(WindowButtonKind::kClose); }
  TCWindowButton* minimizeButton() const { return CallerButton(WindowButtonKind::kMiniaturize); }
  TCWindowButton* zoomButton() const { return CallerButton(WindowButtonKind::kZoom); }
  TCWindowButton* fullScreenButton() const { return CallerButton(WindowButtonKind::kFullScreen); }
  void setCloseButton(TCWindowButton* button) { SetCallerButton(WindowButtonKind::kClose, button); }
  void setMinimizeButton(TCWindowButton* button) { SetCallerButton(WindowButtonKind::kMiniaturize, button); }
  void setZoomButton(TCWindowButton* button) { SetCallerButton(WindowButtonKind::kZoom, button); }
  void setFullScreenButton(TCWindowButton* button) { SetCallerButton(WindowButtonKind::kFullScreen, button); }

  // The title's colours and shadows in the active and inactive state; invalid or none: the defaults.
  QColor titleTextColor() const { return titleTextColor_; }
  void setTitleTextColor(const QColor& color) { titleTextColor_ = color; }
  QColor inactiveTitleTextColor() const { return inactiveTitleTextColor_; }
  void setInactiveTitleTextColor(const QColor& color) { inactiveTitleTextColor_ = color; }
  std::optional<TitleTextShadow> titleTextShadow() const { return titleTextShadow_; }
  void setTitleTextShadow(std::optional<TitleTextShadow> shadow) { titleTextShadow_ = shadow; }
  std::optional<TitleTextShadow> inactiveTitleTextShadow() const { return inactiveTitleTextShadow_; }
  void setInactiveTitleTextShadow(std::optional<TitleTextShadow> shadow) { inactiveTitleTextShadow_ = shadow; }
  const TitleBarDrawingBlock& titleBarDrawingBlock() const { return titleBarDrawingBlock_; }
  void setTitleBarDrawingBlock(TitleBarDrawingBlock block) { titleBarDrawingBlock_ = std::move(block); }

  // Where a sheet attaches: proposed (a frame in this window) with its y at the bar's lower edge.
  QRectF willPositionSheet(const QRectF& proposed) const;
  // The global top-left of a sheet of size: centred across the window, its top at the bar's lower edge.
  QPoint sheetTopLeft(QSize size) const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void changeEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void SyncToSize() const;
  void ApplySize();
  void CreateStandardButtons();
  void CreateResizeGrips();
  TCWindowButton* CallerButton(WindowButtonKind kind) const;
  void SetCallerButton(WindowButtonKind kind, TCWindowButton* button);
  void TriggerButton(WindowButtonKind kind);
  TCWindowButton* ButtonToLayout(WindowButtonKind kind);
  void layoutTrafficLightsAndContent();
  void repositionContentView();
  void updateTitlebarView();
  void setupTrafficLightsTrackingArea();
  void FullScreenChanged(bool entering);
  void PlaceFrame(QWidget* widget, const QRectF& frame);
  QRectF FrameOf(const QWidget* widget) const;

  double titleBarHeight_;
  double cachedTitleBarHeight_;
  QWidget* titleBarView_ = nullptr;
  JBTitlebarContainer* titleBarContainer_ = nullptr;
  QWidget* contentView_ = nullptr;
  QSize laidOutSize_;
  bool showsBaselineSeparator_ = true;
  bool showsTitle_ = false;
  bool showsTitleInFullscreen_ = false;
  bool hideTitleBarInFullScreen_ = false;
  bool centerTrafficLightButtons_ = true;
  bool verticalTrafficLightButtons_ = false;
  bool centerFullScreenButton_ = false;
  double trafficLightButtonsLeftMargin_;
  double trafficLightButtonsTopMargin_ = 3.0;
  double trafficLightSeparation_;
  double topButtonMoveUp_ = 0;
  double fullScreenButtonRightMargin_ = 0;
  bool hasFullScreenButtonRightMargin_ = false;
  bool fullScreen_ = false;
  std::array<TCWindowButton*, 3> standardButtons_{};
  std::array<QPointer<TCWindowButton>, 4> callerButtons_{};
  std::array<WindowResizeGrip*, 8> grips_{};
  QColor titleTextColor_;
  QColor inactiveTitleTextColor_;
  std::optional<TitleTextShadow> titleTextShadow_;
  std::optional<TitleTextShadow> inactiveTitleTextShadow_;
  TitleBarDrawingBlock titleBarDrawingBlock_;
};

}  // namespace quellsy::ui
