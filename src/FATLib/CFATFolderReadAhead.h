#pragma once
// The runs of the next folders of a tree walk, read before the first of them is parsed: in sector order, runs a
// short gap apart in one read. Each read costs a hand-over to the raw-read worker, which after a folder's entries
// have been turned into nodes has gone to sleep; a few large reads cost far less than many small ones. The runs
// are exactly the reads the walk then makes, so the bytes it parses are the same. A sector that cannot be read is
// zeros and costs only the entries it holds; a run of which nothing could be read is handed over as failed, so
// that the walk neither reads it again nor reports it twice.

#include <cstdint>
#include <vector>

#include "Utility/RawRead.h"

class IStorageDevice;

class CFATFolderReadAhead {
 public:
  struct Run {
    std::uint64_t sector = 0;
    std::uint64_t sectors = 0;
  };
  // kReadFirstSectorLost: read, but its first sector could not be (zeros where a folder's "." and ".." lie).
  enum class Held { kNo, kRead, kReadFirstSectorLost, kFailed };

  // Runs read ahead at once, the bytes they may take together with the gaps read between them, and the widest
  // gap between two runs that are still read as one.
  static constexpr std::size_t kMaxRuns = 256;
  static constexpr std::size_t kMaxBytes = 8u << 20;
  static constexpr std::size_t kMaxGapBytes = 64u << 10;

  CFATFolderReadAhead(IStorageDevice* device, std::uint32_t bytesPerSector);

  // Forgets what is held and reads runs in order, as many as kMaxRuns and kMaxBytes allow.
  void Fill(const std::vector<Run>& runs);
  bool Holds(Run run) const;
  // Copies the run into out (sectors x bytes per sector) and forgets it; kFailed leaves out untouched.
  Held Take(Run run, std::uint8_t* out);

 private:
  struct Entry {
    Run run;
    std::size_t at = 0;
    bool held = false;  // has a place in the buffer
    bool read = false;
    bool firstLost = false;
    bool taken = false;
  };
  // Sectors [first, end) read at once into the buffer from sector `at` of it, for the entries named.
  struct Span {
    std::uint64_t first = 0;
    std::uint64_t end = 0;
    std::uint64_t at = 0;
    std::vector<std::size_t> members;
  };

  // The index of the run's entry not yet taken; the entry count when there is none.
  std::size_t IndexOf(Run run) const;

  IStorageDevice* m_device;
  std::uint32_t m_bytesPerSector;
  std::vector<Entry> m_entries;
  quellsy::RawReadBuffer m_buffer;
};
