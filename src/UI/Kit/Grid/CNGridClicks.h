#pragma once
// The grid's click classifier: the tile indexes under up to three clicks buffered in quick succession become
// single and double clicks. Two clicks on one tile are a double click; three on one tile are one double click;
// a pair on one tile followed or preceded by a click elsewhere is a double click and a single click.

#include <cstdint>
#include <vector>

namespace quellsy::ui {

struct CNGridClick {
  std::int64_t index = 0;
  bool doubleClick = false;
  bool operator==(const CNGridClick&) const = default;
};

// In the order they happened. More than three buffered clicks are classified three at a time.
std::vector<CNGridClick> ClassifyGridClicks(const std::vector<std::int64_t>& indexes);

}  // namespace quellsy::ui
