#pragma once
// The named faces the windows ask for, mapped to fonts Debian installs: the light faces to Open Sans Light
// (fonts-open-sans), the plain and bold ones to Nimbus Sans (fonts-urw-base35, Helvetica's metrics), with
// DejaVu Sans behind both. Sizes are in points of the window's own geometry, that is, in pixels.

#include <QFont>
#include <QString>

namespace quellsy::ui {

// An unknown face gives the application's default family at that size.
QFont NamedFont(const QString& face, qreal size);
// The system font of the windows at a size (the "system font of size 13" of a label).
QFont SystemFont(qreal size);
QFont BoldSystemFont(qreal size);

}  // namespace quellsy::ui
