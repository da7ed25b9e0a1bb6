#include "RAWSearch/Formats/Document/FileMboxAnalyser.h"

#include <algorithm>
#include <string_view>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Framework/OffsetFetch.h"
#include "RAWSearch/Framework/PlainFileWindow.h"
#include "RAWSearch/Framework/TextEndWalk.h"

int FileMboxAnalyser::Test(quellsy::ByteSpan sector, CRawFileInfo& hit) {
  if (!HasText(sector, 0, "From ")) return 0;
  return Claim(hit, 0);
}

// A mailbox is text: it ends behind the empty line that closes its last message, before its text gives way
// (TextEndWalk).
int FileMboxAnalyser::Measure(CRawFileInfo& hit, PlainFileWindow& window) {
  static constexpr std::string_view kMessageEnd[] = {"\n\n"};
  TextEndWalk walk(kMessageEnd, TextEndWalk::Encoding::kBytes);
  WalkThroughWindow(window, walk, kSizeCap);
  hit.m_ullSize = walk.GetState() == TextEndWalk::State::kDone ? walk.End() : std::min(walk.Next(), kSizeCap);
  return 1;
}
