#include "EngineCli.h"

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <ostream>
#include <system_error>

#include "CollectingTreeSink.h"
#include "NoOpSearcher.h"
#include "NodeReport.h"
#include "RecoveryController/CompleteRecoveryController.h"
#include "RecoveryController/RecoveryController.h"
#include "RecoveryFilter/RecoveryFilter.h"
#include "StorageDevice/DeviceDataHolder.h"
#include "StorageDevice/PartitionVirtualVolumeDevice.h"
#include "StorageDevice/StorageDeviceFactory.h"
#include "VolumeAnalyze/VolumeAnalyzeController.h"
#include "include/EngineRegistry.h"
#include "include/IDataRecovery.h"
#include "include/IFileNode.h"
#include "include/IVolumeAnalyze.h"

namespace {

namespace fs = std::filesystem;

struct ControllerDeleter {
  void operator()(IRecoveryController* controller) const { controller->Release(); }
};
struct RecoveryDeleter {
  void operator()(IDataRecovery* recovery) const { recovery->Release(); }
};

// Never stops and always builds the trees; keeps the failure a searcher's final record carries.
class CliProgress final : public IProgress {
 public:
  void UpdateProgress(_PROGRESS_INFO* info) override {
    if (info->status == PROGRESS_STATUS_FINISHED && quellsy::IsFailure(info->result)) failure = info->result;
  }
  int Continued() override { return 1; }
  int shouldBuild() override { return 1; }

  quellsy::ResultCode failure = quellsy::kResultOk;
};

// The image as a volume device (from offsetSectors on), with a volume record that says what file system the
// volume analysers found.
class ScannedImage {
 public:
  bool Open(const EngineCliOptions& options, std::ostream& err) {
    m_image.reset(CreateVolumeDevice(options.image.c_str()));
    if (!m_image || !m_image->Open(nullptr)) {
      err << "cannot open " << options.image << "\n";
      return false;
    }
    if (options.sectorSize != 0) {
      auto* given = new CCollectedVolumeDeviceInfoStruct;
      given->sectorSize = options.sectorSize;
      std::error_code error;
      given->totalSectors = fs::file_size(options.image, error) / options.sectorSize;
      m_image->SetPrivateData(CreateVolumeDeviceData(given));
    }
    m_scanned = m_image.get();
    if (options.offsetSectors > 0) {
      const long long total = m_image->GetTotalSectors();
      if (options.offsetSectors >= total) {
        err << "offset " << options.offsetSectors << " lies past the image's " << total << " sectors\n";
        return false;
      }
      m_volume = std::make_unique<CPartitionVirtualVolumeDevice>(m_image.get(), options.offsetSectors,
                                                                  total - options.offsetSectors);
      m_volume->Open(nullptr);
      m_scanned = m_volume.get();
    }
    auto* record = new CCollectedVolumeDeviceInfoStruct;
    record->sectorSize = m_scanned->GetSectorSize();
    record->totalSectors = static_cast<std::uint64_t>(m_scanned->GetTotalSectors());
    const std::string name = fs::path(options.image).filename().string();
    std::strncpy(record->volumeName, name.c_str(), sizeof record->volumeName - 1);
    const std::unique_ptr<IVolumeAnalyzeController> probe(CreateVolumeAnalyzeController(m_scanned, 0));
    IVolumeAnalyze* analyser = probe ? probe->GetVolumeAnzlyzer() : nullptr;
    record->fileSystemType = analyser ? analyser->GetFileSystemType() : FILE_SYSTEM_UNKNOWN;
    if (analyser) analyser->GetLabel(record->label, sizeof record->label - 1);
    m_scanned->SetPrivateData(CreateVolumeDeviceData(record));
    return true;
  }

  IStorageDevice* Device() const { return m_scanned; }

 private:
  std::unique_ptr<IStorageDevice> m_image;
  std::unique_ptr<IStorageDevice> m_volume;
  IStorageDevice* m_scanned = nullptr;
};

// Leaves only the chosen complete searchers registered; with none, a searcher that does nothing keeps the block
// loop running.
void RestrictSearchers(const std::vector<_tagSearcherType>& chosen) {
  auto& registry = quellsy::EngineRegistry::Instance();
  for (const _tagSearcherType type : CCompleteRecoveryController::kSearcherOrder) {
    if (std::find(chosen.begin(), chosen.end(), type) == chosen.end()) registry.RegisterCompleteSearcher(type, {});
  }
  if (chosen.empty()) registry.RegisterCompleteSearcher(SEARCHER_APFS, [] { return new CNoOpSearcher(); });
}

// path, or path with "_0001" ... before its extension when a file of that name was already written.
fs::path FreePath(const fs::path& path) {
  std::error_code error;
  if (!fs::exists(path, error)) return path;
  for (int index = 1; index < 10000; ++index) {
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "_%04d", index);
    fs::path candidate = path.parent_path() / (path.stem().string() + suffix + path.extension().string());
    if (!fs::exists(candidate, error)) return candidate;
  }
  return path;
}

