#pragma once
// A JPEG file walked to its structural end: marker segments are stepped over by their lengths, the
// entropy-coded data of every scan are read up to the marker that closes them (a stuffed FF 00, a
// restart marker and fill bytes are part of the data), and the end-of-image marker behind the last scan
// ends the file, whatever follows it. The walk is fed the bytes at hand piece by piece, so the search
// can walk a file while it streams past and a measurement can walk it again from the device.

#include <cstdint>

#include "Utility/ByteReader.h"

class JpegMarkerWalk {
 public:
  enum class State { kWaiting, kDone, kBad };

  // A marker segment the walk reached: its code, the file offset of its FF and its bytes from there,
  // as many of the segment's as are at hand.
  struct Segment {
    std::uint8_t code = 0;
    std::uint64_t offset = 0;
    quellsy::ByteSpan bytes;
  };
  class Listener {
   public:
    virtual void OnSegment(const Segment& segment) = 0;

   protected:
    ~Listener() = default;
  };

  // Walks on from Next() through `bytes`, whose first byte lies at file offset `first`, and tells
  // `listener` (may be null) of every segment it steps over. Waiting: it needs bytes from Next() on.
  // Bad: the bytes are not a JPEG file's, or the byte at Next() lies before `first`.
  State Advance(quellsy::ByteSpan bytes, std::uint64_t first, Listener* listener = nullptr);

  State GetState() const { return m_state; }
  // The file offset of the next byte the walk reads.
  std::uint64_t Next() const { return m_next; }
  // Once done: the file's length, just past its end-of-image marker.
  std::uint64_t End() const { return m_end; }
  std::uint32_t Scans() const { return m_scans; }

  static bool IsFrameHeader(std::uint8_t code) {
    return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
  }

 private:
  // One step over a marker at the start of `rest`; false when more bytes are needed or the walk ended.
  bool StepMarker(quellsy::ByteSpan rest, Listener* listener);
  // One step through entropy-coded data at the start of `rest`; false when more bytes are needed.
  bool StepEntropy(quellsy::ByteSpan rest);
  bool Fail();

  State m_state = State::kWaiting;
  std::uint64_t m_next = 0;
  std::uint64_t m_end = 0;
  std::uint32_t m_scans = 0;
  bool m_bFrameSeen = false;
  bool m_bInScan = false;
};
