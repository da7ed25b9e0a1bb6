#include "FormatSamples.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include "RAWSearch/Framework/CRawFileInfo.h"
#include "Utility/ByteReader.h"
#include "support/FixtureScript.h"
#include "support/PublicFixture.h"
#include "support/Sha256.h"
#include "support/TempDir.h"

namespace quellsy::test::formats {

Carved Carve(CPlainRawFileAnalyser& analyser, MemoryDevice& device, long long sector) {
  Carved out;
  CRawFileInfo hit;
  out.claimed = analyser.AnalyseBuffer(device.bytes().data() + sector * kSector, hit);
  if (!out.claimed) return out;
  hit.m_llStartSector = sector;
  if (hit.m_ullSize == 0) out.measured = analyser.GetRawFileSize(hit, &device);
  out.type = hit.m_uRawFileType;
  out.size = hit.m_ullSize;
  out.name = hit.GetRawFileName();
  return out;
}

ImageBuilder ImageAround(const Bytes& file, const std::string& path, std::uint64_t minBytes) {
  const long long fileSectors =
      static_cast<long long>((std::max<std::uint64_t>(file.size(), minBytes) + kSector - 1) / kSector);
  ImageBuilder image(kPlacedAt + fileSectors + 6, kSector, ImageFill::kJunk, 11);
  image.Fill(kPlacedAt - 1, 1, ImageFill::kZero);
  image.Fill(kPlacedAt, fileSectors + 2, ImageFill::kZero);
  image.Place(path, kPlacedAt, file);
  return image;
}

std::uint64_t WholeSectors(std::uint64_t size) { return (size + kSector - 1) / kSector * kSector; }

void ExpectCopiedOut(const ImageBuilder& image, const std::string& path, std::uint64_t size) {
  const auto placed = image.Placed(path);
  const std::size_t begin = static_cast<std::size_t>(kPlacedAt) * kSector;
  ASSERT_LE(begin + size, image.bytes().size());
  const std::span<const std::uint8_t> carved(image.bytes().data() + begin, static_cast<std::size_t>(size));
  if (size >= placed.size()) {
    EXPECT_EQ(quellsy::test::Sha256Hex(carved.first(placed.size())), image.manifest().front().sha256);
    EXPECT_TRUE(std::all_of(carved.begin() + static_cast<std::ptrdiff_t>(placed.size()), carved.end(),
                            [](std::uint8_t b) { return b == 0; }))
        << "carved beyond the file's slack";
  } else {
    EXPECT_TRUE(std::equal(carved.begin(), carved.end(), placed.begin()));
  }
}

std::uint64_t ExpectedSize(Expect expect, std::uint64_t fileSize, std::uint64_t stated) {
  switch (expect) {
    case Expect::kExact:
      return fileSize;
    case Expect::kWholeSectors:
      return WholeSectors(fileSize);
    case Expect::kStated:
      break;
  }
  return stated;
}

Carved MeasurePlaced(CPlainRawFileAnalyser& analyser, const Bytes& file, long long sectors,
                     const std::function<void(MemoryDevice&)>& tweak) {
  MemoryDevice device(sectors, kSector);
  device.Put(kSector, file);
  if (tweak) tweak(device);
  return Carve(analyser, device, 1);
}

std::function<Bytes()> Sample(const std::string& file) {
  return [file] {
    const auto path = PublicFixture("mimetype-testdata/" + file);
    return std::filesystem::exists(path) ? ReadFile(path) : Bytes{};
  };
}

std::function<Bytes()> MadeMp3(const std::string& file) {
  return Made("tests/RAWSearch/Formats/make-mp3-samples.sh", file);
}

std::function<Bytes()> MadeMovie(const std::string& file) {
  return Made("tests/RAWSearch/Formats/make-movie-samples.sh", file);
}

std::function<Bytes()> Made(const std::string& script, const std::string& file) {
  return [script, file] {
    struct Run {
      TempDir dir;
      FixtureRun run;
    };
    static std::map<std::string, std::unique_ptr<Run>> runs;
    std::unique_ptr<Run>& made = runs[script];
    if (!made) {
      made = std::make_unique<Run>();
      made->run = RunFixture(script, {made->dir.path().string()});
    }
    if (!made->run.Made()) {
      ADD_FAILURE() << script << " failed: " << made->run.why;
      return Bytes{};
    }
    return ReadFile(made->dir / file);
  };
}

Bytes EmfFile() {
  Bytes b = Body(2000);
  quellsy::FieldWriter w(b);
  w.le32(0, 1);
  w.le32(40, 0x464D4520);
  w.le32(48, static_cast<std::uint32_t>(b.size()));
  w.le16(58, 0);
  return b;
}

Bytes EmlxFile() {
  Bytes b = Body(1636);
  PutText(b, 0, "      1234\nX-QQ-FEAT: 1\n");
  return b;
}

Bytes MidiFile(std::uint32_t trackBytes, std::size_t written) {
  Bytes b = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 0};
  quellsy::FieldWriter(b).be32(18, trackBytes);
  const Bytes events = Body(std::min<std::size_t>(trackBytes, written), 9);
  b.insert(b.end(), events.begin(), events.end());
  return b;
}

