#pragma once
// The signature searcher of the complete scan (searcher 34): looks at every sector of every block
// for the start of a file of a known format, follows hits whose end is not known yet, and files every
// sized hit into the type tree (34) or the label tree (36).
//
// A hit takes one of four ways: sized at once, it is filed at once; one that grows itself sector by
// sector is followed in the active set (at most kMaxActive); one without size that does not grow
// waits in the pending list until the ring of recent blocks is full behind it (the ring counts its blocks but
// keeps only the newest in memory: the sizing reads the others from the device); whatever is still unsized at
// the end is sized against the real device.

#include <array>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <vector>

#include "RAWSearch/Controller/CBufferStorageDevice.h"
#include "RAWSearch/Framework/CRawFileInfo.h"
#include "RAWSearch/Registry/RawDispatchTable.h"
#include "RecoveryFilter/FileTypeManager.h"
#include "include/IFileSystemSearchController.h"

class CRAWFileManager;
class IRawFileAnalyser;

class CRAWSearchController : public ICompleteFileSystemSearchController {
 public:
  static constexpr int kMaxActive = 32;
  static constexpr unsigned kRingBlocks = CBufferStorageDevice::kDefaultBlockCount;
  // Bytes read past the current block are zeros, up to this many.
  static constexpr unsigned kZeroTail = 4096;
  // What analysers may look back at across a block edge: the end of the block before, up to this many bytes.
  static constexpr unsigned kOverlapBytes = 64 * 1024;
  // Blocks are searched in pieces of at most this many bytes (the scan's usual block), whatever the
  // block size asked for: the ring counts kRingBlocks pieces.
  static constexpr std::uint64_t kMaxBlockBytes = 4ULL << 20;
  static constexpr long long kTypeRootID = 1;

  CRAWSearchController();
  // Deletes every record not yet filed and forgets the cancel sink.
  ~CRAWSearchController() override;
  CRAWSearchController(const CRAWSearchController&) = delete;
  CRAWSearchController& operator=(const CRAWSearchController&) = delete;

  void SetDirecotryTreeBuilder(IDirecotryTreeBuilder* builder) override { m_pTreeBuilder = builder; }
  // One record for the whole device: 1 sector per cluster, bytes per sector = the device's sector
  // size. Returns 1; out[0] (a new record owned by the caller) is filled when out is set and
  // capacity >= 1.
  int GetSearchedPartitionInfo(CSearchedPartitionInfo** out, int capacity) override;
  // A null device is ignored.
  void SetDevice(IStorageDevice* device) override;
  // A value below 1 is ignored.
  void SetBlockSize(int sectors) override;
  // Rebuilds the analysers, resets the counters and folder IDs, arms the ring and the block buffer
  // and announces the two trees. Without a tree builder or a usable device the search stays unarmed
  // and finds nothing.
  void PreparetoSearch() override;
  // build = 0 does nothing. Otherwise sizes and files what is left and builds the two trees.
  void EndSearch(int build) override;
  void AnalyzeBlock(long long firstSector, long long sectorCount) override;
  void SetIProgressSink(IProgress* progress) override;
  void SetBitmap(TBitmap* bitmap) override { m_pBitmap = bitmap; }
  void SetFileSectorMap(std::map<long long, unsigned int>* map) override { m_pFileSectorMap = map; }
  TBitmap* GetBitmap() override { return m_pBitmap; }

  // For tests: what the search holds now.
  std::size_t HitCount() const { return m_hits.size(); }
  std::size_t PendingCount() const { return m_pending.size(); }
  int ActiveCount() const { return m_nActive; }
  // Sectors per piece the search works in (the block size, capped by kMaxBlockBytes).
  long long SectorsPerBlock() const { return m_iSectorsPerBlock; }

 private:
  using RecordList = std::list<std::unique_ptr<CRawFileInfo>>;

