// Throughput of the complete scan's block loop (read-ahead device, controller, no-op searchers) against a plain
// sequential read of the same image file, on a warm page cache. The image is QUELLSY_BENCH_IMAGE, or a 512 MiB
// file of pattern bytes made in the temporary folder on first use.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "NoOpSearcher.h"
#include "RecoveryController/CompleteRecoveryController.h"
#include "RecoveryController/RecoveryController.h"
#include "StorageDevice/StorageDeviceFactory.h"
#include "StorageDevice/StorageDeviceWithCache.h"
#include "Utility/RawRead.h"
#include "include/EngineRegistry.h"
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

std::int64_t ImageBytes() { return static_cast<std::int64_t>(std::filesystem::file_size(ImagePath())); }

// The reference: read the file front to back in 4 MiB pieces, as cat does.
void BM_PlainSequentialRead(benchmark::State& state) {
  std::vector<char> buffer(kChunk);
  for (auto _ : state) {
    const int fd = open(ImagePath().c_str(), O_RDONLY);
    while (read(fd, buffer.data(), buffer.size()) > 0) benchmark::DoNotOptimize(buffer.data());
    close(fd);
  }
  state.SetBytesProcessed(state.iterations() * ImageBytes());
}

// The same through cat, a separate process writing to /dev/null.
void BM_CatToDevNull(benchmark::State& state) {
  const std::string command = "cat '" + ImagePath() + "' > /dev/null";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("cat failed");
  }
  state.SetBytesProcessed(state.iterations() * ImageBytes());
}

// The one raw-read routine every device read goes through, front to back in 4 MiB pieces into one buffer.
void BM_RawReadRoutine(benchmark::State& state) {
  std::vector<std::vector<char>> buffers(static_cast<std::size_t>(state.range(0)), std::vector<char>(kChunk));
  const long long size = ImageBytes();
  for (auto _ : state) {
    const int fd = open(ImagePath().c_str(), O_RDONLY);
    std::size_t next = 0;
    for (long long offset = 0; offset < size; offset += static_cast<long long>(kChunk)) {
      KDReadAsyncData(buffers[next++ % buffers.size()].data(), fd, offset, static_cast<long long>(kChunk));
    }
    close(fd);
  }
  state.SetBytesProcessed(state.iterations() * ImageBytes());
}

// The same into lent buffers, filled in place with no copy.
void BM_RawReadRoutineInPlace(benchmark::State& state) {
  std::vector<quellsy::RawReadBuffer> buffers;
  for (long long i = 0; i < state.range(0); ++i) buffers.emplace_back(kChunk);
  const long long size = ImageBytes();
  for (auto _ : state) {
    const int fd = open(ImagePath().c_str(), O_RDONLY);
    std::size_t next = 0;
    for (long long offset = 0; offset < size; offset += static_cast<long long>(kChunk)) {
      KDReadAsyncDataInto(buffers[next++ % buffers.size()], fd, offset, static_cast<long long>(kChunk));
    }
    close(fd);
  }
  state.SetBytesProcessed(state.iterations() * ImageBytes());
}

// The read-ahead device alone: every block taken in order, nothing looked at.
void BM_ReadAheadDevice(benchmark::State& state) {
  const std::unique_ptr<IStorageDevice> volume(CreateVolumeDevice(ImagePath().c_str()));
  volume->Open(nullptr);
  const unsigned blockSize = CCompleteRecoveryController::BlockSizeFor(volume->GetSectorSize());
  for (auto _ : state) {
    CStorageDeviceWithCache cache(volume.get());
    cache.SetBlockSize(blockSize);
    cache.BeginCache();
    for (long long block = 0; cache.SetCurCacheBlock(block); ++block) {
    }
    cache.EndCache();
  }
  state.SetBytesProcessed(state.iterations() * ImageBytes());
}

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

// The whole complete scan with a no-op searcher in each of the six places: controller, read-ahead and block loop.
void BM_BlockLoopNoOpSearchers(benchmark::State& state) {
  auto& registry = quellsy::EngineRegistry::Instance();
  registry.Reset();
  for (const _tagSearcherType type : CCompleteRecoveryController::kSearcherOrder) {
    registry.RegisterCompleteSearcher(type, [] { return new CNoOpSearcher(); });
  }
  const std::unique_ptr<IStorageDevice> volume(CreateVolumeDevice(ImagePath().c_str()));
  volume->Open(nullptr);
  AcceptAll filter;
  GoOnProgress progress;
  DropTree tree;
  for (auto _ : state) {
    IRecoveryController* controller = CreateRecoveryController(RECOVERY_CONTROLLER_COMPLETE_VOLUME);
    controller->Initialize(&filter);
    if (controller->StartDataRecovery(volume.get(), &progress, &tree) != 0) state.SkipWithError("scan failed");
    controller->Release();
  }
  registry.Reset();
  state.SetBytesProcessed(state.iterations() * ImageBytes());
}

void WarmUp(benchmark::State& state) {
  BM_PlainSequentialRead(state);
}

}  // namespace

BENCHMARK(WarmUp)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainSequentialRead)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_CatToDevNull)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_RawReadRoutine)->Arg(1)->Arg(12)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_RawReadRoutineInPlace)->Arg(1)->Arg(12)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_ReadAheadDevice)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_BlockLoopNoOpSearchers)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

BENCHMARK_MAIN();
