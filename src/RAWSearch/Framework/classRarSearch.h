#pragma once
// Checks one RAR (1.5 to 4) block header and gives the block's length, header included.

class classRarSearch {
 public:
  // True when the `available` bytes at `block` start a valid block header whose fields lie within
  // them; the 64-bit block length is returned in two halves (either pointer may be null).
  static bool GetBlockSize(const unsigned char* block, int available, unsigned int* sizeLow, unsigned int* sizeHigh);
  // The validity part of GetBlockSize alone.
  static bool IsValidHead(const unsigned char* block, int available);
};
