#include "ProgressLine.h"

#include <algorithm>
#include <cstdio>

namespace {

// Often enough to look alive, rarely enough not to slow a fast scan.
constexpr std::chrono::milliseconds kRedrawEvery{200};

}  // namespace

void ProgressLine::Start(const std::string& label) {
  m_label = label;
  m_started = std::chrono::steady_clock::now();
  m_shown = {};
}

std::string ProgressLine::Format(const std::string& label, std::uint64_t done, std::uint64_t total, double seconds) {
  const double fraction = total > 0 ? std::min(1.0, static_cast<double>(done) / static_cast<double>(total)) : 0.0;
  const double rate = seconds > 0 ? static_cast<double>(done) / 1e6 / seconds : 0.0;
  char text[128];
  if (fraction > 0 && seconds > 0) {
    const auto left = static_cast<long long>(seconds * (1 - fraction) / fraction + 0.5);
    std::snprintf(text, sizeof text, "%s %d%% %.1f MB/s %lld:%02lld left", label.c_str(),
                  static_cast<int>(fraction * 100), rate, left / 60, left % 60);
  } else {
    std::snprintf(text, sizeof text, "%s %d%%", label.c_str(), static_cast<int>(fraction * 100));
  }
  return text;
}

void ProgressLine::Show(std::uint64_t done, std::uint64_t total) {
  if (!m_enabled) return;
  const auto now = std::chrono::steady_clock::now();
  if (m_shown.time_since_epoch().count() != 0 && now - m_shown < kRedrawEvery) return;
  m_shown = now;
  const std::string text = Format(m_label, done, total, std::chrono::duration<double>(now - m_started).count());
  m_err << '\r' << text;
  if (text.size() < m_width) m_err << std::string(m_width - text.size(), ' ');
  m_width = text.size();
  m_err.flush();
}

void ProgressLine::Clear() {
  if (!m_enabled || m_width == 0) return;
  m_err << '\r' << std::string(m_width, ' ') << '\r';
  m_err.flush();
  m_width = 0;
}
