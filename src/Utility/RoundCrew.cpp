#include "Utility/RoundCrew.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace quellsy {

RoundCrew::RoundCrew(std::size_t members, unsigned lanes, Job job, std::size_t depth)
    : RoundCrew(std::vector<unsigned>(members, 1), lanes, std::move(job), depth) {}

RoundCrew::RoundCrew(const std::vector<unsigned>& weights, unsigned lanes, Job job, std::size_t depth)
    : m_laneMembers(std::max<std::size_t>(1, std::min<std::size_t>(weights.size(), lanes))),
      m_job(std::move(job)),
      m_depth(std::max<std::size_t>(1, depth)),
      m_laneDone(m_laneMembers.size(), 0) {
  std::vector<std::size_t> order(weights.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return weights[a] > weights[b]; });
  std::vector<unsigned long long> load(m_laneMembers.size(), 0);
  for (const std::size_t member : order) {
    const auto lane = static_cast<std::size_t>(std::min_element(load.begin(), load.end()) - load.begin());
    load[lane] += weights[member];
    m_laneMembers[lane].push_back(member);
  }
  for (std::vector<std::size_t>& members : m_laneMembers) std::sort(members.begin(), members.end());
  m_threads.reserve(m_laneMembers.size());
  for (std::size_t lane = 0; lane < m_laneMembers.size(); ++lane) m_threads.emplace_back(&RoundCrew::Serve, this, lane);
}

RoundCrew::~RoundCrew() {
  {
    std::lock_guard lock(m_lock);
    m_stop = true;
  }
  m_start.notify_all();
  for (std::thread& thread : m_threads) thread.join();
}

unsigned long long RoundCrew::FinishedLocked() const {
  return *std::min_element(m_laneDone.begin(), m_laneDone.end());
}

unsigned long long RoundCrew::Finished() {
  std::lock_guard lock(m_lock);
  return FinishedLocked();
}

void RoundCrew::ThrowFailure(std::unique_lock<std::mutex>& lock) {
  if (!m_failure) return;
  m_done.wait(lock, [this] { return FinishedLocked() == m_started; });
  std::rethrow_exception(std::exchange(m_failure, nullptr));
}

unsigned long long RoundCrew::NextRound() {
  std::unique_lock lock(m_lock);
  m_done.wait(lock, [this] { return m_failure || FinishedLocked() + m_depth > m_started; });
  ThrowFailure(lock);
  return m_started;
}

void RoundCrew::Start() {
  {
    std::lock_guard lock(m_lock);
    ++m_started;
  }
  m_start.notify_all();
}

void RoundCrew::Wait() {
  std::unique_lock lock(m_lock);
  m_done.wait(lock, [this] { return FinishedLocked() == m_started; });
  ThrowFailure(lock);
}

void RoundCrew::Run() {
  NextRound();
  Start();
  Wait();
}

void RoundCrew::Serve(std::size_t lane) {
  for (;;) {
    unsigned long long round = 0;
    {
      std::unique_lock lock(m_lock);
      m_start.wait(lock, [&] { return m_stop || m_laneDone[lane] < m_started; });
      if (m_laneDone[lane] == m_started) return;
      round = m_laneDone[lane];
    }
    std::exception_ptr failure;
    try {
      for (const std::size_t member : m_laneMembers[lane]) m_job(member, round);
    } catch (...) {
      failure = std::current_exception();
    }
    bool advanced = false;
    {
      std::lock_guard lock(m_lock);
      if (failure && !m_failure) m_failure = failure;
      // The caller waits only for the slowest lane (or a failure): a lane ahead of another need not wake it.
      advanced = failure || m_laneDone[lane] == FinishedLocked();
      ++m_laneDone[lane];
    }
    if (advanced) m_done.notify_all();
  }
}

}  // namespace quellsy
