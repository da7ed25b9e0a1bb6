#pragma once
// Runs a fixed set of jobs in rounds: in each round every job runs once, the jobs spread over lanes that each
// run on a thread of their own (the first lane on the caller's), and the round ends when every lane is done.
// What a round works on may therefore be replaced once Run returns. A job that throws ends its lane's round;
// the first such exception is thrown again from Run once the round is over.

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace quellsy {

class RoundCrew {
 public:
  // job(member) is called once per round for every member in [0, members). Members are dealt to
  // min(members, lanes) lanes in turn (lanes 0 counts as 1); each lane runs its members in ascending order.
  RoundCrew(std::size_t members, unsigned lanes, std::function<void(std::size_t member)> job);
  // As above, with the members dealt by how much work each does a round (`weights`, one per member): the heaviest
  // first, each to the lane with the least work so far (the first such lane on a tie), so that no lane waits
  // long for another at the end of a round. Equal weights deal members in turn.
  RoundCrew(const std::vector<unsigned>& weights, unsigned lanes, std::function<void(std::size_t member)> job);
  // Stops and joins the lanes' threads.
  ~RoundCrew();
  RoundCrew(const RoundCrew&) = delete;
  RoundCrew& operator=(const RoundCrew&) = delete;

  // One round; returns when every member has run.
  void Run();
  // Lanes, the caller's included.
  std::size_t Lanes() const { return m_lanes; }

 private:
  void RunLane(std::size_t lane);
  void Serve(std::size_t lane);

  std::size_t m_members;
  std::size_t m_lanes;
  std::vector<std::vector<std::size_t>> m_laneMembers;  // per lane, its members in ascending order
  std::function<void(std::size_t)> m_job;

  std::mutex m_lock;  // guards everything below
  std::condition_variable m_start;
  std::condition_variable m_done;
  unsigned long long m_round = 0;
  std::size_t m_busy = 0;  // helper lanes still in the current round
  bool m_stop = false;
  std::exception_ptr m_failure;
  std::vector<std::thread> m_helpers;
};

}  // namespace quellsy
