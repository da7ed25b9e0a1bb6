#include "EngineCli.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>

#include "CollectingTreeSink.h"
#include "ImageCheck.h"
#include "NoOpSearcher.h"
#include "NodeReport.h"
#include "ProgressLine.h"
#include "DataRecovery/DataRecovery.h"
#include "DataRecovery/RecoveryDestination.h"
#include "DataRecovery/RecoverySession.h"
#include "RecoveryController/CompleteRecoveryController.h"
#include "RecoveryController/RecoveryController.h"
#include "RecoveryController/RecoveryControllerErrors.h"
#include "RecoveryFilter/RecoveryFilter.h"
#include "StorageDevice/DeviceDataHolder.h"
#include "StorageDevice/PartitionVirtualVolumeDevice.h"
#include "StorageDevice/StorageDeviceFactory.h"
#include "VolumeAnalyze/VolumeAnalyzeController.h"
#include "include/EngineRegistry.h"
#include "include/IDataRecovery.h"
#include "include/IFileNode.h"
#include "include/IVolumeAnalyze.h"
#include "Utility/MessageCenter.h"
#include "Utility/ResultMessage.h"
#include "Utility/Utf8Text.h"

namespace {

namespace fs = std::filesystem;

struct ControllerDeleter {
  void operator()(IRecoveryController* controller) const { controller->Release(); }
};
struct RecoveryDeleter {
  void operator()(IDataRecovery* recovery) const { recovery->Release(); }
};

constexpr quellsy::ResultCode kNoRecovery =
    quellsy::MakeFailure(quellsy::module::kEngineCli, 0x20, quellsy::error::kNoReader);

// Never stops and always builds the trees; keeps the failure a searcher's final record carries and draws the
// progress line.
class CliProgress final : public IProgress {
 public:
  CliProgress(ProgressLine& line, std::uint64_t bytes) : m_line(line), m_bytes(bytes) {}
  void UpdateProgress(_PROGRESS_INFO* info) override {
    if (info->status == PROGRESS_STATUS_FINISHED && quellsy::IsFailure(info->result)) failure = info->result;
    // The controllers count in their own units; the fraction of them is the fraction of the volume.
    if (info->total > 0) {
      const double fraction = std::min(1.0, static_cast<double>(info->current) / static_cast<double>(info->total));
      m_line.Show(static_cast<std::uint64_t>(fraction * static_cast<double>(m_bytes)), m_bytes);
    }
  }
  int Continued() override { return 1; }
  int shouldBuild() override { return 1; }

  quellsy::ResultCode failure = quellsy::kResultOk;

