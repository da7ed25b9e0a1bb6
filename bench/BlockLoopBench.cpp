// Throughput of the complete scan's block loop (read-ahead device, controller, searchers that only count) against
// a plain sequential read of the same image file, all in this process and timed the same way (wall clock), on a
// warm page cache. Every benchmark counts the bytes it actually read and fails on a short read or an open that
// fails. The image is QUELLSY_BENCH_IMAGE, or a 512 MiB file of pattern bytes made in the temporary folder.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "RecoveryController/CompleteRecoveryController.h"
#include "RecoveryController/RecoveryController.h"
#include "StorageDevice/StorageDeviceFactory.h"
#include "StorageDevice/StorageDeviceWithCache.h"
#include "Utility/RawRead.h"
#include "include/EngineRegistry.h"
#include "include/IFileSystemSearchController.h"
#include "include/IProgress.h"
#include "include/IRecoveryFilter.h"

namespace {

constexpr std::size_t kChunk = 4u << 20;
constexpr std::uintmax_t kDefaultImageBytes = 512ULL << 20;

// Path of the image, made once and read once so that every benchmark starts on a warm page cache.
const std::string& ImagePath() {
  static const std::string path = [] {
    if (const char* given = std::getenv("QUELLSY_BENCH_IMAGE")) return std::string(given);
    const std::string made = (std::filesystem::temp_directory_path() / "quellsy-bench.img").string();
    std::error_code error;
    if (std::filesystem::file_size(made, error) != kDefaultImageBytes) {
      std::ofstream out(made, std::ios::binary | std::ios::trunc);
      std::vector<char> chunk(kChunk);
      std::uint32_t state = 12345;
      for (std::uintmax_t written = 0; written < kDefaultImageBytes; written += kChunk) {
        for (char& byte : chunk) byte = static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
        out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
      }
    }
    return made;
  }();
  return path;
}

// The image's size; 0 (and the benchmark marked failed) when it is missing or empty.
std::int64_t ImageBytes(benchmark::State& state) {
  std::error_code error;
  const auto size = std::filesystem::file_size(ImagePath(), error);
  if (error || size == 0) {
    state.SkipWithError(("no image at " + ImagePath()).c_str());
    return 0;
  }
  return static_cast<std::int64_t>(size);
}

// The image opened for reading; -1 (and the benchmark marked failed) when it cannot be.
int OpenImage(benchmark::State& state) {
  const int fd = open(ImagePath().c_str(), O_RDONLY);
  if (fd < 0) state.SkipWithError(("cannot open " + ImagePath()).c_str());
  return fd;
}

// Reports the bytes the rounds actually read; anything short of the whole image each round fails the benchmark,
// so a read that stops early can never show up as a huge rate. rounds counts the rounds begun (a round that
// breaks off early is not yet counted by the library).
void Account(benchmark::State& state, std::int64_t read, std::int64_t rounds, std::int64_t imageBytes) {
  const std::int64_t expected = rounds * imageBytes;
  if (read != expected) {
    state.SkipWithError(("short read: " + std::to_string(read) + " of " + std::to_string(expected) + " bytes in " +
                         std::to_string(rounds) + " rounds").c_str());
  }
  state.SetBytesProcessed(read);
  state.counters["bytes_read"] = benchmark::Counter(static_cast<double>(read) / static_cast<double>(std::max<std::int64_t>(rounds, 1)));
}

// The reference: read the file front to back in 4 MiB pieces, as cat does.
void BM_PlainSequentialRead(benchmark::State& state) {
  const std::int64_t size = ImageBytes(state);
  if (size == 0) return;
  std::vector<char> buffer(kChunk);
  std::int64_t read = 0;
  std::int64_t rounds = 0;
  for (auto _ : state) {
    ++rounds;
    const int fd = OpenImage(state);
    if (fd < 0) break;
    std::int64_t got = 0;
    for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;) {
      got += n;
      benchmark::DoNotOptimize(buffer.data());
    }
    close(fd);
    read += got;
    if (got != size) break;
  }
  Account(state, read, rounds, size);
}

// The one raw-read routine every device read goes through, front to back in 4 MiB pieces, with state.range(0)
// buffers taken in turn. read(buffer, fd, offset, length) returns the bytes it read, 0 on failure.
template <typename Buffers, typename Read>
void ReadThroughRawRoutine(benchmark::State& state, Buffers& buffers, Read read) {
  const std::int64_t size = ImageBytes(state);
  if (size == 0) return;
  std::int64_t total = 0;
  std::int64_t rounds = 0;
  for (auto _ : state) {
    ++rounds;
    const int fd = OpenImage(state);
    if (fd < 0) break;
    std::size_t next = 0;
    std::int64_t got = 0;
    for (std::int64_t offset = 0; offset < size; offset += static_cast<std::int64_t>(kChunk)) {
      const long long length = std::min<std::int64_t>(static_cast<std::int64_t>(kChunk), size - offset);
      const long long n = read(buffers[next++ % buffers.size()], fd, offset, length);
      if (n != length) break;
      got += n;
    }
    close(fd);
    total += got;
    if (got != size) break;
  }
  Account(state, total, rounds, size);
}

void BM_RawReadRoutine(benchmark::State& state) {
  std::vector<std::vector<char>> buffers(static_cast<std::size_t>(state.range(0)), std::vector<char>(kChunk));
  ReadThroughRawRoutine(state, buffers, [](std::vector<char>& buffer, int fd, long long offset, long long length) {
    return KDReadAsyncData(buffer.data(), fd, offset, length);
  });
}

