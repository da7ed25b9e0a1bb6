#include "FileArchive/ScanResultRecords.h"

#include <cstring>
#include <vector>

#include "FileArchive/RestoreFileNode.h"
#include "FileArchive/ScanResultFrames.h"
#include "include/DataRunList.h"
#include "include/FileNode.h"
#include "include/FrameFields.h"
#include "include/IRSData.h"
#include "include/SearchPartitionInfoStruct.h"

namespace SaveRestoreResult {
namespace {

void RequireLength(std::uint64_t length, std::uint32_t limit) {
  if (length > limit) throw CRSException(CRSException::kBadRecord);
}

std::vector<DataRun> RunsOf(IDataRunList* list) {
  std::vector<DataRun> runs;
  if (list == nullptr) return runs;
  for (DataRun* run = list->GetFirst(); run != nullptr; run = list->GetNext()) runs.push_back(*run);
  return runs;
}

}  // namespace

void WriteFileNode(FrameWriter& out, IFileNode& node) {
  const char* name = node.GetFileName() != nullptr ? node.GetFileName() : "";
  const std::size_t nameLength = std::strlen(name);
  RequireLength(nameLength, kMaxNodeName);
  IDataRunList* list = node.GetDataRunList();
  const std::vector<DataRun> runs = RunsOf(list);
  auto* common = dynamic_cast<CFileNode*>(&node);

  out.U64(static_cast<std::uint64_t>(node.GetCurrentNodeID()));
  out.U64(static_cast<std::uint64_t>(node.GetParentNodeID()));
  out.U64(static_cast<std::uint64_t>(node.GetFileSize()));
  out.U16(node.GetAttribute());
  out.U64(node.GetCreationTime());
  out.U64(node.GetModificationTime());
  out.U64(node.GetLastAccessTime());
  out.U32(static_cast<std::uint32_t>(node.IsDirectory()));
  out.U32(static_cast<std::uint32_t>(node.IsDeleted()));
  out.Length(runs.size());
  out.U32(list != nullptr ? static_cast<std::uint32_t>(list->IsResident()) : 0);
  for (const DataRun& run : runs) {
    out.U64(static_cast<std::uint64_t>(run.lcn));
    out.U64(static_cast<std::uint64_t>(run.length));
  }
  out.U32(static_cast<std::uint32_t>(nameLength));
  out.Bytes(name, static_cast<std::uint32_t>(nameLength));
  out.U32(static_cast<std::uint32_t>(node.IsNodeShow()));
  out.U16(common != nullptr ? common->GetBelongedPartition() : 0);
  out.U64(static_cast<std::uint64_t>(common != nullptr ? common->GetMetadataStartPosition() : 0));
  out.U32(static_cast<std::uint32_t>(node.IsCompressed()));
}

void WriteSystemNode(FrameWriter& out, IFileNode& root) {
  WriteFileNode(out, root);
  const auto* system = dynamic_cast<IFilesystemNode*>(&root);
  const char* volume = system != nullptr && system->GetVolumeName() != nullptr ? system->GetVolumeName() : "";
  const std::size_t length = std::strlen(volume);
  RequireLength(length, kMaxVolumeName);
  out.U32(static_cast<std::uint32_t>(root.GetSearcheType()));
  out.U32(static_cast<std::uint32_t>(length));
  out.Bytes(volume, static_cast<std::uint32_t>(length));
}

void WritePartition(FrameWriter& out, const CSearchedPartitionInfo& partition) {
  const int type = partition.GetType();
  if (type < 0 || static_cast<std::uint32_t>(type) > kMaxPartitionType) throw CRSException(CRSException::kBadRecord);
  std::uint8_t image[CSearchedPartitionInfo::kStoredSize];
  partition.WriteStoredImage(image);
  out.U32(static_cast<std::uint32_t>(type));
  out.Bytes(image, sizeof image);
}

void ReadFileNode(FrameReader& in, RestoreFileNode& node) {
  node.SetCurrentNodeID(static_cast<long long>(in.U64()));
  node.SetParentNodeID(static_cast<long long>(in.U64()));
  node.SetFileSize(static_cast<long long>(in.U64()));
  node.SetAttribute(in.U16());
  const std::uint64_t created = in.U64();
  const std::uint64_t modified = in.U64();
  node.SetTimes(created, modified, in.U64());
  node.SetDirectory(in.U32() != 0 ? 1 : 0);
  node.SetDeleted(in.U32() != 0 ? 1 : 0);
  const std::uint32_t runCount = in.U32();
  const std::uint32_t resident = in.U32();
  if (runCount != 0) {
    auto* list = new CDataRunList();
    node.SetDataRunList(list);
    list->SetResident(resident != 0);
    // Runs go in one by one: a count larger than the frame ends in a short read, never in a large allocation.
    for (std::uint32_t i = 0; i < runCount; ++i) {
      DataRun run;
      run.lcn = static_cast<long long>(in.U64());
      run.length = static_cast<long long>(in.U64());
      list->AddDataRun(&run);
    }
  }
  const std::uint32_t nameLength = in.U32();
  RequireLength(nameLength, kMaxNodeName);
  node.SetName(in.Text(nameLength));
  in.U32();  // the saved shown flag: every restored node is shown
  node.ShowNode(1);
  node.SetBelongedPartition(in.U16());
  node.SetMetaDataSector(static_cast<long long>(in.U64()));
  node.SetCompressed(in.U32() != 0);
}

std::unique_ptr<RestoreSystemNode> ReadSystemNode(FrameReader& in) {
  auto root = std::make_unique<RestoreSystemNode>();
  ReadFileNode(in, *root);
  root->SetSearcheType(static_cast<_tagSearcherType>(in.U32()));
  const std::uint32_t length = in.U32();
  RequireLength(length, kMaxVolumeName);
  root->SetVolumeName(in.Text(length));
  return root;
}

std::unique_ptr<CSearchedPartitionInfo> ReadPartition(FrameReader& in) {
  if (in.U32() > kMaxPartitionType) return nullptr;
  std::uint8_t image[CSearchedPartitionInfo::kStoredSize];
  in.Bytes(image, sizeof image);
  auto partition = std::make_unique<CSearchedPartitionInfo>(512);
  partition->ReadStoredImage(image);
  partition->SetPrivateData(0);
  return partition;
}

}  // namespace SaveRestoreResult
