#include "UI/Kit/Grid/CNGridGeometry.h"

#include <algorithm>
#include <cmath>

namespace quellsy::ui {
namespace {

constexpr float kCell = static_cast<float>(kCNGridCellSize);

}  // namespace

std::int64_t CNGridGeometry::columnsInGridView() const {
  const auto columns = static_cast<std::int64_t>(std::floor(static_cast<float>(clipped_.width()) / kCell));
  return std::max<std::int64_t>(columns, 1);
}

std::int64_t CNGridGeometry::visibleRowsInGridView() const {
  return static_cast<std::int64_t>(std::ceil(static_cast<float>(clipped_.height()) / kCell));
}

std::int64_t CNGridGeometry::allOverRowsInGridView() const {
  const std::int64_t columns = columnsInGridView();
  return (numberOfItems_ + columns - 1) / columns;
}

double CNGridGeometry::contentInset() const {
  if (!center_) return 0.0;
  const float free = static_cast<float>(clipped_.width()) - static_cast<float>(columnsInGridView()) * kCell;
  return std::max(0.0f, std::floor(free / 2.0f));
}

double CNGridGeometry::contentHeight() const {
  return static_cast<double>(allOverRowsInGridView()) * kCNGridCellSize + 2.0 * contentInset();
}

QRectF CNGridGeometry::rectForItemAtIndex(std::int64_t index) const {
  const std::int64_t columns = columnsInGridView();
  const std::int64_t column = index % columns;
  const std::int64_t row = (index - column) / columns;
  const double inset = contentInset();
  return QRectF(static_cast<double>(column) * kCNGridCellSize + inset,
                static_cast<double>(row) * kCNGridCellSize + inset, kCNGridCellSize, kCNGridCellSize);
}

CNItemRange CNGridGeometry::visibleItemRange() const {
  const std::int64_t columns = columnsInGridView();
  std::int64_t start = 0;
  const float originY = static_cast<float>(clipped_.y());
  if (originY > kCell) start = static_cast<std::int64_t>(std::ceil(originY / kCell)) * columns - columns;
  start = std::min(start, numberOfItems_);
  std::int64_t length = std::min(numberOfItems_, columns * visibleRowsInGridView() + columns);
  if (start + length > numberOfItems_) length = numberOfItems_ - start;
  return {start, std::max<std::int64_t>(length, 0)};
}

std::int64_t CNGridGeometry::indexForItemAtLocation(QPointF point) const {
  const std::int64_t columns = columnsInGridView();
  const double inset = contentInset();
  if (point.x() > static_cast<double>(columns) * kCNGridCellSize + inset) return kCNNotFound;
  if (point.x() < inset || point.y() < inset) return kCNNotFound;
  const auto row = static_cast<std::int64_t>(std::floor((point.y() - inset) / kCNGridCellSize));
  const auto column = static_cast<std::int64_t>(std::floor((point.x() - inset) / kCNGridCellSize));
  const std::int64_t index = row * columns + std::min(column, columns - 1);
  return index < numberOfItems_ ? index : kCNNotFound;
}

std::int64_t CNGridGeometry::boundIndexForItemAtLocation(QPointF point) const {
  const std::int64_t columns = columnsInGridView();
  const double x = std::clamp(point.x(), 0.0, static_cast<double>(columns) * kCNGridCellSize - 1.0);
  const double y = std::max(point.y(), 0.0);
  return static_cast<std::int64_t>(std::floor(y / kCNGridCellSize)) * columns +
         static_cast<std::int64_t>(std::floor(x / kCNGridCellSize));
}

CNItemPoint CNGridGeometry::locationForItemAtIndex(std::int64_t index) const {
  const std::int64_t columns = columnsInGridView();
  const std::int64_t row = index / columns + 1;
  return {static_cast<std::uint64_t>(index - (row - 1) * columns + 1), static_cast<std::uint64_t>(row)};
}

}  // namespace quellsy::ui