// Copies every found file out under dir; returns the number of files that failed.
int RecoverAll(IRecoveryController& controller, const std::vector<IFileNode*>& nodes, const fs::path& dir,
               std::ostream& err) {
  std::map<_tagSearcherType, std::unique_ptr<IDataRecovery, RecoveryDeleter>> recoveries;
  int recovered = 0;
  int failed = 0;
  for (IFileNode* node : nodes) {
    if (node->IsDirectory()) continue;
    // The label tree holds the signature search's own hits: its searcher copies them out.
    const _tagSearcherType found = NodeSearcher(node);
    const _tagSearcherType type = found == SEARCHER_LABEL ? SEARCHER_RAW : found;
    auto& recovery = recoveries[type];
    if (!recovery) {
      recovery.reset(controller.GetDataRecovery(type));
      if (recovery) recovery->SetDestinationFolder(dir.c_str());
    }
    const fs::path path = FreePath(RecoveryPath(dir, node));
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    const quellsy::ResultCode result =
        recovery ? recovery->RecoverNodeTo(node, path.c_str(), nullptr, 0) : quellsy::MakeFailure(0, 0, 1);
    if (quellsy::IsFailure(result)) {
      char code[24];
      std::snprintf(code, sizeof code, "0x%016" PRIx64, result);
      err << "not recovered (" << code << "): " << NodePath(node) << "\n";
      ++failed;
    } else {
      ++recovered;
    }
  }
  err << "recovered " << recovered << " files, " << failed << " failed\n";
  return failed;
}

std::string Fixed(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

}  // namespace

int RunEngineCli(const EngineCliOptions& options, std::ostream& out, std::ostream& err) {
  ScannedImage image;
  if (!image.Open(options, err)) return 1;
  IStorageDevice* device = image.Device();
  if (options.searchers) RestrictSearchers(*options.searchers);
  CCompleteRecoveryController::SetSearcherThreads(options.threads);

  const bool quick = options.scan == EngineCliOptions::Scan::kQuick;
  IRecoveryFilter* filter = CreateFilter();
  filter->SetScanType(quick && !options.live ? SCAN_TYPE_QUICK : SCAN_TYPE_DEEP);
  filter->SetFilterTypes(FILTER_TYPE_ALL);

  const std::unique_ptr<IRecoveryController, ControllerDeleter> controller(
      CreateRecoveryController(quick ? RECOVERY_CONTROLLER_QUICK : RECOVERY_CONTROLLER_COMPLETE_VOLUME));
  controller->Initialize(filter);
  CliProgress progress;
  CCollectingTreeSink sink;
  const auto started = std::chrono::steady_clock::now();
  quellsy::ResultCode result = controller->StartDataRecovery(device, &progress, &sink);
  if (result == quellsy::kResultOk) result = progress.failure;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (result != quellsy::kResultOk) {
    char code[24];
    std::snprintf(code, sizeof code, "0x%016" PRIx64, result);
    err << "scan failed: " << code << "\n";
    return 1;
  }

  long long files = 0;
  for (IFileNode* node : sink.Nodes()) {
    if (!node->IsDirectory()) ++files;
    if (options.json) {
      out << NodeJson(node) << "\n";
    } else {
      out << NodePath(node) << (node->IsDirectory() ? "/" : "") << "  " << node->GetFileSize()
          << (node->IsDeleted() ? "  deleted" : "") << "\n";
    }
  }
  const long long bytes = device->GetTotalSectors() * static_cast<long long>(device->GetSectorSize());
  const double mbPerSecond = seconds > 0 ? static_cast<double>(bytes) / 1e6 / seconds : 0.0;
  const std::string nodes = std::to_string(sink.Nodes().size());
  if (options.json) {
    out << "{\"summary\": true, \"nodes\": " << nodes << ", \"files\": " << files << ", \"bytes_scanned\": " << bytes
        << ", \"seconds\": " << Fixed(seconds) << ", \"mb_per_s\": " << Fixed(mbPerSecond) << "}\n";
  } else {
    out << "summary: " << nodes << " nodes, " << files << " files, " << bytes << " bytes scanned in "
        << Fixed(seconds) << " s (" << Fixed(mbPerSecond) << " MB/s)\n";
  }
  out.flush();

  if (!options.recoverDir.empty()) {
    std::error_code error;
    fs::create_directories(options.recoverDir, error);
    if (RecoverAll(*controller, sink.Nodes(), options.recoverDir, err) != 0) return 1;
  }
  return 0;
}

int EngineCliMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string error;
  const auto options = ParseEngineCliOptions(args, error);
  if (!options) {
    err << "engine-cli: " << error << "\n" << kEngineCliUsage;
    return 2;
  }
  return RunEngineCli(*options, out, err);
}
