#pragma once
// The one-line progress a person sees on a terminal while a scan or copy-out runs: what, how far, how fast, how
// long still. Written over itself with a carriage return; nothing at all when standard error is not a terminal.

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

class ProgressLine {
 public:
  ProgressLine(std::ostream& err, bool enabled) : m_err(err), m_enabled(enabled) {}
  ~ProgressLine() { Clear(); }

  // Starts timing a new stage (label such as "scanning" or "copying").
  void Start(const std::string& label);
  // done of total bytes; shown at most a few times a second.
  void Show(std::uint64_t done, std::uint64_t total);
  // Removes the line so that messages print on a clean line.
  void Clear();

  // "label 42% 12.3 MB/s 0:07 left" for the figures given.
  static std::string Format(const std::string& label, std::uint64_t done, std::uint64_t total, double seconds);

 private:
  std::ostream& m_err;
  bool m_enabled;
  std::string m_label;
  std::chrono::steady_clock::time_point m_started{};
  std::chrono::steady_clock::time_point m_shown{};
  std::size_t m_width = 0;
};
