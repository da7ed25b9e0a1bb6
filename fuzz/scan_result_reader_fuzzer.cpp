// The reader of scan-result files on arbitrary bytes: the header checks, the controller and device frames, and
// the restore sink delivering roots, partition records and nodes to a builder, with the checks that keep a
// restored file's copy inside its volume: no delivered file may read past the device or be larger than what
// holds it. The bytes go into an in-memory file, as the reader only reads files.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DataRecovery/DataRecovery.h"
#include "DataRecovery/FileReader.h"
#include "FileArchive/CRSData.h"
#include "FileArchive/ScanResultFile.h"
#include "FileArchive/ScanResultRestoreSink.h"
#include "FuzzBytesDevice.h"
#include "FuzzKeepingBuilder.h"
#include "include/FileNode.h"
#include "include/IDataRunList.h"
#include "include/IProgress.h"
#include "include/SearchPartitionInfoStruct.h"

namespace {

class GoOn final : public IProgress {
 public:
  void UpdateProgress(_PROGRESS_INFO*) override {}
  int Continued() override { return 1; }
  int shouldBuild() override { return 1; }
};

// The device the restored files are read from: 8 MiB, which holds the seeds' partitions.
constexpr unsigned kSectorBytes = 512;
constexpr long long kDeviceSectors = 16384;

// A delivered file reads only sectors of the device, through the record a copy picks from the records read so
// far, and is no larger than the device unless sparse runs (which read nothing) make it so.
void CheckCopyStaysInside(CFileNode& node, CDataRecovery& recovery) {
  if (node.IsDirectory() != 0 || node.GetFileSize() == 0) return;
  if (node.GetFileSize() < 0) std::abort();
  const CSearchedPartitionInfo* record = recovery.GetNodePartition(&node);
  if (record == nullptr) std::abort();
  IDataRunList* runs = node.GetDataRunList();
  if (runs != nullptr && runs->IsResident() != 0) {
    if (static_cast<unsigned long long>(node.GetFileSize()) > CFileReader::kMaxResidentBytes) std::abort();
    return;
  }
  bool sparse = false;
  for (DataRun* run = runs != nullptr ? runs->GetFirst() : nullptr; run != nullptr; run = runs->GetNext()) {
    if (run->lcn < 0) {
      sparse = true;
      continue;
    }
    const __int128 perCluster = record->GetSectorsPerCluster();
    const __int128 first = run->lcn * perCluster + record->GetClusterOrigin();
    const __int128 end = first + run->length * perCluster;
    if (run->length < 0 || first < 0 || end > kDeviceSectors) std::abort();
  }
  if (!sparse && node.GetFileSize() > kDeviceSectors * kSectorBytes) std::abort();
}

// Every delivered node must be whole (a name that ends, a run list that can be walked) and its copy must stay
// inside the device.
class CheckingBuilder final : public FuzzKeepingBuilder {
 public:
  using Records = std::function<std::vector<CSearchedPartitionInfo*>&(int searcher)>;
  CheckingBuilder(Records records, IStorageDevice& device) : records_(std::move(records)), device_(device) {}

  int AddNode(IFileNode* node, _tagSearcherType searcher) override {
    auto* file = dynamic_cast<CFileNode*>(node);
    if (file == nullptr) std::abort();
    std::vector<CSearchedPartitionInfo*>& records = records_(searcher);
    Picker& picker = pickers_[searcher];
    if (!picker.recovery || picker.records != records.size()) {
      picker.recovery = std::make_unique<CDataRecovery>();
      picker.recovery->Initialize(records, &device_);
      picker.records = records.size();
    }
    CheckCopyStaysInside(*file, *picker.recovery);
    return FuzzKeepingBuilder::AddNode(node, searcher);
  }

 protected:
  void Check(IFileNode& node) override {
    if (node.GetFileName() == nullptr || node.IsNodeShow() != 1) std::abort();
    if (IDataRunList* runs = node.GetDataRunList())
      for (DataRun* run = runs->GetFirst(); run != nullptr; run = runs->GetNext()) (void)run->length;
  }

 private:
  // Records are only ever added: a picker made from as many as there are now picks as the sink's check did.
  struct Picker {
    std::unique_ptr<CDataRecovery> recovery;
    std::size_t records = 0;
  };
  Records records_;
  IStorageDevice& device_;
  std::map<int, Picker> pickers_;
};

int MemoryFile() {
  static const int fd = memfd_create("scan-result", 0);
  return fd;
}

template <typename Call>
void Quietly(Call call) {
  try {
    call();
  } catch (const CRSException&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const int fd = MemoryFile();
  if (fd < 0 || ftruncate(fd, 0) != 0) return 0;
  std::size_t done = 0;
  while (done < size) {
    const ssize_t put = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
    if (put <= 0) return 0;
    done += static_cast<std::size_t>(put);
  }
  const std::string path = "/proc/self/fd/" + std::to_string(fd);

  CRSData archive(RS_MODE_READ);
  if (!archive.StartRS(path.c_str(), 0)) return 0;
  archive.CheckFile();
  FILEHEADER header;
  archive.ReadFileHeader(header);
  Quietly([&] { archive.GetStatus(); });
  char description[32];
  Quietly([&] { archive.GetFileDescription(description, sizeof description); });
  Quietly([&] { SaveRestoreResult::ReadControllerList(archive); });
  Quietly([&] { SaveRestoreResult::ReadDiskDevice(archive); });

  static FuzzBytesDevice device(std::vector<std::uint8_t>(kDeviceSectors * kSectorBytes), kSectorBytes);
  GoOn progress;
  SaveRestoreResult::ScanResultRestoreSink sink(archive, [](IStorageDevice*) {
    SaveRestoreResult::RestoreTarget target;
    target.wholeDisk = true;
    return target;
  });
  // The records read so far: what the sink checked the node against.
  CheckingBuilder builder([&sink](int searcher) -> std::vector<CSearchedPartitionInfo*>& {
    return sink.GetSearchedPartition(searcher, &device);
  }, device);
  sink.SetDirecotryTreeBuilder(&builder, &progress, &device);
  if (sink.NodesDelivered() != builder.nodes().size()) std::abort();
  for (int searcher = 31; searcher <= 38; ++searcher)
    for (CSearchedPartitionInfo* record : sink.GetSearchedPartition(searcher, &device))
      if (record == nullptr) std::abort();
  archive.EndRS();
  return 0;
}
