#pragma once
// The streaming and branch members grown as the search grows them, over a file placed in a zero image:
// the hit claimed at the file's first sector, then shown sector by sector in blocks; and the
// parameterised case every family's member table fills.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "Formats/FormatSamples.h"
#include "RAWSearch/Framework/BruteForceAnalyser.h"

namespace quellsy::test::formats {

constexpr long long kStart = 3;
constexpr long long kSectorsPerBlock = 16;
// Room for the 36 empty pages that end a database.
constexpr long long kZeroSectorsBehind = 300;

using AnalyserFactory = std::function<std::unique_ptr<BruteForce::CBruteForceAnalyser>()>;

template <typename T>
AnalyserFactory MakeStreaming() {
  return [] { return std::make_unique<T>(); };
}

struct Grown {
  int claimed = 0;
  int result = 0;
  long long lastSector = -1;
  std::uint32_t type = 0;
  std::uint64_t size = 0;
  std::string name;
  IRawFileAnalyser* analyserAfterRemoval = nullptr;
};

// `file` at sector kStart of a zero image, `behind` right after it, then zeros; the hit is claimed at
// its first sector and grown as the search grows it, then removed from the growing set.
Grown Grow(BruteForce::CBruteForceAnalyser& analyser, const Bytes& file, const Bytes& behind = {},
           long long zeroSectorsBehind = kZeroSectorsBehind);

struct GrowCase {
  std::string name;
  AnalyserFactory make;
  std::function<Bytes()> file;
  std::uint32_t type;
  // The size expected of a file of this length.
  std::function<std::uint64_t(std::uint64_t)> size;
  std::function<Bytes()> behind = [] { return Bytes{}; };
  // What follows "<start>-<last sector>" in the name; null: the hit is left unnamed.
  const char* separator = "_";
};
inline void PrintTo(const GrowCase& c, std::ostream* os) { *os << c.name; }
// Instantiated by each family's test file with its cases (the body is in StreamingAnalysersTest.cpp).
class StreamingMembers : public RawSearchTest, public ::testing::WithParamInterface<GrowCase> {};

// A first sector the member must not claim (nor a null one).
struct Refusal {
  std::string name;
  AnalyserFactory make;
  std::function<Bytes()> sector;
};
inline void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }
// Instantiated like StreamingMembers (the body is in StreamingAnalysersTest.cpp).
class StreamingRefusals : public RawSearchTest, public ::testing::WithParamInterface<Refusal> {};

inline std::uint64_t Own(std::uint64_t length) { return length; }
inline std::uint64_t Sectors(std::uint64_t length) { return WholeSectors(length); }
inline std::function<std::uint64_t(std::uint64_t)> Fixed(std::uint64_t size) {
  return [size](std::uint64_t) { return size; };
}

}  // namespace quellsy::test::formats
