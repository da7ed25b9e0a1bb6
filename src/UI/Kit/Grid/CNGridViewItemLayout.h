#pragma once
// The grid's colours and a tile's look settings: background, selection ring, insets and the title's text
// attributes. The results window keeps a default, a hover and a selection layout; a tile takes its selection
// ring's colour and width from its current layout.

#include <QColor>
#include <QFont>
#include <cstdint>

namespace quellsy::ui {

// The grid's palette.
struct CNGridViewPalette {
  static QColor itemBackgroundColor() { return QColor::fromRgbF(0, 0, 0, 0.05f); }
  static QColor itemBackgroundHoverColor() { return QColor::fromRgbF(0, 0, 0, 0.3f); }
  static QColor itemBackgroundSelectionColor() { return QColor::fromRgbF(0, 0, 0, 0.25f); }
  static QColor itemSelectionRingColor() { return QColor::fromRgbF(0.346f, 0.531f, 0.792f, 1.0f); }
  static QColor itemTitleColor() { return QColor::fromRgbF(0.196f, 0.2f, 0.2f, 1.0f); }
  static QColor itemTitleShadowColor() { return QColor::fromRgbF(1, 1, 1, 0.8f); }
  static QColor selectionFrameColor() { return QColor(128, 128, 128); }
};

struct CNGridViewItemLayout {
  static constexpr double kDefaultSelectionRingLineWidth = 3.0;
  static constexpr std::uint64_t kDefaultContentInset = 3;
  static constexpr std::uint64_t kDefaultItemBorderRadius = 5;

  static CNGridViewItemLayout defaultLayout() { return {}; }

  QColor backgroundColor = CNGridViewPalette::itemBackgroundColor();
  QColor selectionRingColor = CNGridViewPalette::itemSelectionRingColor();
  double selectionRingLineWidth = kDefaultSelectionRingLineWidth;
  std::uint64_t contentInset = kDefaultContentInset;
  std::uint64_t itemBorderRadius = kDefaultItemBorderRadius;
  QColor titleColor = CNGridViewPalette::itemTitleColor();
  QColor titleShadowColor = CNGridViewPalette::itemTitleShadowColor();
  std::int32_t visibleContentMask = 3;
};

}  // namespace quellsy::ui
