#include "RAWSearch/Metadata/Id3Text.h"

#include <chardet.h>
#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace Id3Text {

namespace {

constexpr std::uint8_t kLatin = 0;
constexpr std::uint8_t kUtf16 = 1;
constexpr std::uint8_t kUtf8 = 3;

struct DetectObjFree {
  void operator()(DetectObj* object) const { detect_obj_free(&object); }
};

}  // namespace

std::optional<std::uint32_t> SynchsafeInteger(quellsy::ByteSpan bytes) {
  if (bytes.size() < 4) return std::nullopt;
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    if (bytes[i] >= 0x80) return std::nullopt;
    value = (value << 7) | bytes[i];
  }
  return value;
}

std::string UntilZero(quellsy::ByteSpan text) {
  const auto end = std::find(text.begin(), text.end(), std::uint8_t{0});
  return std::string(text.begin(), end);
}

std::string GuessCharset(quellsy::ByteSpan text) {
  // The detector reads a zero-terminated string.
  const std::string terminated = UntilZero(text);
  if (terminated.empty()) return {};
  std::unique_ptr<DetectObj, DetectObjFree> object(detect_obj_init());
  if (!object) return {};
  DetectObj* raw = object.get();
  if (detect(terminated.c_str(), &raw) != CHARDET_SUCCESS) return {};
  if (!raw->encoding || raw->confidence <= 0.0f) return {};
  return raw->encoding;
}

std::optional<std::string> ToUtf8(quellsy::ByteSpan text, const std::string& charset) {
  if (charset.empty()) return std::nullopt;
  const iconv_t converter = iconv_open("UTF-8", charset.c_str());
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string input(text.begin(), text.end());
  // Four output bytes per input byte cover every set iconv converts from.
  std::string output(input.size() * 4 + 4, '\0');
  char* in = input.data();
  std::size_t inLeft = input.size();
  char* out = output.data();
  std::size_t outLeft = output.size();
  const std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
  iconv_close(converter);
  if (result == static_cast<std::size_t>(-1)) return std::nullopt;
  output.resize(output.size() - outLeft);
  return output;
}

std::optional<Id3v1Names> ReadId3v1(quellsy::ByteSpan tag) {
  constexpr std::size_t kTagSize = 128;
  constexpr std::size_t kTextSize = 30;
  if (tag.size() < kTagSize) return std::nullopt;
  const quellsy::ByteSpan title = tag.subspan(3, kTextSize);
  const quellsy::ByteSpan artist = tag.subspan(33, kTextSize);
  const std::string charset = GuessCharset(title);
  if (charset.empty()) return std::nullopt;
  const auto convert = [&charset](quellsy::ByteSpan field) {
    const std::string text = UntilZero(field);
    return ToUtf8({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}, charset).value_or(std::string{});
  };
  return Id3v1Names{convert(title), convert(artist)};
}

std::string DecodeTextFrame(quellsy::ByteSpan frame, bool detect, std::string& keptCharset) {
  if (frame.empty()) return {};
  const quellsy::ByteSpan body = frame.subspan(1);
  switch (frame[0]) {
    case kUtf8:
      return UntilZero(body.first(std::min(body.size(), kTextLimit)));
    case kUtf16: {
      if (frame.size() < 4 || frame[1] != 0xFF || frame[2] != 0xFE) return {};
      quellsy::ByteSpan units = frame.subspan(3);
      units = units.first(std::min(units.size(), kTextLimit) & ~std::size_t{1});
      // The text ends at the first zero code unit.
      std::size_t length = 0;
      while (length + 1 < units.size() && (units[length] || units[length + 1])) length += 2;
      return ToUtf8(units.first(length), "UTF-16LE").value_or(std::string{});
    }
    case kLatin: {
      const quellsy::ByteSpan text = body.first(std::min(body.size(), kLatinTextLimit));
      if (detect) keptCharset = GuessCharset(text);
      const std::string from = keptCharset.empty() ? GuessCharset(text) : keptCharset;
      const std::string raw = UntilZero(text);
      if (std::optional<std::string> converted = ToUtf8(quellsy::ByteSpan(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size()), from))
        return *converted;
      std::string patched = raw;
      std::replace_if(patched.begin(), patched.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }, '_');
      return patched;
    }
    default:
      return {};
  }
}

}  // namespace Id3Text
