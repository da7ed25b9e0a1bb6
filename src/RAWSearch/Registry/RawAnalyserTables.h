#pragma once
// The fixed insertion sequences of the analyser registry: which analyser is asked about a sector by
// its first four bytes (map), its first two bytes (multimap, equal keys tried in row order), or
// without fixed leading bytes (list). Adding a format means writing its analyser and giving its rows
// a factory; a row without one gets a placeholder that never matches.

#include <array>
#include <cstdint>
#include <list>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "RAWSearch/Framework/RawFileType.h"

class IRawFileAnalyser;

using RawAnalyserFactory = IRawFileAnalyser* (*)();

struct RawAnalyserRow {
  // The sector's first bytes as they stand on the medium: four for the map, two for the multimap,
  // none for the list.
  std::array<std::uint8_t, 4> lead;
  const char* className;
  // The analyser's own type number (kRawFileTypePerHit for analysers that set it per hit).
  std::uint32_t type;
  // Null while the analyser is not written.
  RawAnalyserFactory create;
};

std::span<const RawAnalyserRow> RawAnalyserMapRows();
std::span<const RawAnalyserRow> RawAnalyserMultimapRows();
std::span<const RawAnalyserRow> RawAnalyserListRows();

// The map key of a row: its four lead bytes as a little-endian word; the multimap key: its first two.
unsigned int RawAnalyserMapKey(const RawAnalyserRow& row);
unsigned short RawAnalyserMultimapKey(const RawAnalyserRow& row);

// A new analyser for the row: the real one, or a placeholder.
IRawFileAnalyser* CreateRawAnalyser(const RawAnalyserRow& row);
// The classes still standing in as placeholders, each once, in table order. Shrinks as analysers land.
std::vector<std::string> PlaceholderAnalyserClasses();

void BuildRawFileAnalyserMap(std::map<unsigned int, IRawFileAnalyser*>& map);
void BuildRawFileListMultimap(std::multimap<unsigned short, IRawFileAnalyser*>& multimap);
void BuildRawFileAnalyserList(std::list<IRawFileAnalyser*>& list);
// For each type of `types` in order (every type from 1 to 147 when null or empty), the analysers
// CraetePartRawFileAnalyser adds.
void BuildRawFileAnalyserListByFileType(std::list<IRawFileAnalyser*>& list, std::vector<RAW_FILE_TYPE>* types);
// Appends the analyser of an EMF (26), LZH (36) or EMLX (116) file; nothing for other types.
void CraetePartRawFileAnalyser(RAW_FILE_TYPE type, std::list<IRawFileAnalyser*>& list);