  void ClearRecords();
  // Arms the ring from `first` on, each block with room for the overlap before it and the zero tail after it.
  bool ArmRing(long long first);
  // One piece of at most the block size, searched where it lies and then kept by the ring.
  void AnalyzePiece(long long first, long long count);
  // The piece to search: the read-ahead block when the device shares it in the ring's shape, else a block made
  // and filled here (its look-back copied from the ring's last block when the piece follows it). Null when
  // memory is short.
  std::shared_ptr<const SharedSectorBlock> TakePiece(long long first, long long count, bool follows);
  // Unreadable sectors and the rest of the block behind a short piece are zeros.
  void FillPiece(unsigned char* piece, long long first, long long count);
  void SearchPiece(unsigned char* piece, long long first, long long count, long long bufferFirst);
  CRawFileInfo::SearchContext InitContext(const unsigned char* sector, long long bufferFirst,
                                          long long blockEnd) const;
  CRawFileInfo* CreateRawFileInfo(CRawFileInfo& scratch, long long sectorNumber, IRawFileAnalyser* analyser);
  // The manager of the type's kind of file, made on first use; null for a type without extension.
  CRAWFileManager* GetFileManager(unsigned int rawFileType);
  // Files a sized record with its manager (and notes its final type in the file-sector map). False
  // when there is no manager for it.
  bool FileRecord(CRawFileInfo& record);
  // A hit reaching past the searched device's end keeps what the device holds and is marked incomplete.
  void CutAtDeviceEnd(CRawFileInfo& record) const;
  // Puts an unsized hit on its way (followed, or pending); gives the record while it lives on.
  CRawFileInfo* AddRawFileInfoToList(std::unique_ptr<CRawFileInfo> hit, unsigned char* sector, long long sectorNumber);
  void CalcRawFileSize(unsigned char* sector, CRawFileInfo* newHit, long long sectorNumber,
                       CRawFileInfo::SearchContext& context);
  // Drops active slot k (later slots move down).
  void RemoveActive(int k);
  // A followed record leaves the active set unfinished: its record closes (WillBeRemove) and the
  // streams it followed are released. Its size counts as final only when closing set it; a mere
  // running length is cleared so that its analyser sizes it. True when the size is final.
  static bool LeaveActive(CRawFileInfo& record, unsigned char* sector, long long sectorNumber);
  // Asks the record's analyser for its size (exceptions count as failure), then files it when sized.
  void SizeAndFile(CRawFileInfo& record, IStorageDevice* device);
  void SizePendingFromRing();

  CFileTypeManager m_fileTypeManager;
  // The search set's dispatch, built with the set in PreparetoSearch.
  CRawDispatchTable m_dispatch;
  std::map<std::uint32_t, std::unique_ptr<CRAWFileManager>> m_fileManagers;
  IStorageDevice* m_pDevice = nullptr;
  long long m_iRequestedBlockSize = 0;
  long long m_iSectorsPerBlock = 0;
  IDirecotryTreeBuilder* m_pTreeBuilder = nullptr;
  CBufferStorageDevice m_ring;
  // The ring's next sector; a piece that does not follow on re-arms the ring at its own start.
  long long m_llRingNext = 0;
  // Every record not yet filed except the pending ones; followed records are on it too.
  RecordList m_hits;
  RecordList m_pending;
  std::map<long long, unsigned int>* m_pFileSectorMap = nullptr;
  // Prepared, with its ring armed: blocks are searched.
  bool m_bArmed = false;
  long long m_llOverlapSectors = 0;
  // First sector of the ring's last piece, or -1 when it was short (nothing follows on from it).
  long long m_llLowerFirst = -1;
  TBitmap* m_pBitmap = nullptr;
  unsigned m_uSectorSize = 512;
  // Followed records, oldest first; each also stands on the hit list.
  std::array<RecordList::iterator, kMaxActive> m_active{};
  int m_nActive = 0;
};
