#include "Formats/TiffSamples.h"

#include "Formats/FormatSamples.h"
#include "support/TempDir.h"

namespace quellsy::test::tiff {

const std::vector<MakerCase> kMakerCases = {
    {"NIKON CORPORATION", "NIKON D850", "NEF"}, {"Canon", "Canon EOS R5", "CR2"}, {"SONY", "DSC-R1", "SR2"},
    {"SONY", "ILCE-7M3", "ARW"},                {"Panasonic", "DMC-GH4", "RW2"}, {"Kodak", "DCS Pro SLR/n", "DCR"},
    {"Kodak", "P712", "KDC"},                   {"SEIKO EPSON CORP.", "R-D1", "ERF"},
    {"Hasselblad", "H3D", "3FR"},               {"Mamiya", "ZD", "MEF"},         {"PENTAX", "K-1", "PEF"},
    {"SAMSUNG", "NX1", "SRW"},                  {"OLYMPUS IMAGING CORP.", "E-M5", "ORF"},
    {"Leica", "M8", "TIF"},                     {"Leaf", "Aptus 75", "TIF"},     {"Unknown Co", "X", "TIF"},
};

std::optional<Bytes> MakeTiff(const std::filesystem::path& dir, const std::string& name, int seed,
                              const std::string& size, const std::string& args) {
  return MakeImageMagickJpeg(dir, name, "-seed " + std::to_string(seed) + " -size " + size + " plasma:fractal",
                             "-depth 8 -compress none " + args);
}

std::optional<Bytes> Retag(const std::filesystem::path& file, const std::string& command) {
  if (!RunCommand(command + " '" + file.string() + "'")) return std::nullopt;
  return ReadFile(file);
}

Bytes PadTo(Bytes file, std::size_t size) {
  if (file.size() < size) {
    const Bytes fill = formats::Body(size - file.size(), static_cast<std::uint32_t>(size));
    file.insert(file.end(), fill.begin(), fill.end());
  }
  return file;
}

void Put(Bytes& file, std::size_t at, const Bytes& part) {
  if (file.size() < at + part.size()) file = PadTo(std::move(file), at + part.size());
  std::copy(part.begin(), part.end(), file.begin() + static_cast<std::ptrdiff_t>(at));
}

Bytes CameraTiff(bool little, const std::string& make, const std::string& model, std::uint32_t stripOffset,
                 std::uint32_t stripBytes, std::vector<TiffEntry> extra) {
  TiffBuilder t(little);
  std::vector<TiffEntry> entries = {t.Short(256, 64), t.Short(257, 48)};
  if (!make.empty()) entries.push_back(t.Ascii(271, make));
  if (!model.empty()) entries.push_back(t.Ascii(272, model));
  entries.push_back(t.Raw(273, 4, 1, stripOffset));
  entries.push_back(t.Long(279, stripBytes));
  entries.insert(entries.end(), extra.begin(), extra.end());
  t.AddIfd(entries);
  return PadTo(t.Build(), std::size_t{stripOffset} + stripBytes);
}

Bytes SubIfdTiff(bool little) {
  TiffBuilder t(little);
  t.AddIfd({t.Short(256, 64), t.Short(257, 48), t.Raw(273, 4, 1, 400), t.Long(279, 1000), t.Link(330, 1)});
  t.AddIfd({t.Raw(273, 4, 1, kSubIfdStripOffset), t.Long(279, kSubIfdStripBytes)});
  return PadTo(t.Build(), std::size_t{kSubIfdStripOffset} + kSubIfdStripBytes);
}

namespace {

Bytes Be32(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v >> 24), static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
          static_cast<std::uint8_t>(v)};
}

}  // namespace

std::uint64_t MakerNoteTiffEnd(Maker maker) {
  return (maker == Maker::kNikon ? kMakerNoteAt + 10 : 0) + std::uint64_t{kMakerStripOffset} + kMakerStripBytes;
}

