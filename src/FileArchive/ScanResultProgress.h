#pragma once
// Progress of one save or restore, reported to its sink: a start at 5 of 100, steps of one at most every 100 ms
// that stop two short of the end, and a finish that carries the result code (0, or the error met).

#include <chrono>
#include <cstdint>

class IProgress;

namespace SaveRestoreResult {

class ScanResultProgress {
 public:
  static constexpr std::chrono::milliseconds kStepInterval{100};

  explicit ScanResultProgress(IProgress* sink) : sink_(sink) {}
  void Start();
  void Step();
  void Finish();
  // Reports a finished record with that result code at once and keeps the code for Finish; the first error wins.
  void TipError(std::uint32_t code);
  std::uint32_t ErrorCode() const { return error_; }
  IProgress* Sink() const { return sink_; }

 private:
  void Report(std::uint32_t status, std::uint64_t result);

  IProgress* sink_;
  std::uint64_t current_ = 0;
  std::uint32_t error_ = 0;
  std::chrono::steady_clock::time_point lastStep_{};
};

}  // namespace SaveRestoreResult