// The same into lent buffers, filled in place with no copy.
void BM_RawReadRoutineInPlace(benchmark::State& state) {
  std::vector<quellsy::RawReadBuffer> buffers;
  for (long long i = 0; i < state.range(0); ++i) buffers.emplace_back(kChunk);
  ReadThroughRawRoutine(state, buffers, [](quellsy::RawReadBuffer& buffer, int fd, long long offset, long long length) {
    return KDReadAsyncDataInto(buffer, fd, offset, length);
  });
}

// The image as the volume device a scan reads; null (and the benchmark marked failed) when it does not open.
std::unique_ptr<IStorageDevice> OpenVolume(benchmark::State& state) {
  std::unique_ptr<IStorageDevice> volume(CreateVolumeDevice(ImagePath().c_str()));
  if (volume == nullptr || !volume->Open(nullptr)) {
    state.SkipWithError(("cannot open " + ImagePath() + " as a volume").c_str());
    return nullptr;
  }
  return volume;
}

// The read-ahead device alone: every block taken in order, nothing looked at. Only the blocks that arrived count.
void BM_ReadAheadDevice(benchmark::State& state) {
  const std::int64_t size = ImageBytes(state);
  const auto volume = size == 0 ? nullptr : OpenVolume(state);
  if (volume == nullptr) return;
  const long long sectorSize = volume->GetSectorSize();
  const long long totalSectors = volume->GetTotalSectors();
  const unsigned blockSize = CCompleteRecoveryController::BlockSizeFor(volume->GetSectorSize());
  std::int64_t read = 0;
  std::int64_t rounds = 0;
  for (auto _ : state) {
    ++rounds;
    CStorageDeviceWithCache cache(volume.get());
    cache.SetBlockSize(blockSize);
    cache.BeginCache();
    long long sectors = 0;
    for (long long block = 0; cache.TakeBlock(block) != nullptr; ++block) {
      sectors += std::min<long long>(blockSize, totalSectors - block * blockSize);
    }
    cache.EndCache();
    read += sectors * sectorSize;
    if (sectors != totalSectors) break;
  }
  Account(state, read, rounds, totalSectors * sectorSize);
}

// A complete searcher that looks at nothing but counts the sectors the block loop handed it.
class CountingSearcher final : public ICompleteFileSystemSearchController {
 public:
  explicit CountingSearcher(long long& sectors) : m_sectors(sectors) {}
  void SetDirecotryTreeBuilder(IDirecotryTreeBuilder*) override {}
  int GetSearchedPartitionInfo(CSearchedPartitionInfo**, int) override { return 0; }
  void SetDevice(IStorageDevice*) override {}
  void SetBlockSize(int) override {}
  void PreparetoSearch() override {}
  void AnalyzeBlock(long long, long long sectorCount) override { m_sectors += sectorCount; }

 private:
  long long& m_sectors;
};

class GoOnProgress final : public IProgress {
 public:
  void UpdateProgress(_PROGRESS_INFO*) override {}
  int Continued() override { return 1; }
  int shouldBuild() override { return 1; }
};

class AcceptAll final : public IRecoveryFilter {
 public:
  int ShowNormalFiles() const override { return 1; }
  void SetScanType(_SCAN_TYPE) override {}
  int IsFileNodeValid(IFileNode*) override { return 1; }
  void SetFilterTypes(unsigned int) override {}
  _FILTER_TYPE GetNodeFileType(IFileNode*) override { return FILTER_TYPE_OTHER; }
  void Release() override {}
};

class DropTree final : public IDrirectoryTree {
 public:
  void ShowNodes(IFileNode**, unsigned int, int) override {}
  void ShowFilesystemNode(IFilesystemNode*) override {}
};

// The whole complete scan with a counting searcher in each of the six places: controller, read-ahead and block
// loop. Each searcher must have been handed every sector once.
void BM_BlockLoopNoOpSearchers(benchmark::State& state) {
  const std::int64_t size = ImageBytes(state);
  const auto volume = size == 0 ? nullptr : OpenVolume(state);
  if (volume == nullptr) return;
  const long long sectorSize = volume->GetSectorSize();
  const long long totalSectors = volume->GetTotalSectors();
  const long long places = static_cast<long long>(std::size(CCompleteRecoveryController::kSearcherOrder));
  static long long sectors = 0;
  auto& registry = quellsy::EngineRegistry::Instance();
  registry.Reset();
  for (const _tagSearcherType type : CCompleteRecoveryController::kSearcherOrder) {
    registry.RegisterCompleteSearcher(type, [] { return new CountingSearcher(sectors); });
  }
  AcceptAll filter;
  GoOnProgress progress;
  DropTree tree;
  std::int64_t read = 0;
  std::int64_t rounds = 0;
  for (auto _ : state) {
    ++rounds;
    sectors = 0;
    IRecoveryController* controller = CreateRecoveryController(RECOVERY_CONTROLLER_COMPLETE_VOLUME);
    controller->Initialize(&filter);
    const bool scanned = controller->StartDataRecovery(volume.get(), &progress, &tree) == 0;
    controller->Release();
    if (!scanned) {
      state.SkipWithError("scan failed");
      break;
    }
    // What one searcher saw is what the block loop read.
    read += sectors / places * sectorSize;
    if (sectors != totalSectors * places) break;
  }
  registry.Reset();
  Account(state, read, rounds, totalSectors * sectorSize);
}

void WarmUp(benchmark::State& state) { BM_PlainSequentialRead(state); }

}  // namespace

BENCHMARK(WarmUp)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainSequentialRead)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_RawReadRoutine)->Arg(1)->Arg(12)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_RawReadRoutineInPlace)->Arg(1)->Arg(12)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_ReadAheadDevice)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_BlockLoopNoOpSearchers)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

BENCHMARK_MAIN();
