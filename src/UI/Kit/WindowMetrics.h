#pragma once
// The three standard measures every custom window starts from, shared by the whole process: the height of a
// plain title bar, the x of the first window button and the gap between neighbouring window buttons. A frameless
// window has no system title bar to measure them from, so they are fixed here; the windows change their own
// copies through TCImageWindow's setters.

namespace quellsy::ui {

// Height of the standard title bar, and the least a custom window's bar is given.
inline constexpr double kStandardTitleBarHeight = 22.0;
// x of the close button in a window that sets no margin of its own.
inline constexpr double kStandardTrafficLightLeftMargin = 7.0;
// Horizontal gap between the close, minimise and zoom buttons.
inline constexpr double kStandardTrafficLightSeparation = 6.0;
// Side of the window buttons the window makes for itself.
inline constexpr int kStandardWindowButtonSize = 14;
// The tallest bar the windows use.
inline constexpr double kTallestTitleBarHeight = 50.0;

}  // namespace quellsy::ui
