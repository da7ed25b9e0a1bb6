#pragma once
// The journal of a journaled HFS+ volume. Its circular buffer still holds copies of B-tree nodes written
// before later changes; the walk keeps the leaf records among them that the live trees no longer hold, in
// the volume's three deleted lists.

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "HFSPlus/HFSPlusLib/CHFSPlusVolume.h"
#include "HFSPlus/HFSPlusLib/HFSPlusJournalFormat.h"
#include "Utility/RawRead.h"
#include "Utility/ResultCode.h"
#include "include/SalvagingRead.h"

class CHFSPlusBTNode;
class CHFSPlusQuickFileSystemSearchProgress;
class CHFSPlusVolume;

class CHFSPlusJournal {
 public:
  // Blocks and block list headers larger than this are taken for damage, never allocated.
  static constexpr std::uint32_t kMaxJournalBlock = 16u << 20;

  // Opens the journal of volume (borrowed); success leaves GetLastError at 0. A volume that is not journaled,
  // or whose journal lies elsewhere or fails its tests, gives a journal that the walk finds nothing in.
  explicit CHFSPlusJournal(CHFSPlusVolume* volume);

  // Reads length bytes at offset of the circular buffer; past the journal's end the read goes on just after
  // the journal header, where the buffer wraps to. Returns the bytes read. The walk reads the buffer in order,
  // a header's worth at a time where it is empty: the bytes come from a window of kWindowBytes read at once,
  // and a window that cannot be read whole gives way to a read of just the bytes asked for.
  std::uint64_t Read(std::uint64_t offset, std::uint8_t* buffer, std::uint64_t length);
  // As many parts as the raw-read routine reads in place on several threads at once: the copy of the buffer
  // out of the system's cache, most of the walk's time, then runs on several cores.
  static constexpr std::uint64_t kWindowBytes = quellsy::kRawReadPartsAtOnce * quellsy::kRawReadPartBytes;

  // Walks the whole buffer once, from the header's end field round to it again, and puts the leaf records
  // the live trees lost into the volume's deleted lists. progress may be null.
  quellsy::ResultCode GetDeleteRecord(CHFSPlusQuickFileSystemSearchProgress* progress);

  quellsy::ResultCode GetLastError() const { return lastError_; }
  const std::optional<JournalInfoBlock>& InfoBlock() const { return infoBlock_; }
  const std::optional<JournalHeader>& Header() const { return header_; }
  // True when the header passed its tests and its sizes fit the journal, so the walk will run.
  bool IsWalkable() const { return walkable_; }

 private:
  quellsy::ResultCode Fail(quellsy::ResultCode code) { return lastError_ = code; }
  void Open();
  bool SizesFit() const;
  // The position n bytes on from position, wrapping past the journal's end to just after its header.
  std::uint64_t Advance(std::uint64_t position, std::uint64_t n) const;
  void KeepLoggedNode(CHFSPlusBTNode& node, std::uint64_t volumeOffset, CHFSPlusQuickFileSystemSearchProgress* progress);
  void KeepExtents(CHFSPlusBTNode& node);
  void KeepAttributes(CHFSPlusBTNode& node);
  void KeepCatalog(CHFSPlusBTNode& node, CHFSPlusQuickFileSystemSearchProgress* progress);
  // Bytes [position, position + length) of the journal, all before its end, where the window holds them
  // (read now when the window lies elsewhere); null when it cannot.
  const std::uint8_t* Held(std::uint64_t position, std::uint64_t length);
  // The same bytes copied out: from the window, else read.
  std::uint64_t ReadInside(std::uint64_t position, std::uint8_t* buffer, std::uint64_t length);

  CHFSPlusVolume* volume_;
  quellsy::RawReadBuffer window_;  // journal bytes from windowStart_, zeros where a sector could not be read
  std::uint64_t windowBytes_ = 0;  // how many of them the window holds
  // The volume's deleted catalog records by ID, while the walk runs.
  std::unordered_multimap<std::uint32_t, CHFSPlusVolume::DeletedCatalogList::iterator> deletedByID_;
  std::uint64_t windowStart_ = 0;
  quellsy::SalvagedRead windowRead_;  // the sectors of the window that could not be read
  quellsy::ResultCode lastError_ = quellsy::kResultOk;
  std::optional<JournalInfoBlock> infoBlock_;
  std::optional<JournalHeader> header_;
  bool walkable_ = false;
};
