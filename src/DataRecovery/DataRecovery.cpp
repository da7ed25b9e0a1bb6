#include "DataRecovery/DataRecovery.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>
#include <typeinfo>

#include "DataRecovery/CompressFileReader.h"
#include "DataRecovery/FileReader.h"
#include "DataRecovery/RecoveryOutputFile.h"
#include "include/EngineRegistry.h"
#include "include/FileNode.h"
#include "include/IFileSystemSearchController.h"
#include "include/IStorageDevice.h"
#include "include/SearchPartitionInfoStruct.h"
#include "Utility/CatchExeception.h"
#include "Utility/ResultMessage.h"
#include "Utility/TimeUtil.h"

using quellsy::ResultCode;

namespace {

constexpr unsigned int kPreviewBytes = 65536;
// A tree deeper than this is looping.
constexpr int kMaxTreeDepth = 1 << 16;

_tagSearcherType RootSearcherType(IFileNode* node) {
  IFileNode* root = node;
  for (int depth = 0; node != nullptr && depth < kMaxTreeDepth; ++depth, node = node->GetParent()) root = node;
  return root != nullptr ? root->GetSearcheType() : SEARCHER_NONE;
}

bool IsNoSpace(int error) { return error == ENOSPC || error == EDQUOT; }

// True when folder lies strictly inside root, compared component by component after lexical clean-up.
bool IsInside(const std::filesystem::path& folder, const std::filesystem::path& root) {
  const std::filesystem::path inner = folder.lexically_normal();
  const std::filesystem::path outer = root.lexically_normal();
  auto a = inner.begin();
  auto b = outer.begin();
  for (; b != outer.end(); ++a, ++b) {
    if (b->empty() && std::next(b) == outer.end()) break;  // a trailing separator
    if (a == inner.end() || *a != *b) return false;
  }
  return a != inner.end() && !a->empty();
}

}  // namespace

CDataRecovery* CreateDataRecoveryObj() { return new (std::nothrow) CDataRecovery(); }

CDataRecovery::~CDataRecovery() {
  autolocker<mutex_locker> hold(m_lock);
  if (m_reader != nullptr) m_reader->Release();
  FreeRecords();
}

void CDataRecovery::FreeRecords() {
  for (CSearchedPartitionInfo* record : m_records) delete record;
  m_records.clear();
  m_partitionCount = 0;
}

ResultCode CDataRecovery::Initialize(IFileSystemSearchController* searcher, IStorageDevice* device) {
  if (searcher == nullptr || device == nullptr) return kInitializeNullArgument;
  FreeRecords();
  // The count first, so a searcher with any number of records hands them all over.
  const int count = searcher->GetSearchedPartitionInfo(nullptr, 0);
  if (count <= 0) return kInitializeNoPartition;
  m_records.assign(static_cast<std::size_t>(count), nullptr);
  const int filled = searcher->GetSearchedPartitionInfo(m_records.data(), count);
  if (filled <= 0) {
    FreeRecords();
    return kInitializeNoPartitionListed;
  }
  m_records.resize(static_cast<std::size_t>(std::min(filled, count)));
  m_partitionCount = static_cast<unsigned int>(m_records.size());
  m_device = device;
  if (m_records.size() >= 2) std::stable_sort(m_records.begin(), m_records.end(), PartitionInfoCompare);
  return quellsy::kResultOk;
}

ResultCode CDataRecovery::Initialize(std::vector<CSearchedPartitionInfo*>& records, IStorageDevice* device) {
  if (device == nullptr) return kInitializeNullDevice;
  FreeRecords();
  for (CSearchedPartitionInfo* record : records)
    if (record != nullptr) m_records.push_back(new CSearchedPartitionInfo(*record));
  m_partitionCount = static_cast<unsigned int>(m_records.size());
  m_device = device;
  return quellsy::kResultOk;
}

void CDataRecovery::SetDestinationFolder(const char* folder) {
  autolocker<mutex_locker> hold(m_lock);
  m_destination = folder != nullptr ? folder : "";
}

