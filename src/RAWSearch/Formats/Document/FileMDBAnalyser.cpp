#include "RAWSearch/Formats/Document/FileMDBAnalyser.h"

#include <optional>
#include <string_view>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/PlainFileWindow.h"

namespace {

using namespace std::string_view_literals;
constexpr std::string_view kJetHeader = "\x00\x01\x00\x00Standard Jet DB\x00"sv;
constexpr std::string_view kAceHeader = "\x00\x01\x00\x00Standard ACE DB\x00"sv;
constexpr std::uint64_t kPageBytes = 4096;
// Page types of a database file stay below this in their first two bytes.
constexpr std::uint16_t kPageTypeLimit = 0x902;

}  // namespace

int FileMDBAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (HasText(sector, 0, kJetHeader)) return Claim(hit, RAW_FILE_TYPE_MDB, 0);
  if (HasText(sector, 0, kAceHeader)) return Claim(hit, RAW_FILE_TYPE_ACCDB, 0);
  return 0;
}

int FileMDBAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  std::uint64_t p = kPageBytes;
  for (; p < kSizeCap; p += kPageBytes) {
    const std::optional<std::uint16_t> pageType = window.Le16(p);
    if (!pageType || (*pageType & 0xFF) == 0 || *pageType >= kPageTypeLimit) break;
  }
  hit.m_ullSize = p;
  return 1;
}
