#include "support/hfsplus/LzvnTestEncoder.h"

#include <algorithm>
#include <unordered_map>

namespace quellsy::test {

namespace {

class Encoder {
 public:
  explicit Encoder(ByteSpan data) : data_(data) {}

  std::vector<std::uint8_t> Run() {
    std::unordered_map<std::uint32_t, std::size_t> last;
    std::size_t literalStart = 0;
    std::size_t i = 0;
    while (i + 3 <= data_.size()) {
      const std::uint32_t key = data_[i] | (data_[i + 1] << 8) | (static_cast<std::uint32_t>(data_[i + 2]) << 16);
      const auto found = last.find(key);
      last[key] = i;
      std::size_t length = 0;
      const std::size_t distance = found != last.end() ? i - found->second : 0;
      if (distance > 0 && distance < 0x10000) {
        while (i + length < data_.size() && data_[i + length] == data_[i + length - distance]) ++length;
      }
      if (length < 3) {
        ++i;
        continue;
      }
      Match(literalStart, i, distance, length);
      i += length;
      literalStart = i;
    }
    Literals(literalStart, data_.size());
    out_.push_back(0x06);
    out_.insert(out_.end(), 7, 0);
    return out_;
  }

 private:
  void Literals(std::size_t from, std::size_t to) {
    while (from < to) {
      const std::size_t n = std::min<std::size_t>(to - from, 271);
      if (n < 16) {
        out_.push_back(static_cast<std::uint8_t>(0xE0 | n));
      } else {
        out_.push_back(0xE0);
        out_.push_back(static_cast<std::uint8_t>(n - 16));
      }
      Copy(from, n);
      from += n;
    }
  }

  void Copy(std::size_t from, std::size_t n) {
    out_.insert(out_.end(), data_.begin() + static_cast<std::ptrdiff_t>(from),
                data_.begin() + static_cast<std::ptrdiff_t>(from + n));
  }

  // Matches at the previous distance only: 1111MMMM or 11110000 MMMMMMMM.
  void PreviousMatches(std::size_t length) {
    while (length > 0) {
      const std::size_t n = std::min<std::size_t>(length, 271);
      if (n < 16) {
        out_.push_back(static_cast<std::uint8_t>(0xF0 | n));
      } else {
        out_.push_back(0xF0);
        out_.push_back(static_cast<std::uint8_t>(n - 16));
      }
      length -= n;
    }
  }

  void Match(std::size_t literalStart, std::size_t at, std::size_t distance, std::size_t length) {
    std::size_t literals = at - literalStart;
    if (literals > 3) {
      Literals(literalStart, at);
      literalStart = at;
      literals = 0;
    }
    const auto L = static_cast<std::uint8_t>(literals << 6);
    if (distance == previous_ && literals == 0) {
      PreviousMatches(length);
      return;
    }
    std::size_t first = 0;
    if (length > 10 && distance < 0x4000) {
      first = std::min<std::size_t>(length, 34);
      const std::size_t m = first - 3;
      out_.push_back(static_cast<std::uint8_t>(0xA0 | (literals << 3) | (m >> 2)));
      out_.push_back(static_cast<std::uint8_t>(((distance & 0x3F) << 2) | (m & 3)));
      out_.push_back(static_cast<std::uint8_t>(distance >> 6));
    } else {
      // LLMMMDDD: 0x70-0x7F and 0xD0-0xDF are not opcodes, so L 1 stops at M 8 and L 3 at M 4.
      std::size_t limit = 10;
      if (literals == 1) limit = 8;
      if (literals == 3) limit = 4;
      first = std::min(length, limit);
      const auto M = static_cast<std::uint8_t>((first - 3) << 3);
      if (distance == previous_) {
        out_.push_back(L | M | 6);
      } else if (distance < 0x600) {
        out_.push_back(static_cast<std::uint8_t>(L | M | (distance >> 8)));
        out_.push_back(static_cast<std::uint8_t>(distance));
      } else {
        out_.push_back(L | M | 7);
        out_.push_back(static_cast<std::uint8_t>(distance));
        out_.push_back(static_cast<std::uint8_t>(distance >> 8));
      }
    }
    Copy(literalStart, literals);
    previous_ = distance;
    PreviousMatches(length - first);
  }

  ByteSpan data_;
  std::vector<std::uint8_t> out_;
  std::size_t previous_ = 0;
};

}  // namespace

std::vector<std::uint8_t> LzvnEncode(ByteSpan data) { return Encoder(data).Run(); }

}  // namespace quellsy::test
