// The reader of scan-result files on arbitrary bytes: the header checks, the controller and device frames, and
// the restore sink delivering roots, partition records and nodes to a builder. The bytes go into an in-memory
// file, as the reader only reads files.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FileArchive/CRSData.h"
#include "FileArchive/ScanResultFile.h"
#include "FileArchive/ScanResultRestoreSink.h"
#include "FuzzKeepingBuilder.h"
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

// Every delivered node must be whole: a name that ends, a run list that can be walked.
class CheckingBuilder final : public FuzzKeepingBuilder {
 protected:
  void Check(IFileNode& node) override {
    if (node.GetFileName() == nullptr || node.IsNodeShow() != 1) std::abort();
    if (IDataRunList* runs = node.GetDataRunList())
      for (DataRun* run = runs->GetFirst(); run != nullptr; run = runs->GetNext()) (void)run->length;
  }
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

  CheckingBuilder builder;
  GoOn progress;
  SaveRestoreResult::ScanResultRestoreSink sink(archive, [](IStorageDevice*) {
    SaveRestoreResult::RestoreTarget target;
    target.wholeDisk = true;
    return target;
  });
  sink.SetDirecotryTreeBuilder(&builder, &progress, nullptr);
  if (sink.NodesDelivered() != builder.nodes().size()) std::abort();
  for (int searcher = 31; searcher <= 38; ++searcher)
    for (CSearchedPartitionInfo* record : sink.GetSearchedPartition(searcher))
      if (record == nullptr) std::abort();
  archive.EndRS();
  return 0;
}
