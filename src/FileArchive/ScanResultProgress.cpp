#include "FileArchive/ScanResultProgress.h"

#include "include/IProgress.h"

namespace SaveRestoreResult {
namespace {
constexpr std::uint64_t kTotal = 100;
constexpr std::uint64_t kStartAt = 5;
}  // namespace

void ScanResultProgress::Report(std::uint32_t status, std::uint64_t result) {
  if (sink_ == nullptr) return;
  _PROGRESS_INFO info{};
  info.status = status;
  info.total = kTotal;
  info.current = current_;
  info.result = result;
  sink_->UpdateProgress(&info);
}

void ScanResultProgress::Start() {
  current_ = kStartAt;
  lastStep_ = std::chrono::steady_clock::now();
  Report(PROGRESS_STATUS_RUNNING, 0);
}

void ScanResultProgress::Step() {
  const auto now = std::chrono::steady_clock::now();
  if (now - lastStep_ < kStepInterval) return;
  lastStep_ = now;
  if (current_ + 2 < kTotal) ++current_;
  Report(PROGRESS_STATUS_RUNNING, 0);
}

void ScanResultProgress::Finish() {
  current_ = kTotal;
  Report(PROGRESS_STATUS_FINISHED, error_);
}

void ScanResultProgress::TipError(std::uint32_t code) {
  if (error_ != 0) return;
  error_ = code;
  current_ = kTotal;
  Report(PROGRESS_STATUS_FINISHED, code);
}

}  // namespace SaveRestoreResult
