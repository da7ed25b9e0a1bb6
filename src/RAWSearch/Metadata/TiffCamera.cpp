#include "RAWSearch/Metadata/TiffCamera.h"

#include <algorithm>

#include "RAWSearch/Framework/RawFileType.h"

bool IsEmbeddedJpegStart(quellsy::ByteSpan bytes) {
  return bytes.size() >= 4 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF &&
         (bytes[3] == 0xE0 || bytes[3] == 0xE1 || bytes[3] == 0xDB);
}

bool IsZeroFill(quellsy::ByteSpan bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

std::string TiffText(quellsy::ByteSpan value, std::size_t cap) {
  std::string text;
  for (std::size_t i = 0; i < value.size() && i < cap && value[i] != 0; ++i)
    text.push_back(static_cast<char>(value[i]));
  return text;
}

std::string TiffAsciiUpper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::uint32_t TiffTypeByMake(const std::string& make, const std::string& model, bool dng, std::uint32_t current,
                             const TiffMakeRules& rules) {
  if (dng) return RAW_FILE_TYPE_DNG;
  const auto has = [](const std::string& text, const char* part) { return text.find(part) != std::string::npos; };
  if (has(make, "NIKON")) return RAW_FILE_TYPE_NEF;
  if (has(make, "CANON")) return RAW_FILE_TYPE_CR2;
  if (has(make, "SONY")) return has(model, "DSC-R1") ? RAW_FILE_TYPE_SR2 : RAW_FILE_TYPE_ARW;
  if (has(make, "PANASONIC")) {
    if (rules.knowsPanasonicHeader && rules.panasonicHeader)
      return has(model, "DMC-") ? RAW_FILE_TYPE_RW2 : RAW_FILE_TYPE_RAW;
    return RAW_FILE_TYPE_RW2;
  }
  if (has(make, "LEICA")) return rules.knowsPanasonicHeader && rules.panasonicHeader ? RAW_FILE_TYPE_RAW : current;
  if (has(make, "KODAK")) return has(model, "DCS Pro SLR") ? RAW_FILE_TYPE_DCR : RAW_FILE_TYPE_KDC;
  if (has(make, "EPSON")) return RAW_FILE_TYPE_ERF;
  if (has(make, "HASSELBLAD")) return RAW_FILE_TYPE_3FR;
  if (has(make, "MAMIYA")) return RAW_FILE_TYPE_MEF;
  if (has(make, "PENTAX")) return RAW_FILE_TYPE_PEF;
  if (has(make, "SAMSUNG")) return RAW_FILE_TYPE_SRW;
  if (has(make, "OLYMPUS")) return RAW_FILE_TYPE_ORF;
  return rules.otherwise != 0 ? rules.otherwise : current;
}
