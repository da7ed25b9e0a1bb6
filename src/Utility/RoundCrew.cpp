#include "Utility/RoundCrew.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace quellsy {

RoundCrew::RoundCrew(std::size_t members, unsigned lanes, std::function<void(std::size_t member)> job)
    : RoundCrew(std::vector<unsigned>(members, 1), lanes, std::move(job)) {}

RoundCrew::RoundCrew(const std::vector<unsigned>& weights, unsigned lanes, std::function<void(std::size_t member)> job)
    : m_members(weights.size()),
      m_lanes(std::max<std::size_t>(1, std::min<std::size_t>(weights.size(), lanes))),
      m_laneMembers(m_lanes),
      m_job(std::move(job)) {
  std::vector<std::size_t> order(m_members);
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return weights[a] > weights[b]; });
  std::vector<unsigned long long> load(m_lanes, 0);
  for (const std::size_t member : order) {
    const auto lane = static_cast<std::size_t>(std::min_element(load.begin(), load.end()) - load.begin());
    load[lane] += weights[member];
    m_laneMembers[lane].push_back(member);
  }
  for (std::vector<std::size_t>& members : m_laneMembers) std::sort(members.begin(), members.end());
  m_helpers.reserve(m_lanes - 1);
  for (std::size_t lane = 1; lane < m_lanes; ++lane) m_helpers.emplace_back(&RoundCrew::Serve, this, lane);
}

RoundCrew::~RoundCrew() {
  {
    std::lock_guard lock(m_lock);
    m_stop = true;
  }
  m_start.notify_all();
  for (std::thread& helper : m_helpers) helper.join();
}

void RoundCrew::RunLane(std::size_t lane) {
  try {
    for (const std::size_t member : m_laneMembers[lane]) m_job(member);
  } catch (...) {
    std::lock_guard lock(m_lock);
    if (!m_failure) m_failure = std::current_exception();
  }
}

void RoundCrew::Run() {
  {
    std::lock_guard lock(m_lock);
    ++m_round;
    m_busy = m_lanes - 1;
    m_failure = nullptr;
  }
  m_start.notify_all();
  RunLane(0);
  std::exception_ptr failure;
  {
    std::unique_lock lock(m_lock);
    m_done.wait(lock, [this] { return m_busy == 0; });
    failure = std::exchange(m_failure, nullptr);
  }
  if (failure) std::rethrow_exception(failure);
}

void RoundCrew::Serve(std::size_t lane) {
  unsigned long long seen = 0;
  for (;;) {
    {
      std::unique_lock lock(m_lock);
      m_start.wait(lock, [&] { return m_stop || m_round != seen; });
      if (m_stop) return;
      seen = m_round;
    }
    RunLane(lane);
    bool last = false;
    {
      std::lock_guard lock(m_lock);
      last = --m_busy == 0;
    }
    if (last) m_done.notify_one();
  }
}

}  // namespace quellsy