IFileReader* CDataRecovery::SetRecoverNode(IFileNode* node) {
  autolocker<mutex_locker> hold(m_lock);
  return SetRecoverNodeLocked(node);
}

ResultCode CDataRecovery::RecoverTo(const char* path, IProgress* progress, int byteLimit) {
  autolocker<mutex_locker> hold(m_lock);
  return RecoverToLocked(path, progress, byteLimit);
}

void CDataRecovery::SelectNodeLocked(IFileNode* node) {
  if (IFileReader* copy = SetRecoverNodeLocked(node)) {
    copy->Release();
  } else if (m_reader != nullptr) {
    m_reader->Release();
    m_reader = nullptr;
  }
}

ResultCode CDataRecovery::RecoverNodeTo(IFileNode* node, const char* path, IProgress* progress, int byteLimit) {
  autolocker<mutex_locker> hold(m_lock);
  SelectNodeLocked(node);
  return RecoverToLocked(path, progress, byteLimit);
}

ResultCode CDataRecovery::RecoverNodeToFile(IFileNode* node, int fd, IProgress* progress, int byteLimit) {
  autolocker<mutex_locker> hold(m_lock);
  SelectNodeLocked(node);
  if (fd < 0) return kRecoverCannotOpen;
  RecoveryOutputFile output;
  output.Adopt(fd);
  const ResultCode result = RecoverInto(output, progress, byteLimit);
  if (m_nodeTime != 0) {
    const timespec times[2] = {{0, UTIME_OMIT}, quellsy::FileTimeToTimespec(m_nodeTime)};
    futimens(fd, times);
  }
  return result;
}

IFileReader* CDataRecovery::MakeReader(CFileNode& node, CSearchedPartitionInfo& record) {
  if (node.IsCompressed() != 0) {
    IFileReader* reader = node.CreateCompressFileReader(nullptr);
    if (reader == nullptr)
      reader = quellsy::EngineRegistry::Instance().CreateCompressedReader(RootSearcherType(&node), node, m_device);
    if (record.GetFileSystemType() != FILE_SYSTEM_NTFS) return reader;
    m_ntfsCompressed = 1;
    if (reader == nullptr) reader = new (std::nothrow) CCompressFileReader();
    auto* opened = dynamic_cast<CFileReader*>(reader);
    if (opened == nullptr) {
      CatchExeception::WriteLog("%s %d\r\n", "SetRecoverNode", __LINE__);
    } else if (opened->Open(m_device, &node, &record) == 0) {
      CatchExeception::WriteLog("%s %d\r\n", "SetRecoverNode", __LINE__);
      reader->Release();
      reader = nullptr;
    }
    return reader;
  }
  auto* reader = new (std::nothrow) CFileReader();
  if (reader != nullptr && reader->Open(m_device, &node, &record) == 0) {
    CatchExeception::WriteLog("%s %d\r\n", "SetRecoverNode", __LINE__);
    reader->Release();
    reader = nullptr;
  }
  return reader;
}

IFileReader* CDataRecovery::SetRecoverNodeLocked(IFileNode* node) {
  m_emptyNode = false;
  if (node == nullptr || node->IsDirectory() != 0) {
    CatchExeception::WriteLog("%s %d\r\n", "SetRecoverNode", __LINE__);
    return nullptr;
  }
  m_ntfsCompressed = 0;
  if (m_partitionCount == 0) {
    CatchExeception::WriteLog("%s %d\r\n", "SetRecoverNode", __LINE__);
    return nullptr;
  }
  auto* fileNode = dynamic_cast<CFileNode*>(node);
  CSearchedPartitionInfo* record = fileNode != nullptr ? GetNodePartition(fileNode) : nullptr;
  if (fileNode != nullptr && record == nullptr) {
    CatchExeception::WriteLog("%s %d\r\n", "SetRecoverNode", __LINE__);
    return nullptr;
  }
  // A file of length 0 has nothing to read: it is recovered as an empty file, not refused.
  const bool empty = node->GetFileSize() == 0;
  IFileReader* reader = fileNode != nullptr && !empty ? MakeReader(*fileNode, *record) : nullptr;
  if (m_reader != nullptr) m_reader->Release();
  m_reader = reader;
  m_node = nullptr;
  m_nodeTime = 0;
  if (empty) {
    m_emptyNode = true;
    m_node = node;
    m_nodeTime = node->GetCreationTime();
    return nullptr;
  }
  if (reader == nullptr) {
    CatchExeception::WriteLog("%s %d\r\n", "SetRecoverNode", __LINE__);
    return nullptr;
  }
  m_node = node;
  m_nodeTime = node->GetCreationTime();
  return reader->Clone();
}

