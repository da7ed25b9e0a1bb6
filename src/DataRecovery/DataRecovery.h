#pragma once
// Copies found files out of the scanned device for one searcher of a scan: finds the partition record a node
// belongs to, opens a reader on the node and writes the file in 4 MiB chunks, then gives the file (and the folders
// of its ancestors inside the destination) the node's time.

#include <string>
#include <vector>

#include "include/IDataRecovery.h"
#include "include/IDataRunList.h"
#include "include/IProgress.h"
#include "Utility/MutexLocker.h"
#include "Utility/RawRead.h"
#include "Utility/ResultCode.h"

class CFileNode;
class CSearchedPartitionInfo;
class RecoveryOutputFile;

class CDataRecovery : public IDataRecovery {
 public:
  // Progress, stops, failed reads and retried writes go by chunks; the bytes move in pieces small enough to stay
  // in the processor's cache between their read and their write.
  static constexpr int kChunkSize = 0x400000;
  static constexpr int kPieceSize = 0x20000;
  // A short write is retried this many times in a row (after truncating back) before the copy gives up.
  static constexpr int kMaxWriteAttempts = 3;

  static constexpr quellsy::ResultCode kInitializeNullArgument =
      quellsy::MakeFailure(quellsy::module::kDataRecovery, 0x45, quellsy::error::kBadArgument);
  static constexpr quellsy::ResultCode kInitializeNoPartition =
      quellsy::MakeFailure(quellsy::module::kDataRecovery, 0x4B, quellsy::error::kNoPartition);
  static constexpr quellsy::ResultCode kInitializeNoPartitionListed =
      quellsy::MakeFailure(quellsy::module::kDataRecovery, 0x52, quellsy::error::kNoPartition);
  static constexpr quellsy::ResultCode kInitializeNullDevice =
      quellsy::MakeFailure(quellsy::module::kDataRecovery, 0x6E, quellsy::error::kBadArgument);
  static constexpr quellsy::ResultCode kRecoverNullPath =
      quellsy::MakeFailure(quellsy::module::kDataRecovery, 0x102, quellsy::error::kBadArgument);
  static constexpr quellsy::ResultCode kRecoverNoReaderNoOutput =
      quellsy::MakeFailure(quellsy::module::kDataRecovery, 0x10B, quellsy::error::kCannotWriteOutput);
  static constexpr quellsy::ResultCode kRecoverNoReader =
      quellsy::MakeFailure(quellsy::module::kDataRecovery, 0x10F, quellsy::error::kNoReader);
  static constexpr quellsy::ResultCode kRecoverLimitOnCompressed =
      quellsy::MakeFailure(quellsy::module::kDataRecovery, 0x115, quellsy::error::kCannotWriteOutput);
  static constexpr quellsy::ResultCode kRecoverCompressedFailed =
      quellsy::MakeFailure(quellsy::module::kDataRecovery, 0x121, quellsy::error::kFailure);
  static constexpr quellsy::ResultCode kRecoverCannotOpen =
      quellsy::MakeFailure(quellsy::module::kDataRecovery, 0x131, quellsy::error::kCannotWriteOutput);
  // Put in the progress record at every short write, and returned when the retries run out.
  static constexpr quellsy::ResultCode kRecoverShortWrite =
      quellsy::MakeFailure(quellsy::module::kDataRecovery, 0x15F, quellsy::error::kShortWrite);
  // Some data could not be read: the file is complete in size, with zeros where the reads failed.
  static constexpr quellsy::ResultCode kRecoverPartial =
      quellsy::MakeFailure(quellsy::module::kDataRecovery, 0x16A, quellsy::error::kFailure);
  // The destination is full: retrying or going on to the next file cannot help.
  static constexpr quellsy::ResultCode kRecoverNoSpace =
      quellsy::MakeFailure(quellsy::module::kDataRecovery, 0x170, quellsy::error::kNoSpace);
  // Asked to stop before the whole file was written: what is there is only its start.
  static constexpr quellsy::ResultCode kRecoverStopped =
      quellsy::MakeFailure(quellsy::module::kDataRecovery, 0x175, quellsy::error::kIncomplete);

  CDataRecovery() = default;
  CDataRecovery(const CDataRecovery&) = delete;
  CDataRecovery& operator=(const CDataRecovery&) = delete;
  ~CDataRecovery() override;

