#pragma once
// The read window through which analysers read a file's content from any device: 128 sectors at a
// time (plus one sector of overhang) into one buffer shared by the whole process. A pointer it hands
// out stays valid only until the next window is loaded by any reader.

#include <cstddef>
#include <cstdint>
#include <span>

class IStorageDevice;

class RawFileBuffer {
 public:
  static constexpr unsigned kWindowSectors = 128;
  // Larger sectors are refused: the shared buffer holds 129 sectors of this size.
  static constexpr unsigned kMaxSectorSize = 4096;
  static constexpr std::size_t kBufferBytes = std::size_t{kWindowSectors + 1} * kMaxSectorSize;

  RawFileBuffer(IStorageDevice* device, unsigned long long startSector);

  // The byte at `offset` from the start sector. Up to the window's end plus one sector may be read
  // behind it (zeros past the device's end). Null on cancel, without a usable device, or when the
  // window cannot be read.
  unsigned char* GetRawFileBuffer(unsigned long long offset);
  // The same byte as a span reaching to the end of the data actually read into the window; empty
  // where GetRawFileBuffer gives null or the offset lies past the device's end.
  std::span<const unsigned char> GetRawFileSpan(unsigned long long offset);

  // Window size in bytes: the device's sector size x 128 (0x10000 without a usable device).
  unsigned WindowBytes() const { return m_uWindowBytes; }

  static bool SupportsSectorSize(unsigned sectorSize) { return sectorSize > 0 && sectorSize <= kMaxSectorSize; }
  // Forgets which window the shared buffer holds, so the next request of every reader loads anew.
  static void ResetSharedWindow();

 private:
  IStorageDevice* m_pDevice;
  long long m_llStartSector;
  long long m_llWindow = -1;
  unsigned m_uSectorSize;
  unsigned m_uWindowBytes;
  // The shared load this reader's window came from; another load since means it was overwritten.
  std::uint64_t m_ullLoad = 0;
};
