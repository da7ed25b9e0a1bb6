// corpus-sample FORMAT SEED OUT_FILE: writes the hand-built file of FORMAT (one of the names listed by
// `corpus-sample --list`) to OUT_FILE, its sizes picked by SEED, for the benchmark corpus of formats no Debian
// tool writes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <string_view>

#include "support/samples/HandBuiltSamples.h"

namespace {

using quellsy::test::formats::Bytes;
namespace f = quellsy::test::formats;

struct Format {
  std::string_view name;
  std::function<Bytes(std::uint32_t)> make;
};

// A length of `base` plus up to `spread` bytes picked by the seed, never a whole number of sectors, so that
// zero slack follows every file whose end is where its bytes give way to zeros.
std::uint32_t Vary(std::uint32_t base, std::uint32_t spread, std::uint32_t seed) {
  std::uint32_t length = base + (seed * 2654435761u >> 8) % spread;
  if (length % 512 == 0) ++length;
  return length;
}

const Format kFormats[] = {
    {"3ds", [](std::uint32_t) { return f::ThreeDsFile(); }},
    {"aep", [](std::uint32_t s) { return f::AepFile(Vary(5000, 200000, s), false); }},
    {"chm", [](std::uint32_t) { return f::ChmFile(); }},
    {"cpt", [](std::uint32_t) { return f::CptFile(); }},
    {"crw", [](std::uint32_t s) { const std::uint32_t n = Vary(100000, 900000, s); return f::CrwFile(n, n - 70, 0xA8); }},
    {"cur", [](std::uint32_t) { return f::CurFile(); }},
    {"dbx", [](std::uint32_t s) { return f::DbxFile(Vary(70000, 400000, s), false); }},
    {"dmg", [](std::uint32_t s) { return f::DmgFile(Vary(2560, 300000, s)); }},
    {"doc", [](std::uint32_t) { return f::LowDocFile(); }},
    {"fh11", [](std::uint32_t s) { return f::Fh11File(Vary(3004, 100000, s)); }},
    {"hlp", [](std::uint32_t) { return f::HlpFile(); }},
    {"indd", [](std::uint32_t s) { return f::InddFile({Vary(3000, 200000, s), 9000, 100}); }},
    {"itl", [](std::uint32_t) { return f::ItlFile(); }},
    {"jks", [](std::uint32_t s) { return f::JksFile(Vary(1500, 20000, s)); }},
    {"lzh", [](std::uint32_t) { return f::LzhArchive(); }},
    {"mlv", [](std::uint32_t s) { return f::MlvFile({Vary(5000, 300000, s), 9000, 300}); }},
    {"mny", [](std::uint32_t) { return f::MnyFile(); }},
    {"mobi", [](std::uint32_t s) { return f::MobiFile({Vary(3000, 100000, s), 9000, 500}); }},
    {"mrw", [](std::uint32_t) { return f::MrwFile(); }},
    {"ngrr", [](std::uint32_t s) { return f::NgrrFile({Vary(700, 50000, s), 3000, 50}); }},
    {"one", [](std::uint32_t) { return f::OneFile(); }},
    {"psafe3", [](std::uint32_t s) { return f::Psafe3File(Vary(1224, 30000, s)); }},
    {"psp", [](std::uint32_t) { return f::PspFile(); }},
    {"pst", [](std::uint32_t s) { return f::PstFile(23, Vary(5000, 500000, s)); }},
    {"rar", [](std::uint32_t s) { return f::Rar4File(Vary(3000, 300000, s)); }},
    {"sib", [](std::uint32_t s) { return f::SibFile(Vary(1500, 50000, s)); }},
    {"sit", [](std::uint32_t) { return f::Sit5File(); }},
    {"sitx", [](std::uint32_t) { return f::SitxFile(); }},
    {"wmf", [](std::uint32_t s) { return f::WmfFile(s % 2 == 0); }},
    {"wpd", [](std::uint32_t) { return f::WpdFile(0x01020A01, 0x00050200); }},
    {"wpg", [](std::uint32_t s) { return f::WpgFile(Vary(2000, 50000, s)); }},
    {"x3f", [](std::uint32_t s) { return f::X3fFile(Vary(5000, 500000, s)); }},
};

int Usage() {
  std::cerr << "usage: corpus-sample FORMAT SEED OUT_FILE | corpus-sample --list\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string_view(argv[1]) == "--list") {
    for (const Format& format : kFormats) std::cout << format.name << '\n';
    return 0;
  }
  if (argc != 4) return Usage();
  char* end = nullptr;
  const unsigned long seed = std::strtoul(argv[2], &end, 10);
  if (!*argv[2] || *end) return Usage();
  for (const Format& format : kFormats) {
    if (format.name != argv[1]) continue;
    const Bytes bytes = format.make(static_cast<std::uint32_t>(seed));
    std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::cerr << "corpus-sample: cannot write " << argv[3] << '\n';
      return 1;
    }
    return 0;
  }
  std::cerr << "corpus-sample: no format " << argv[1] << '\n';
  return Usage();
}