 private:
  ProgressLine& m_line;
  std::uint64_t m_bytes;
};

// The image as a volume device (from offsetSectors on), with a volume record that says what file system the
// volume analysers found.
class ScannedImage {
 public:
  bool Open(const EngineCliOptions& options, std::ostream& err) {
    m_image.reset(CreateVolumeDevice(options.image.c_str()));
    if (!m_image || !m_image->Open(nullptr)) {
      err << "engine-cli: " << quellsy::DescribeResult(kImageCannotOpen, options.image) << "\n";
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
        err << "engine-cli: offset " << options.offsetSectors << " lies past the image's " << total << " sectors\n";
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

// Collects the sectors whose reads failed, as the engine reports them (bad-sector events through the message
// centre): one range however many reads met it.
class UnreadableCounter final : public INotifyCenter {
 public:
  static constexpr int kReceiverId = 0x51C11;

  // Events still queued from before this run (an earlier run in the same process) name none of its devices.
  UnreadableCounter() {
    CMessageCenter::Instance().Clear();
    CMessageCenter::Instance().RegisterNotifyCenter(kReceiverId, this);
  }
  ~UnreadableCounter() override { CMessageCenter::Instance().UnregisterNotifyCenter(kReceiverId); }
  UnreadableCounter(const UnreadableCounter&) = delete;
  UnreadableCounter& operator=(const UnreadableCounter&) = delete;

  int Notify(_MSG_EVENT* event) override {
    if (event == nullptr || event->type != EVENT_BAD_SECTOR) return 0;
    const std::lock_guard lock(m_lock);
    const std::optional<BadSectorRange> range = DecodeBadSectorRange(*event);
    // An event without a range still counts as one.
    if (!range || range->count == 0 || range->first + range->count < range->first) {
      ++m_unranged;
      return 0;
    }
    auto at = m_ranges.try_emplace(range->first, range->first).first;
    at->second = std::max(at->second, range->first + range->count);
    // Ranges that overlap or touch are one. The others were apart already: only the new range's neighbours, the
    // one before it and those it reaches, can join it (a failing disk sends thousands of events).
    if (at != m_ranges.begin()) {
      if (const auto before = std::prev(at); before->second >= at->first) {
        before->second = std::max(before->second, at->second);
        m_ranges.erase(at);
        at = before;
      }
    }
    for (auto next = std::next(at); next != m_ranges.end() && next->first <= at->second; next = m_ranges.erase(next))
      at->second = std::max(at->second, next->second);
    return 0;
  }
  // Hands over what is still queued, then the count of ranges.
  long long Count() {
    Drain();
    const std::lock_guard lock(m_lock);
    return static_cast<long long>(m_ranges.size()) + m_unranged;
  }
  // "input/output error at sector 8", "... at sectors 32-33, 8184"; empty when every read went through.
  std::string Words() {
    Drain();
    const std::lock_guard lock(m_lock);
    if (m_ranges.empty()) return {};
    const bool one = m_ranges.size() == 1 && m_ranges.begin()->second - m_ranges.begin()->first == 1;
    std::string words = one ? "input/output error at sector " : "input/output error at sectors ";
    std::size_t listed = 0;
    for (const auto& [first, end] : m_ranges) {
      if (listed == kListedRanges) {
        words += " and " + std::to_string(m_ranges.size() - listed) + " more ranges";
        break;
      }
      if (listed++ != 0) words += ", ";
      words += std::to_string(first);
      if (end - first > 1) words += "-" + std::to_string(end - 1);
    }
    return words;
  }

 private:
  static constexpr std::size_t kListedRanges = 8;

  static void Drain() {
    CMessageCenter& centre = CMessageCenter::Instance();
    while (_MSG_EVENT* event = centre.PopEvent()) centre.SendEvent(event);
  }

  std::mutex m_lock;
  std::map<std::uint64_t, std::uint64_t> m_ranges;  // first sector -> one past the last
  long long m_unranged = 0;
};

// The progress a copy-out shows: bytes of the files done so far plus the current file's.
class CopyProgress final : public IProgress {
 public:
  CopyProgress(ProgressLine& line, std::uint64_t total) : m_line(line), m_total(total) {}
  void UpdateProgress(_PROGRESS_INFO* info) override { m_line.Show(base + info->current, m_total); }
  int Continued() override { return 1; }
  int shouldBuild() override { return 1; }

  std::uint64_t base = 0;

 private:
  ProgressLine& m_line;
  std::uint64_t m_total;
};

void Report(std::ostream& err, const char* what, const RecoverySession::Outcome& outcome) {
  err << what << ": " << quellsy::EscapeForTerminal(outcome.diskPath);
  if (!outcome.writtenPath.empty()) err << " -> " << quellsy::EscapeForTerminal(outcome.writtenPath);
  err << "\n";
}

// Why a file was not recovered, in words, with the system's reason when it refused a folder, the file or a write.
std::string FailureWords(const RecoverySession::Outcome& outcome) {
  std::string words = quellsy::DescribeResult(outcome.result, "the file");
  if (outcome.error != 0) words.insert(words.rfind(" ("), std::string(": ") + std::strerror(outcome.error));
  return words;
}

// Copies every found file out into the destination; false when not everything found was recovered whole: a copy
// failed or was kept incomplete, the destination filled up, or ranges of the device could not be read (the listing
// itself may then miss files).
bool RecoverAll(IRecoveryController& controller, const std::vector<IFileNode*>& nodes,
                RecoveryDestination& destination, ProgressLine& line, long long unreadable, std::ostream& err) {
  std::map<_tagSearcherType, std::unique_ptr<IDataRecovery, RecoveryDeleter>> recoveries;
  RecoverySession session(destination);
  std::uint64_t total = 0;
  for (IFileNode* node : nodes)
    if (!node->IsDirectory()) total += static_cast<std::uint64_t>(std::max(0LL, node->GetFileSize()));
  CopyProgress progress(line, total);
  line.Start("copying");
  for (IFileNode* node : nodes) {
    if (node->IsDirectory()) continue;
    // The label tree holds the signature search's own hits: its searcher copies them out.
    const _tagSearcherType found = NodeSearcher(node);
    const _tagSearcherType type = found == SEARCHER_LABEL ? SEARCHER_RAW : found;
    auto& recovery = recoveries[type];
    if (!recovery) {
      recovery.reset(controller.GetDataRecovery(type));
      if (recovery) recovery->SetDestinationFolder(destination.Path().c_str());
    }
    RecoverySession::Outcome outcome;
    if (recovery) {
      outcome = session.Recover(*recovery, node, &progress);
    } else {
      outcome.diskPath = NodePath(node);
      outcome.result = kNoRecovery;
    }
    progress.base += static_cast<std::uint64_t>(std::max(0LL, node->GetFileSize()));
    line.Clear();
    if (outcome.kind == RecoverySession::Kind::kFailed) {
      err << "not recovered: " << quellsy::EscapeForTerminal(outcome.diskPath) << ": " << FailureWords(outcome)
          << "\n";
    } else if (outcome.kind == RecoverySession::Kind::kIncomplete) {
      Report(err, "incomplete", outcome);
    } else if (outcome.renamed) {
      Report(err, "renamed", outcome);
    }
    if (session.DestinationFull()) {
      err << "engine-cli: stopped: " << quellsy::DescribeResult(CDataRecovery::kRecoverNoSpace) << "\n";
      break;
    }
  }
  line.Clear();
  const bool whole =
      session.Failed() == 0 && session.Incomplete() == 0 && unreadable == 0 && !session.DestinationFull();
  err << "recovery: " << session.Copied() << " copied, " << session.Failed() << " failed, " << session.Incomplete()
      << " incomplete, " << session.Renamed() << " renamed; " << unreadable << " unreadable ranges"
      << (whole ? "" : "; not everything was recovered whole") << "\n";
  return whole;
}

std::string Fixed(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

}  // namespace

int RunEngineCli(const EngineCliOptions& options, std::ostream& out, std::ostream& err, bool terminal) {
  std::string kind;
  if (const quellsy::ResultCode refused = CheckImage(options.image, kind); refused != quellsy::kResultOk) {
    const std::string subject = kind.empty() ? options.image : options.image + " (" + kind + ")";
    err << "engine-cli: " << quellsy::DescribeResult(refused, subject) << "\n";
    return kCliFailed;
  }
  // The destination is checked before the scan: a scan of hours must not end in "cannot write there".
  RecoveryDestination destination;
  if (!options.recoverDir.empty()) {
    const quellsy::ResultCode refused = destination.Open(options.recoverDir, options.image);
    if (refused != quellsy::kResultOk) {
      err << "engine-cli: " << quellsy::DescribeResult(refused, options.recoverDir) << "\n";
      return kCliFailed;
    }
  }
  ScannedImage image;
  if (!image.Open(options, err)) return kCliFailed;
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
  UnreadableCounter unreadableRanges;
  ProgressLine line(err, terminal);
  const long long bytes = device->GetTotalSectors() * static_cast<long long>(device->GetSectorSize());
  CliProgress progress(line, static_cast<std::uint64_t>(bytes));
  CCollectingTreeSink sink;
  line.Start("scanning");
  const auto started = std::chrono::steady_clock::now();
  quellsy::ResultCode result = controller->StartDataRecovery(device, &progress, &sink);
  if (result == quellsy::kResultOk) result = progress.failure;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  line.Clear();
  // A device that went away mid-scan still leaves what was found before: listed, then the failure in words.
  const bool stoppedAnswering = result == quellsy::controller::kDeviceStoppedAnswering;
  if (result != quellsy::kResultOk && !stoppedAnswering) {
    const std::string where = "sector " + std::to_string(options.offsetSectors) + " of " + options.image;
    std::string words = quellsy::DescribeResult(result, where);
    // What the device refused, before the code.
    if (const std::string unreadable = unreadableRanges.Words(); !unreadable.empty())
      words.insert(words.rfind(" ("), ": " + unreadable);
    err << "engine-cli: " << words << "\n";
    return kCliFailed;
  }

  long long files = 0;
  // JSON lines gather in one buffer that goes out in large writes.
  constexpr std::size_t kListingChunk = 1 << 16;
  std::string listing;
  CNodeJsonWriter json;
  for (IFileNode* node : sink.Nodes()) {
    if (!node->IsDirectory()) ++files;
    if (options.json) {
      json.Append(listing, node);
      listing += '\n';
      if (listing.size() >= kListingChunk) {
        out.write(listing.data(), static_cast<std::streamsize>(listing.size()));
        listing.clear();
      }
    } else {
      out << quellsy::EscapeForTerminal(NodePath(node)) << (node->IsDirectory() ? "/" : "") << "  "
          << node->GetFileSize() << (node->IsDeleted() ? "  deleted" : "") << "\n";
    }
  }
  out.write(listing.data(), static_cast<std::streamsize>(listing.size()));
  const double mbPerSecond = seconds > 0 ? static_cast<double>(bytes) / 1e6 / seconds : 0.0;
  const std::string nodes = std::to_string(sink.Nodes().size());
  const long long unreadableCount = unreadableRanges.Count();
  if (options.json) {
    out << "{\"summary\": true, \"nodes\": " << nodes << ", \"files\": " << files << ", \"bytes_scanned\": " << bytes
        << ", \"seconds\": " << Fixed(seconds) << ", \"mb_per_s\": " << Fixed(mbPerSecond)
        << ", \"unreadable_ranges\": " << unreadableCount << "}\n";
  } else {
    out << "summary: " << nodes << " nodes, " << files << " files, " << bytes << " bytes scanned in "
        << Fixed(seconds) << " s (" << Fixed(mbPerSecond) << " MB/s), " << unreadableCount << " unreadable ranges\n";
  }
  out.flush();
  if (stoppedAnswering) {
    err << "engine-cli: " << quellsy::DescribeResult(result, options.image) << "\n";
    return kCliFailed;
  }

  if (options.recoverDir.empty()) return kCliSuccess;
  return RecoverAll(*controller, sink.Nodes(), destination, line, unreadableRanges.Count(), err) ? kCliSuccess
                                                                                                 : kCliFailed;
}

int EngineCliMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool terminal) {
  std::string error;
  const auto options = ParseEngineCliOptions(args, error);
  if (!options) {
    err << "engine-cli: " << error << "\n" << EngineCliUsage();
    return kCliUsage;
  }
  if (options->help) {
    out << EngineCliUsage();
    return kCliSuccess;
  }
  return RunEngineCli(*options, out, err, terminal);
}
