#pragma once
// The application's images by the names the windows use ("pause_hover", "checkbox_yes", "pf_checkbox_half",
// "3IconImage", ...): our own SVG drawings in the program's resources (images/<name>.svg), drawn at their own
// size or any other. A button's four looks come from one drawing where only "<stem>.svg" exists: "<stem>_normal"
// is the drawing itself, "_hover" lighter, "_press" darker, "_disable" greyed, by recolouring its palette. A
// name that has no drawing gives a null image, so callers fall back to their plain look; such names are noted
// for the gallery's check. Safe from any thread (the grid's and the cover flow's loaders draw too).

#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStringList>

namespace quellsy::ui {

class NamedImages {
 public:
  NamedImages() = delete;

  static bool Exists(const QString& name);
  // The drawing's own size in points; empty for a missing name.
  static QSize NaturalSize(const QString& name);
  // Drawn at size (its own when empty) times the device pixel ratio, which the image carries.
  static QImage Image(const QString& name, QSize size = QSize(), qreal devicePixelRatio = 1.0);
  // For the GUI thread: the same as a pixmap, at the primary screen's pixel ratio.
  static QPixmap Pixmap(const QString& name, QSize size = QSize());

  // Names asked for that had no drawing, in the order first asked; and forgetting them (tests, the gallery).
  static QStringList MissingNames();
  static void ClearMissingNames();
  // Every drawing's name, with the four looks of each drawing that has them.
  static QStringList AllNames();
};

}  // namespace quellsy::ui