Bytes MakerNoteTiff(Maker maker) {
  TiffBuilder t(true);
  const std::string make = maker == Maker::kNikon ? "NIKON CORPORATION" : maker == Maker::kEpson ? "SEIKO EPSON" : "ACME";
  Bytes note;
  if (maker == Maker::kNikon) {
    note = Concat({Text("Nikon"), Bytes{0, 2, 0x10, 0, 0}, Text("MM"), Bytes{0, 0x2A}, Be32(8)});
  } else if (maker == Maker::kEpson) {
    note = Concat({Text("EPSON"), Bytes{0, 1, 0}});
  }
  // The note's directory: one strip, big-endian after the Nikon header, little-endian otherwise.
  TiffBuilder dir(maker != Maker::kNikon);
  Bytes ifd;
  dir.Put16(ifd, 2);
  for (const auto& [tag, value] : {std::pair<std::uint16_t, std::uint32_t>{273, kMakerStripOffset},
                                   std::pair<std::uint16_t, std::uint32_t>{279, kMakerStripBytes}}) {
    dir.Put16(ifd, tag);
    dir.Put16(ifd, 4);
    dir.Put32(ifd, 1);
    dir.Put32(ifd, value);
  }
  dir.Put32(ifd, 0);
  note = Concat({note, ifd});
  t.AddIfd({t.Ascii(271, make), t.Ascii(272, "Model 7"), t.Link(34665, 1)});
  t.AddIfd({t.Raw(37500, 7, static_cast<std::uint32_t>(note.size()), kMakerNoteAt)});
  Bytes file = t.Build();
  Put(file, kMakerNoteAt, note);
  return PadTo(std::move(file), static_cast<std::size_t>(MakerNoteTiffEnd(maker)));
}

Bytes RafFile() {
  Bytes file = Text("FUJIFILMCCD-RAW 0201FF383501");
  file.resize(160, 0);
  // The picture: an Exif segment naming the camera, then entropy-coded bytes and EOI.
  TiffBuilder exif(false);
  exif.AddIfd({exif.Ascii(271, "FUJIFILM"), exif.Ascii(272, "X-T1"), exif.Ascii(306, "2016:01:02 03:04:05")});
  const Bytes jpeg = Concat({Soi(), ExifApp1(exif.Build()), Dqt(), Frame(0xC0, 8, 48, 64, 3), Scan(3), Entropy(3000),
                             Eoi()});
  const auto put32 = [&](std::size_t at, std::uint32_t v) { Put(file, at, Be32(v)); };
  put32(84, kRafJpegAt);
  put32(88, static_cast<std::uint32_t>(jpeg.size()));
  put32(92, 8192);
  put32(96, 1024);
  put32(100, kRafCfaAt);
  put32(104, kRafEnd - kRafCfaAt);
  TiffBuilder header(true);
  header.AddIfd({header.Ascii(271, "FUJIFILM"), header.Ascii(272, "X-T1")});
  Put(file, 160, header.Build());
  Put(file, kRafJpegAt, jpeg);
  return PadTo(std::move(file), kRafEnd);
}

Bytes DirectoryLastTiff() {
  constexpr std::uint32_t kMakeAt = 8;
  constexpr std::uint32_t kStripAt = 16;
  constexpr std::uint32_t kDirectoryAt = kStripAt + kDirectoryLastStripBytes;
  TiffBuilder t(true);
  t.SetFirstIfdOffset(kDirectoryAt);
  t.AddIfd({t.Short(256, 64), t.Short(257, 48), t.Raw(271, 2, 7, kMakeAt), t.Ascii(272, "K-1"),
            t.Raw(273, 4, 1, kStripAt), t.Long(279, kDirectoryLastStripBytes)});
  const Bytes built = t.Build();
  // The builder lays its directory out at 8: header, maker, strip, then that directory.
  Bytes file(built.begin(), built.begin() + 8);
  Put(file, kMakeAt, Concat({Text("PENTAX"), Bytes{0}}));
  file = PadTo(std::move(file), kDirectoryAt);
  file.insert(file.end(), built.begin() + 8, built.end());
  return file;
}

std::optional<Bytes> MakeRowTiff(const std::filesystem::path& dir, const std::string& name, int rows,
                                 const std::string& retag) {
  const auto made = MakeTiff(dir, name, 7, "171x" + std::to_string(rows), "");
  if (!made || retag.empty()) return made;
  return Retag(dir / name, retag);
}

std::optional<Bytes> MakeTiffEndingShortOfSector(const std::filesystem::path& dir, const std::string& name,
                                                 unsigned slack, const std::string& retag) {
  constexpr int kFirstRows = 100;
  constexpr std::size_t kSector = 512;
  const auto first = MakeRowTiff(dir, name, kFirstRows, retag);
  if (!first) return std::nullopt;
  // Two rows move the end two bytes on; the rows stay even.
  const std::size_t shortBy = (kSector - slack + kSector - first->size() % kSector) % kSector;
  if (shortBy % 2 != 0) return std::nullopt;
  const auto made = MakeRowTiff(dir, name, kFirstRows + static_cast<int>(shortBy), retag);
  if (!made || made->size() % kSector != kSector - slack) return std::nullopt;
  return made;
}

Bytes PanasonicRaw(const std::string& make, const std::string& model, std::uint32_t end) {
  TiffBuilder t(true);
  t.SetMagic(0x55);
  t.AddIfd({t.Ascii(271, make), t.Ascii(272, model), t.Raw(273, 4, 1, 2048), t.Long(279, end - 2048)});
  return PadTo(t.Build(), end);
}

}  // namespace quellsy::test::tiff
