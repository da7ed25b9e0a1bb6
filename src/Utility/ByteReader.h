#pragma once
// Bounds-checked reads and writes of little- and big-endian fields in a byte span.
// Every on-disk field goes through these; a field outside the span is an error, never a read past it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace quellsy {

using ByteSpan = std::span<const std::uint8_t>;
using MutableByteSpan = std::span<std::uint8_t>;

namespace detail {
template <typename T>
constexpr bool fits(std::size_t size, std::size_t offset) {
  return offset <= size && size - offset >= sizeof(T);
}

template <typename T>
constexpr T loadLittle(const std::uint8_t* p) {
  T value = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) value |= static_cast<T>(static_cast<T>(p[i]) << (8 * i));
  return value;
}

template <typename T>
constexpr T loadBig(const std::uint8_t* p) {
  T value = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) value = static_cast<T>((value << 8) | p[i]);
  return value;
}

template <typename T>
constexpr void storeLittle(std::uint8_t* p, T value) {
  for (std::size_t i = 0; i < sizeof(T); ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

template <typename T>
constexpr void storeBig(std::uint8_t* p, T value) {
  for (std::size_t i = 0; i < sizeof(T); ++i) p[sizeof(T) - 1 - i] = static_cast<std::uint8_t>(value >> (8 * i));
}
}  // namespace detail

constexpr std::optional<std::uint8_t> u8(ByteSpan s, std::size_t off) {
  if (!detail::fits<std::uint8_t>(s.size(), off)) return std::nullopt;
  return s[off];
}

#define QUELLSY_FIELD_READER(name, type, loader)                          \
  constexpr std::optional<type> name(ByteSpan s, std::size_t off) {       \
    if (!detail::fits<type>(s.size(), off)) return std::nullopt;          \
    return detail::loader<type>(s.data() + off);                          \
  }
QUELLSY_FIELD_READER(le16, std::uint16_t, loadLittle)
QUELLSY_FIELD_READER(le32, std::uint32_t, loadLittle)
QUELLSY_FIELD_READER(le64, std::uint64_t, loadLittle)
QUELLSY_FIELD_READER(be16, std::uint16_t, loadBig)
QUELLSY_FIELD_READER(be32, std::uint32_t, loadBig)
QUELLSY_FIELD_READER(be64, std::uint64_t, loadBig)
#undef QUELLSY_FIELD_READER

// Reads many fields of one structure and remembers whether any lay outside the span:
// a field out of range reads as 0 and clears ok(), so a parser checks once at the end.
class FieldReader {
 public:
  explicit constexpr FieldReader(ByteSpan bytes) : bytes_(bytes) {}

  constexpr std::uint8_t u8(std::size_t off) { return take(quellsy::u8(bytes_, off)); }
  constexpr std::uint16_t le16(std::size_t off) { return take(quellsy::le16(bytes_, off)); }
  constexpr std::uint32_t le32(std::size_t off) { return take(quellsy::le32(bytes_, off)); }
  constexpr std::uint64_t le64(std::size_t off) { return take(quellsy::le64(bytes_, off)); }
  constexpr std::uint16_t be16(std::size_t off) { return take(quellsy::be16(bytes_, off)); }
  constexpr std::uint32_t be32(std::size_t off) { return take(quellsy::be32(bytes_, off)); }
  constexpr std::uint64_t be64(std::size_t off) { return take(quellsy::be64(bytes_, off)); }

  // The sub-span [off, off + len), or an empty span (and ok() false) when it does not fit.
  constexpr ByteSpan bytes(std::size_t off, std::size_t len) {
    if (off > bytes_.size() || bytes_.size() - off < len) {
      ok_ = false;
      return {};
    }
    return bytes_.subspan(off, len);
  }

  constexpr bool ok() const { return ok_; }
  constexpr std::size_t size() const { return bytes_.size(); }

 private:
  template <typename T>
  constexpr T take(std::optional<T> value) {
    if (!value) ok_ = false;
    return value.value_or(T{0});
  }

  ByteSpan bytes_;
  bool ok_ = true;
};

// Writes fields of a stored record at fixed offsets; a field outside the span is not written and clears ok().
class FieldWriter {
 public:
  explicit constexpr FieldWriter(MutableByteSpan bytes) : bytes_(bytes) {}

  constexpr void u8(std::size_t off, std::uint8_t v) { put(off, v, false); }
  constexpr void le16(std::size_t off, std::uint16_t v) { put(off, v, false); }
  constexpr void le32(std::size_t off, std::uint32_t v) { put(off, v, false); }
  constexpr void le64(std::size_t off, std::uint64_t v) { put(off, v, false); }
  constexpr void be16(std::size_t off, std::uint16_t v) { put(off, v, true); }
  constexpr void be32(std::size_t off, std::uint32_t v) { put(off, v, true); }
  constexpr void be64(std::size_t off, std::uint64_t v) { put(off, v, true); }

  constexpr bool ok() const { return ok_; }

 private:
  template <typename T>
  constexpr void put(std::size_t off, T value, bool bigEndian) {
    if (!detail::fits<T>(bytes_.size(), off)) {
      ok_ = false;
      return;
    }
    if (bigEndian)
      detail::storeBig(bytes_.data() + off, value);
    else
      detail::storeLittle(bytes_.data() + off, value);
  }

  MutableByteSpan bytes_;
  bool ok_ = true;
};

}  // namespace quellsy
