#pragma once
// Comparing a decoded picture with ffmpeg's own reading of the same file (its rgb24 output), the oracle of the
// thumbnail tests.

#include <QImage>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace quellsy::test {

// The largest difference of any colour component; 255 when the sizes do not agree.
inline int LargestDifferenceFromFfmpeg(const QImage& image, const std::vector<std::uint8_t>& rgb) {
  const QImage converted = image.convertToFormat(QImage::Format_RGB888);
  if (static_cast<std::size_t>(converted.width()) * converted.height() * 3 != rgb.size()) return 255;
  int largest = 0;
  for (int y = 0; y < converted.height(); ++y) {
    const uchar* line = converted.constScanLine(y);
    for (int x = 0; x < converted.width() * 3; ++x) {
      const std::size_t at = static_cast<std::size_t>(y) * converted.width() * 3 + static_cast<std::size_t>(x);
      largest = std::max(largest, std::abs(int(line[x]) - int(rgb[at])));
    }
  }
  return largest;
}

}  // namespace quellsy::test
