// Formats whose structure states where the file ends (RIFF length, GIF trailer, MIDI track chunks, the
// closing "%%EOF" of a PDF), made by the real tools and placed among random bytes with a zero tail in
// their last sector: a complete scan through the registry copies each out as exactly the tool's file.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CompleteScanSupport.h"
#include "Formats/FormatSamples.h"
#include "Formats/MediaSamples.h"
#include "RawResultTestSupport.h"
#include "support/ImageBuilder.h"
#include "support/RecordingTreeSink.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace quellsy::test {
namespace {

using formats::Bytes;
using formats::Made;

constexpr unsigned kSector = formats::kSector;
constexpr long long kGapSectors = 24;

struct ToolFile {
  std::string name;
  std::function<Bytes()> make;
};

using ExactEndCompleteScan = RawResultTest;

TEST_F(ExactEndCompleteScan, ToolFilesAmongRandomBytesAreCopiedOutByteExact) {
  const std::string gifs = "tests/RAWSearch/Formats/make-gif-samples.sh";
  const std::string midis = "tests/RAWSearch/Formats/make-midi-samples.sh";
  const std::string pdfs = "tests/RAWSearch/Formats/make-document-samples.sh";
  const std::vector<ToolFile> tools = {
      {"tone.wav", formats::MadeMedia("tone.wav")},
      {"tone.avi", formats::MadeMedia("tone.avi")},
      {"still.gif", Made(gifs, "still.gif")},
      {"animated.gif", Made(gifs, "animated.gif")},
      {"song.mid", Made(midis, "song.mid")},
      {"single.mid", Made(midis, "single.mid")},
      // Over 20 KiB (grown sector by sector), under it (measured from the device), and with an
      // incremental update whose second "%%EOF" closes the file.
      {"report.pdf", Made(pdfs, "report.pdf")},
      {"small.pdf", Made(pdfs, "small.pdf")},
      {"updated.pdf", Made(pdfs, "updated.pdf")},
  };

  struct Placed {
    std::string name;
    Bytes bytes;
    long long sector;
  };
  std::vector<Placed> placed;
  long long next = 40;
  for (const ToolFile& tool : tools) {
    Bytes bytes = tool.make();
    ASSERT_FALSE(bytes.empty()) << tool.name << ": the making tool (installed by the set-up) wrote nothing";
    ASSERT_NE(bytes.size() % kSector, 0u) << tool.name << " fills its last sector: no zero tail to test";
    const auto sectors = static_cast<long long>(formats::WholeSectors(bytes.size()) / kSector);
    placed.push_back({tool.name, std::move(bytes), next});
    next += sectors + kGapSectors;
  }

  ImageBuilder image(next + kGapSectors, kSector, ImageFill::kJunk, 29);
  for (const Placed& p : placed) image.Place(p.name, p.sector, p.bytes);
  auto device = image.MakeDevice();

  RecordingTreeSink sink;
  const SignatureScan scan = ScanForSignatureFiles(*device, sink);
  ASSERT_EQ(scan.result, 0u);
  const auto& found = scan.found;
  const auto& recovery = scan.recovery;
  ASSERT_NE(recovery, nullptr);

  TempDir dir;
  for (const Placed& p : placed) {
    SCOPED_TRACE(p.name);
    const auto node = found.find(p.sector);
    ASSERT_NE(node, found.end()) << "nothing found at sector " << p.sector;
    EXPECT_EQ(static_cast<std::uint64_t>(node->second->GetFileSize()), p.bytes.size());
    const auto out = dir / ("recovered-" + p.name);
    ASSERT_FALSE(quellsy::IsFailure(recovery->RecoverNodeTo(node->second, out.c_str(), nullptr, 0)));
    EXPECT_EQ(Sha256Hex(ReadFile(out)), Sha256Hex(p.bytes)) << "not copied out byte exact";
  }
}

}  // namespace
}  // namespace quellsy::test
