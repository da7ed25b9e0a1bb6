#pragma once
// The runs of the next folders of a tree walk, read one after another before the first of them is parsed.
// A read handed to the raw-read worker right after the previous one finds it awake; one made after a folder's
// entries have been turned into nodes finds it asleep and pays for the wake-up. The runs are exactly the reads
// the walk then makes, so the bytes it parses are the same; a run that could not be read is handed over as failed,
// so that it is neither read nor reported twice.

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
  enum class Held { kNo, kRead, kFailed };

  // Runs read ahead at once, and the bytes they may take together.
  static constexpr std::size_t kMaxRuns = 256;
  static constexpr std::size_t kMaxBytes = 4u << 20;

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
    bool read = false;
    bool taken = false;
  };

  // The index of the run's entry not yet taken; the entry count when there is none.
  std::size_t IndexOf(Run run) const;

  IStorageDevice* m_device;
  std::uint32_t m_bytesPerSector;
  std::vector<Entry> m_entries;
  quellsy::RawReadBuffer m_buffer;
};