  // Asks the searcher how many partition records it holds, then for all of them; sorts them by order key.
  quellsy::ResultCode Initialize(IFileSystemSearchController* searcher, IStorageDevice* device) override;
  // For a restored scan: plain copies of the records, in the given order.
  quellsy::ResultCode Initialize(std::vector<CSearchedPartitionInfo*>& records, IStorageDevice* device);
  IFileReader* SetRecoverNode(IFileNode* node) override;
  quellsy::ResultCode RecoverTo(const char* path, IProgress* progress, int byteLimit) override;
  unsigned int ReadSmallJPG(char* out, unsigned int capacity) override;
  void Release() override { delete this; }
  void SetDestinationFolder(const char* folder) override;
  quellsy::ResultCode RecoverNodeTo(IFileNode* node, const char* path, IProgress* progress, int byteLimit) override;
  quellsy::ResultCode RecoverNodeToFile(IFileNode* node, int fd, IProgress* progress, int byteLimit) override;

  // The record used to read node: by partition index, else the first passing the three tests, else the first.
  CSearchedPartitionInfo* GetNodePartition(CFileNode* node);
  const std::vector<CSearchedPartitionInfo*>& GetSearchedPartition() const { return m_records; }
  // The system's error (errno) of the last write that failed, for the words of a failed copy; 0 when none.
  int GetLastWriteError();

  static bool IsMetaDataInRange(CSearchedPartitionInfo* record, CFileNode* node);
  static bool IsDataRunListInRange(CSearchedPartitionInfo* record, CFileNode* node);
  // The run's sectors (origin + cluster x sectors per cluster) lie inside the partition; sparse runs always do.
  static bool IsDataRunInRange(const DataRun& run, CSearchedPartitionInfo* record);
  // The cluster size estimated from the node's size and cluster count matches sectorsPerCluster.
  static bool IsClusterSuit(unsigned int sectorsPerCluster, CFileNode* node);
  // Records before nulls, highest order key first.
  static bool PartitionInfoCompare(CSearchedPartitionInfo* a, CSearchedPartitionInfo* b);
  // Sets the modification time of path to fileTime (FILETIME); the access time is left alone. 0 or -1 (errno).
  static int ChangeFileCreateTs(const char* path, unsigned long long fileTime);

 private:
  IFileReader* SetRecoverNodeLocked(IFileNode* node);
  // Selects node; a refused node leaves no reader behind, so nothing of the previous file can be written.
  void SelectNodeLocked(IFileNode* node);
  quellsy::ResultCode RecoverToLocked(const char* path, IProgress* progress, int byteLimit);
  quellsy::ResultCode RecoverInto(RecoveryOutputFile& output, IProgress* progress, int byteLimit);
  // Only whole compressed files are written.
  bool LimitRefused(int byteLimit) const;
  IFileReader* MakeReader(CFileNode& node, CSearchedPartitionInfo& record);
  struct ChunkCopy {
    unsigned int got = 0;     // bytes written from the chunk's start (short when the runs end early)
    bool readFailed = false;  // nothing of the chunk is left in the output
    bool writeFailed = false;
    int error = 0;  // the system's error of the raw read that failed, when one did
  };
  // File bytes [from, to) whose chunks could not be read, and why the first of them failed.
  struct UnreadableRange {
    std::uint64_t from = 0;
    std::uint64_t to = 0;
    int error = 0;
    quellsy::ResultCode device = quellsy::kResultOk;
  };
  // One log line for a range of unreadable chunks (none for an empty range), which it then empties.
  void LogUnreadable(UnreadableRange& range) const;
  quellsy::ResultCode DeviceError() const;
  // One chunk at position, piece by piece.
  // Copies what it can of the chunk inside the kernel, from its start on; returns the bytes copied.
  unsigned int KernelCopy(RecoveryOutputFile& output, std::uint64_t position, unsigned int length);
  ChunkCopy CopyChunk(RecoveryOutputFile& output, std::uint64_t position, unsigned int length);
  quellsy::ResultCode CopyChunks(RecoveryOutputFile& output, IProgress* progress, int byteLimit);
  void SetTimes(const char* path);
  void FreeRecords();

  std::vector<char> m_preview;
  quellsy::RawReadBuffer m_piece;  // read into in place; allocated by the first copy
  bool m_kernelCopy = true;  // until the system says it cannot copy between the two files
  IFileReader* m_reader = nullptr;
  std::vector<CSearchedPartitionInfo*> m_records;  // owned
  unsigned int m_partitionCount = 0;
  IStorageDevice* m_device = nullptr;
  unsigned int m_ntfsCompressed = 0;
  bool m_emptyNode = false;
  int m_lastWriteError = 0;  // the current node is a file of length 0: nothing to read, an empty file to write
  unsigned long long m_nodeTime = 0;  // FILETIME of the current node; 0 = none
  IFileNode* m_node = nullptr;
  std::string m_destination;
  mutex_locker m_lock;
};

static_assert(CDataRecovery::kInitializeNoPartitionListed == 0x010D005200000D01ULL);
static_assert(CDataRecovery::kRecoverShortWrite == 0x010D015F00000D03ULL);

// A new, empty data-recovery object; freed with Release().
CDataRecovery* CreateDataRecoveryObj();
