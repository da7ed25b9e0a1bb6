#pragma once
// Runs a fixed set of jobs in rounds: in each round every job runs once, the jobs spread over lanes that each
// run on a thread of their own. Lanes do not wait for each other at the end of a round: a lane may run up to
// `depth` rounds ahead of the slowest, so a round's own data (kept by the caller in `depth` slots, round % depth)
// may be replaced once NextRound hands out its slot again. A job that throws ends its lane's round; the first
// such exception is thrown again from the next NextRound or Wait, once every round started is over.

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
  using Job = std::function<void(std::size_t member, unsigned long long round)>;
  // job(member, round) is called once per round for every member in [0, members). Members are dealt to
  // min(members, lanes) lanes in turn (lanes 0 counts as 1); each lane runs its members in ascending order and
  // the rounds in order. depth 0 counts as 1: every round then waits for the one before.
  RoundCrew(std::size_t members, unsigned lanes, Job job, std::size_t depth = 1);
  // As above, with the members dealt by how much work each does a round (`weights`, one per member): the heaviest
  // first, each to the lane with the least work so far (the first such lane on a tie), so that the lanes take
  // about as long. Equal weights deal members in turn.
  RoundCrew(const std::vector<unsigned>& weights, unsigned lanes, Job job, std::size_t depth = 1);
  // Lets every round started finish, then stops and joins the lanes' threads.
  ~RoundCrew();
  RoundCrew(const RoundCrew&) = delete;
  RoundCrew& operator=(const RoundCrew&) = delete;

  // Waits until every lane is done with the round `depth` rounds before the next one, and returns the next
  // round's number (from 0): its slot is free to fill. Start then hands the round to the lanes.
  unsigned long long NextRound();
  void Start();
  // Waits until every round started is over.
  void Wait();
  // One round, waited for.
  void Run();
  // Rounds every lane is done with.
  unsigned long long Finished();
  std::size_t Lanes() const { return m_laneMembers.size(); }
  std::size_t Depth() const { return m_depth; }

 private:
  void Serve(std::size_t lane);
  unsigned long long FinishedLocked() const;
  // With the lock held: once every started round is over, throws the first failure, if any.
  void ThrowFailure(std::unique_lock<std::mutex>& lock);

  std::vector<std::vector<std::size_t>> m_laneMembers;  // per lane, its members in ascending order
  Job m_job;
  std::size_t m_depth;

  std::mutex m_lock;  // guards everything below
  std::condition_variable m_start;  // a round was started, or the lanes are to stop
  std::condition_variable m_done;   // a lane finished a round
  unsigned long long m_started = 0;
  std::vector<unsigned long long> m_laneDone;  // per lane, rounds it finished
  bool m_stop = false;
  std::exception_ptr m_failure;
  std::vector<std::thread> m_threads;
};

}  // namespace quellsy
