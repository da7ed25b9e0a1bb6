#pragma once
// The look the main window's pages share: a white page, labels in the pages' ink and muted colours, and the
// title bar's small image buttons.

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

class QLabel;
class QWidget;

namespace quellsy::ui {

class TCImageButton;

inline const QColor kPageInk(0x2b, 0x34, 0x40);
inline const QColor kPageMuted(0x5f, 0x6b, 0x7a);

// Fills the widget's background with white.
void PaintWhite(QWidget* widget);
// A label with its object and accessible names, font and text colour.
QLabel* MakePageLabel(const QString& text, const QString& name, const QFont& font, const QColor& colour,
                      QWidget* parent);
// A 16-point title-bar button at frame: image stem drawn normally and when unusable, stem_hover when pressed or
// under the pointer; the tool tip is also its accessible name.
TCImageButton* MakeTitleBarButton(const QString& name, const QString& tip, const QString& stem, const QRectF& frame,
                                  QWidget* titleBar);

}  // namespace quellsy::ui