ResultCode CDataRecovery::RecoverToLocked(const char* path, IProgress* progress, int byteLimit) {
  if (path == nullptr) {
    CatchExeception::WriteLog("%s %d\r\n", "RecoverTo", __LINE__);
    return kRecoverNullPath;
  }
  // Refused before anything is created: a limited copy of a compressed file cannot be told apart from the whole.
  if (LimitRefused(byteLimit)) return kRecoverLimitOnCompressed;
  RecoveryOutputFile output;
  if (!output.Create(path)) {
    CatchExeception::WriteLog("%s %d\r\n", "RecoverTo", __LINE__);
    return m_reader == nullptr && !m_emptyNode ? kRecoverNoReaderNoOutput : kRecoverCannotOpen;
  }
  ResultCode result = RecoverInto(output, progress, byteLimit);
  if (!output.Close() && !quellsy::IsFailure(result)) result = kRecoverShortWrite;
  if (m_reader != nullptr || m_emptyNode) SetTimes(path);
  return result;
}

ResultCode CDataRecovery::RecoverInto(RecoveryOutputFile& output, IProgress* progress, int byteLimit) {
  m_lastWriteError = 0;
  _PROGRESS_INFO info{};
  info.status = PROGRESS_STATUS_RUNNING;
  if (progress != nullptr) progress->UpdateProgress(&info);
  if (m_emptyNode) return quellsy::kResultOk;
  if (m_reader == nullptr) return kRecoverNoReader;
  if (LimitRefused(byteLimit)) return kRecoverLimitOnCompressed;
  if (m_reader->IsCompressFile() != 0 && m_ntfsCompressed != 0) {
    if (auto* compressed = dynamic_cast<CCompressFileReader*>(m_reader)) {
      bool fallback = false;
      if (!compressed->Recovery(output, progress, fallback)) {
        m_lastWriteError = output.LastError();
        return IsNoSpace(output.LastError()) ? kRecoverNoSpace : kRecoverCompressedFailed;
      }
      // A stop leaves only the file's start: never reported as the whole file.
      if (!fallback && compressed->WasStopped()) return kRecoverStopped;
      if (!fallback) return compressed->HadReadFailure() ? kRecoverPartial : quellsy::kResultOk;
    }
  }
  return CopyChunks(output, progress, byteLimit);
}

int CDataRecovery::GetLastWriteError() {
  autolocker<mutex_locker> hold(m_lock);
  return m_lastWriteError;
}

bool CDataRecovery::LimitRefused(int byteLimit) const {
  return byteLimit != 0 && m_reader != nullptr && m_reader->IsCompressFile() != 0 && m_ntfsCompressed != 0;
}

unsigned int CDataRecovery::KernelCopy(RecoveryOutputFile& output, std::uint64_t position, unsigned int length) {
  // Only the plain reader: every other one decodes or gathers what it hands over.
  if (!m_kernelCopy || m_reader == nullptr || typeid(*m_reader) != typeid(CFileReader) || !output.IsOpen()) return 0;
  bool unsupported = false;
  const std::uint64_t copied = static_cast<CFileReader*>(m_reader)->CopyToFile(
      static_cast<long long>(position), length, output.Descriptor(), static_cast<long long>(position), unsupported);
  if (unsupported) m_kernelCopy = false;
  return static_cast<unsigned int>(std::min<std::uint64_t>(copied, length));
}

