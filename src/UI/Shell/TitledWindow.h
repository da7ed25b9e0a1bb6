#pragma once
// The small modal windows of the shell (update check, about): a custom window whose bar holds the program's
// title as a plain label (the text of "WINDOW_TOP_TITLE" in "Helvetica Neue Light"), fading in when shown and out
// when asked to close; and the named labels, pictures and text buttons they are filled with, placed by frames
// with the origin at the parent's bottom left.

#include <QFont>
#include <QRectF>
#include <QSize>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

namespace quellsy::ui {

class TCImageWindow;
class WindowFade;

struct TitledWindow {
  TCImageWindow* window = nullptr;  // top-level; the caller owns it
  QLabel* titleLabel = nullptr;     // in the bar
  WindowFade* fade = nullptr;       // the window's
};

// A window of size with a bar titleBarHeight high, the title label at titleFrame in the bar (bottom-left origin)
// in a fontSize font; objectName names the window ("<objectName>TitleLabel" its label).
TitledWindow MakeTitledWindow(const QString& objectName, QSize size, double titleBarHeight, const QRectF& titleFrame,
                              double fontSize);

// A word-wrapping label; its accessible name is its text, or its object name while it has none.
QLabel* MakeTextLabel(QWidget* parent, const QString& name, const QString& text, const QFont& font,
                      Qt::Alignment alignment, const QRectF& frame);
// A text button in style (ButtonStyles.h).
QPushButton* MakeTextButton(QWidget* parent, const QString& name, const QString& title, const char* style,
                            const QRectF& frame);
// A named picture drawn at the frame's size.
QLabel* MakeImageLabel(QWidget* parent, const QString& name, const QString& image, const QRectF& frame);

}  // namespace quellsy::ui
