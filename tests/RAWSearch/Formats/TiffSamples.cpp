#include "Formats/TiffSamples.h"

#include "Formats/FormatSamples.h"
#include "support/TempDir.h"

namespace quellsy::test::tiff {

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

Bytes PanasonicRaw(const std::string& make, const std::string& model, std::uint32_t end) {
  TiffBuilder t(true);
  t.SetMagic(0x55);
  t.AddIfd({t.Ascii(271, make), t.Ascii(272, model), t.Raw(273, 4, 1, 2048), t.Long(279, end - 2048)});
  return PadTo(t.Build(), end);
}

}  // namespace quellsy::test::tiff