CDataRecovery::ChunkCopy CDataRecovery::CopyChunk(RecoveryOutputFile& output, std::uint64_t position,
                                                  unsigned int length) {
  ChunkCopy copy;
  if (m_piece.data() == nullptr) {
    try {
      m_piece = quellsy::RawReadBuffer(kPieceSize);
    } catch (const std::bad_alloc&) {
      copy.readFailed = true;
      copy.error = ENOMEM;
      return copy;
    }
  }
  unsigned int offset = KernelCopy(output, position, length);
  copy.got = offset;
  for (; offset < length;) {
    const unsigned int piece = std::min<unsigned int>(kPieceSize, length - offset);
    const std::uint64_t at = position + offset;
    int error = 0;
    quellsy::ClearLastRawReadError();
    const unsigned int got =
        std::min(piece, m_reader->ReadDataInto(static_cast<long long>(at), m_piece, 0, piece, &error));
    // A failed read costs the whole chunk; runs that simply end leave zeros after what they held.
    if (error != 0 || (got == 0 && offset == 0)) {
      copy.readFailed = true;
      copy.error = quellsy::LastRawReadError();
      if (offset > 0 && !output.Resize(position)) copy.writeFailed = true;
      return copy;
    }
    if (got > 0 && !output.WriteAt(at, m_piece.data(), got)) {
      copy.writeFailed = true;
      return copy;
    }
    copy.got += got;
    if (got < piece) break;
    offset += piece;
  }
  return copy;
}

ResultCode CDataRecovery::CopyChunks(RecoveryOutputFile& output, IProgress* progress, int byteLimit) {
  _PROGRESS_INFO info{};
  info.status = PROGRESS_STATUS_RUNNING;
  const long long size = m_reader->GetDataSize();
  const auto total = static_cast<std::uint64_t>(byteLimit > 0 ? std::min<long long>(byteLimit, size) : size);
  info.total = total;
  info.current = 0;
  bool gaps = false;
  bool gaveUp = false;
  bool full = false;
  int failedWrites = 0;
  UnreadableRange unreadable;
  while (info.current < total) {
    if (progress != nullptr && progress->Continued() == 0) break;
    const auto length = static_cast<unsigned int>(std::min<std::uint64_t>(kChunkSize, total - info.current));
    info.result = 0;
    const ChunkCopy copy = CopyChunk(output, info.current, length);
    if (!copy.readFailed || copy.writeFailed) LogUnreadable(unreadable);
    if (copy.readFailed && !copy.writeFailed) {
      if (unreadable.to == unreadable.from) unreadable = {info.current, info.current, copy.error, DeviceError()};
      unreadable.to = info.current + length;
      gaps = true;
      info.current += length;
    } else if (copy.writeFailed) {
      m_lastWriteError = output.LastError();
      CatchExeception::WriteLog("%s:%d write failed with %s\n", "RecoverTo", __LINE__,
                                std::strerror(output.LastError()));
      // A full destination stays full: no retry, and the caller stops instead of failing every later file.
      full = IsNoSpace(output.LastError());
      info.result = full ? kRecoverNoSpace : kRecoverShortWrite;
      // Undo the partial chunk so that a retry cannot leave its bytes twice.
      const bool reopened = output.Reopen() && output.Resize(info.current);
      gaveUp = full || !reopened || ++failedWrites >= kMaxWriteAttempts;
    } else {
      failedWrites = 0;
      gaps = gaps || copy.got < length;
      info.current += length;
    }
    if (progress != nullptr) progress->UpdateProgress(&info);
    if (gaveUp) break;
  }
  LogUnreadable(unreadable);
  // Gaps read as zeros, the last chunk's included: the file gets its full length.
  if (!gaveUp && !output.Resize(info.current)) {
    gaveUp = true;
    m_lastWriteError = output.LastError();
    full = IsNoSpace(output.LastError());
  }
  if (full) return kRecoverNoSpace;
  if (gaveUp) return kRecoverShortWrite;
  if (info.current < total) return kRecoverStopped;
  return gaps ? kRecoverPartial : quellsy::kResultOk;
}

