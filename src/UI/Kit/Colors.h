#pragma once
// Colours as the windows give them: device RGB components as fractions of 255, and the conversion the title
// bar's drawing uses to hand a colour to the painter as plain RGB.

#include <QColor>

namespace quellsy::ui {

inline QColor DeviceRgb(int red, int green, int blue, qreal alpha = 1.0) {
  return QColor::fromRgbF(static_cast<float>(red / 255.0), static_cast<float>(green / 255.0),
                          static_cast<float>(blue / 255.0), static_cast<float>(alpha));
}

// The colour's red, green, blue and alpha as an RGB colour; transparent for a colour that is not valid.
inline QColor JB_CGColorCreate(const QColor& color) { return color.isValid() ? color.toRgb() : QColor(Qt::transparent); }

}  // namespace quellsy::ui