Bytes JetFile(int pages) {
  Bytes b(static_cast<std::size_t>(pages) * 4096, 0x11);
  PutText(b, 0, std::string_view("\x00\x01\x00\x00Standard Jet DB\x00", 20));
  for (int page = 1; page < pages; ++page) b[static_cast<std::size_t>(page) * 4096 + 1] = 0x01;
  return b;
}

Bytes GzFile(std::uint8_t flags, const std::string& name, const Bytes& body) {
  Bytes b = {0x1F, 0x8B, 0x08, flags, 0, 0, 0, 0, 0x02, 0x03};
  b.reserve(b.size() + name.size() + 1 + body.size());
  if (flags & 8) {
    b.insert(b.end(), name.begin(), name.end());
    b.push_back(0);
  }
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

Bytes Mp4File(const char* brand) {
  Bytes b;
  auto box = [&b](std::uint32_t size, const char* type) {
    const std::size_t at = b.size();
    b.resize(at + size, 0x33);
    quellsy::FieldWriter(b).be32(at, size);
    std::memcpy(b.data() + at + 4, type, 4);
  };
  box(24, "ftyp");
  std::memcpy(b.data() + 8, brand, 4);
  box(1000, "moov");
  box(3000, "mdat");
  return b;
}
Bytes BmpHeader() {
  Bytes b = Body(600);
  PutText(b, 0, "BM");
  quellsy::FieldWriter w(b);
  w.le32(2, 600);
  w.le32(6, 0);
  w.le32(14, 124);
  return b;
}

Bytes IcoHeader() {
  Bytes b = CurFile();
  quellsy::FieldWriter(b).le16(2, 1);
  return b;
}

Bytes CabHeader() {
  Bytes b(600, 0);
  PutText(b, 0, "MSCF");
  quellsy::FieldWriter w(b);
  w.le32(8, 600);
  w.le16(24, 0x0103);
  return b;
}

Bytes AuHeader() {
  Bytes b(600, 0);
  PutText(b, 0, ".snd");
  quellsy::FieldWriter w(b);
  w.be32(4, 24);
  w.be32(8, 576);
  return b;
}

Bytes GzHeader() { return GzFile(8, "a.txt", Body(100)); }
Bytes Mp4Header() { return Mp4File("isom"); }
Bytes MidiHeader() { return MidiFile(100); }
Bytes JetHeader() { return JetFile(1); }
Bytes HtmlHeader() {
  Bytes b(600, 0);
  PutText(b, 0, "<!doctype html><html></html>");
  return b;
}
Bytes LzhHeader() { return LzhArchive(); }
Bytes CrwHeader() { return CrwFile(600, 500, 0xA8); }
Bytes CptHeader() { return CptFile(); }
Bytes IcnsHeader() {
  Bytes b(600, 0);
  PutText(b, 0, "icns");
  quellsy::FieldWriter(b).be32(4, 600);
  return b;
}

std::vector<ScanSample>& ScanSamples() {
  static std::vector<ScanSample> samples;
  return samples;
}

ScanSampleRegistrar::ScanSampleRegistrar(std::vector<ScanSample> samples) {
  for (ScanSample& sample : samples) ScanSamples().push_back(std::move(sample));
}

}  // namespace quellsy::test::formats
