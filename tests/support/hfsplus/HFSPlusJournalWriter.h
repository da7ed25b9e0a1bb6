#pragma once
// The journal of a test HFS+ volume: its info block and a circular buffer of transactions, each a block list
// header followed by the logged blocks, laid out as the system's journal code writes them.

#include <cstdint>
#include <vector>

namespace quellsy::test {

struct HFSPlusJournalOptions {
  bool enabled = false;
  bool bigEndian = false;               // header and block lists in big-endian order (a PowerPC-made journal)
  std::uint32_t bytes = 512 * 1024;     // the journal's size
  std::uint32_t headerSize = 512;       // jhdr_size
  std::uint32_t blockListSize = 4096;   // blhdr_size
  bool wrapLast = true;                 // the last transaction runs past the journal's end
};

struct HFSPlusLoggedBlock {
  std::uint64_t volumeOffset = 0;  // where the block belongs (a multiple of the header size)
  std::vector<std::uint8_t> bytes;
};

using HFSPlusTransaction = std::vector<HFSPlusLoggedBlock>;

struct HFSPlusJournalImage {
  std::vector<std::uint8_t> bytes;  // the whole journal, header included
  std::uint64_t start = 0;          // the header's start and end fields
  std::uint64_t end = 0;
};

// The transactions in order, the last one across the journal's end when the options say so.
HFSPlusJournalImage WriteHFSPlusJournal(const HFSPlusJournalOptions& options,
                                        const std::vector<HFSPlusTransaction>& transactions);
// The info block (blockSize bytes): flags "in this file system", the journal's offset and size.
std::vector<std::uint8_t> WriteHFSPlusJournalInfoBlock(std::uint64_t offset, std::uint64_t size,
                                                       std::uint32_t blockSize);

}  // namespace quellsy::test