quellsy::ResultCode CDataRecovery::DeviceError() const {
  return m_device != nullptr ? m_device->GetLastError() : quellsy::kResultOk;
}

void CDataRecovery::LogUnreadable(UnreadableRange& range) const {
  if (range.to == range.from) return;
  const std::string reason = range.error != 0                  ? std::string(std::strerror(range.error))
                             : quellsy::IsFailure(range.device) ? quellsy::DescribeResult(range.device)
                                                                : std::string("its data could not be read");
  const char* name = m_node != nullptr && m_node->GetFileName() != nullptr ? m_node->GetFileName() : "";
  CatchExeception::WriteLog("RecoverTo: %s file bytes %llu-%llu unreadable, left as zeros: %s\r\n", name,
                            static_cast<unsigned long long>(range.from), static_cast<unsigned long long>(range.to),
                            reason.c_str());
  range = {};
}

int CDataRecovery::ChangeFileCreateTs(const char* path, unsigned long long fileTime) {
  if (path == nullptr) return -1;
  const timespec times[2] = {{0, UTIME_OMIT}, quellsy::FileTimeToTimespec(fileTime)};
  return utimensat(AT_FDCWD, path, times, AT_SYMLINK_NOFOLLOW);
}

void CDataRecovery::SetTimes(const char* path) {
  if (m_nodeTime == 0) return;
  ChangeFileCreateTs(path, m_nodeTime);
  if (m_destination.empty() || m_node == nullptr) return;
  // The destination mirrors the node's ancestors: each folder above the file takes its ancestor's time, up to but
  // not including the destination itself.
  std::filesystem::path folder = std::filesystem::path(path).lexically_normal();
  IFileNode* ancestor = m_node->GetParent();
  for (int depth = 0; ancestor != nullptr && depth < kMaxTreeDepth; ++depth, ancestor = ancestor->GetParent()) {
    folder = folder.parent_path();
    if (!IsInside(folder, m_destination)) break;
    const unsigned long long time = ancestor->GetCreationTime();
    if (time != 0) ChangeFileCreateTs(folder.c_str(), time);
  }
}

unsigned int CDataRecovery::ReadSmallJPG(char* out, unsigned int capacity) {
  autolocker<mutex_locker> hold(m_lock);
  if (out == nullptr || capacity < kPreviewBytes || m_reader == nullptr || m_reader->GetDataSize() < kPreviewBytes)
    return 0;
  // Bytes the reader does not deliver stay zeros, never a previous file's.
  m_preview.assign(kPreviewBytes, 0);
  auto* compressed = m_ntfsCompressed != 0 ? dynamic_cast<CCompressFileReader*>(m_reader) : nullptr;
  if (compressed != nullptr) {
    if (!compressed->Recovery(m_preview.data(), kPreviewBytes, nullptr) || compressed->GetWrittenCount() == 0)
      return 0;
  } else if (m_reader->ReadData(0, m_preview.data(), kPreviewBytes, nullptr) == 0) {
    return 0;
  }
  const auto* bytes = reinterpret_cast<const unsigned char*>(m_preview.data());
  bool started = false;
  unsigned int start = 0;
  unsigned int end = 0;
  for (unsigned int i = 4; i < kPreviewBytes - 4; ++i) {
    if (!started) {
      if (bytes[i] == 0xFF && bytes[i + 1] == 0xD8 && bytes[i + 2] == 0xFF) {
        started = true;
        start = i;
        i += 2000;
      }
    } else if (bytes[i] == 0xFF && bytes[i + 1] == 0xD9) {
      end = i + 4;
      break;
    }
  }
  const unsigned int length = end - start;
  if (length < 1 || length >= kPreviewBytes) return 0;
  std::memcpy(out, bytes + start, length);
  return length;
}
