#include "RAWSearch/Formats/Archive/FilePKGAnalyser.h"

#include <tinyxml.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kXarMagic = "xar!"sv;
constexpr std::string_view kPkgMagic = "\x7FPKG"sv;
constexpr std::size_t kXarHeaderBytes = 28;
constexpr std::size_t kPkgHeaderBytes = 32;
// Bounds the walk over the table of contents, however many entries it lists.
constexpr int kMaxElements = 1 << 20;
// The parser and the walk recurse once per level; real tables of contents nest a few levels per folder.
constexpr int kMaxDepth = 256;

// False when the elements of `text` nest deeper than kMaxDepth (counted from the tags alone).
bool NestingWithinBound(std::string_view text) {
  int depth = 0;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '<') {
      const char next = text[i + 1];
      if (next == '/') {
        --depth;
      } else if (next != '?' && next != '!' && ++depth > kMaxDepth) {
        return false;
      }
    } else if (text[i] == '/' && text[i + 1] == '>') {
      --depth;
    }
  }
  return true;
}

std::uint64_t Number(const TiXmlElement* element) {
  const char* text = element ? element->GetText() : nullptr;
  return text ? std::strtoull(text, nullptr, 10) : 0;
}

// The end of the heap: the furthest offset plus stored length of any data that the table of contents
// places there (file data, extended attributes, the table's own checksum), whatever the entries' order.
void HeapEnd(const TiXmlElement* element, std::uint64_t& end, int& budget) {
  for (const TiXmlElement* child = element->FirstChildElement(); child && budget > 0;
       child = child->NextSiblingElement()) {
    --budget;
    const TiXmlElement* offset = child->FirstChildElement("offset");
    const TiXmlElement* length = child->FirstChildElement("length");
    if (!length && std::string_view(child->Value()) == "checksum") length = child->FirstChildElement("size");
    if (offset && length) {
      const std::uint64_t at = Number(offset);
      const std::uint64_t bytes = Number(length);
      if (at <= FilePKGAnalyser::kSizeCap && bytes <= FilePKGAnalyser::kSizeCap) end = std::max(end, at + bytes);
    }
    HeapEnd(child, end, budget);
  }
}

// `count` bytes from `offset`, window by window; empty when a read fails first.
std::vector<std::uint8_t> Gather(PlainFileWindow& window, std::uint64_t offset, std::size_t count) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(count);
  while (bytes.size() < count) {
    const quellsy::ByteSpan held = window.At(offset + bytes.size());
    if (held.empty()) return {};
    const std::size_t take = std::min(held.size(), count - bytes.size());
    bytes.insert(bytes.end(), held.begin(), held.begin() + static_cast<std::ptrdiff_t>(take));
  }
  return bytes;
}

}  // namespace

int FilePKGAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 0, kXarMagic) && !HasText(sector, 0, kPkgMagic)) return 0;
  return Claim(hit, 0);
}

bool FilePKGAnalyser::PkgSignFileSize(quellsy::ByteSpan header, std::uint64_t& size) {
  if (!HasText(header, 0, kPkgMagic) || (!HasText(header, 6, "\0\x01"sv) && !HasText(header, 6, "\0\x02"sv)))
    return false;
  const auto length = quellsy::be64(header, 24);
  if (!length || *length == 0 || *length > kSizeCap) return false;
  size = *length;
  return true;
}

int FilePKGAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  const quellsy::ByteSpan header = window.Bytes(0, kPkgHeaderBytes);
  if (header.empty()) return 0;
  std::uint64_t size = 0;
  if (PkgSignFileSize(header, size)) {
    hit.m_ullSize = size;
    return 1;
  }
  if (!HasText(header, 0, kXarMagic)) return 0;
  quellsy::FieldReader fields(header);
  // The table of contents follows the header, whose own length it states (28 bytes in the first version).
  const std::uint64_t headerBytes = std::max<std::uint64_t>(fields.be16(4), kXarHeaderBytes);
  const std::uint64_t packed = fields.be64(8);
  const std::uint64_t unpacked = fields.be64(16);
  if (packed == 0 || packed > kTocCap || unpacked > kTocCap || packed > unpacked) return 0;

  const std::vector<std::uint8_t> toc = Gather(window, headerBytes, static_cast<std::size_t>(packed));
  if (toc.empty()) return 0;
  std::string text(static_cast<std::size_t>(unpacked), '\0');
  uLongf textBytes = static_cast<uLongf>(unpacked);
  if (uncompress(reinterpret_cast<Bytef*>(text.data()), &textBytes, toc.data(), static_cast<uLong>(toc.size())) != Z_OK)
    return 0;
  text.resize(textBytes);

  if (!NestingWithinBound(text)) return 0;
  TiXmlDocument document;
  document.Parse(text.c_str());
  if (document.Error()) return 0;
  const TiXmlElement* archive = document.FirstChildElement();
  const TiXmlElement* contents = archive ? archive->FirstChildElement() : nullptr;
  if (!contents) return 0;
  std::uint64_t heapEnd = 0;
  int budget = kMaxElements;
  HeapEnd(contents, heapEnd, budget);
  const std::uint64_t heapStart = headerBytes + packed;
  hit.m_ullSize = heapStart + heapEnd <= kSizeCap ? heapStart + heapEnd : heapStart;
  return 1;
}
