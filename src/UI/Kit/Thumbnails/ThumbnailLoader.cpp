#include "UI/Kit/Thumbnails/ThumbnailLoader.h"

#include <QMetaObject>
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace quellsy::ui {

struct ThumbnailLoader::State {
  struct Job {
    Key key = 0;
    std::uint64_t generation = 0;
    QImage fallback;
    std::optional<ThumbnailTicket> ticket;  // made when the fetch starts
    bool delivered = false;
  };

  Fetch fetch;
  Options options;
  mutable std::mutex lock;
  std::condition_variable work;     // a request queued, or quitting
  std::condition_variable idle;     // a running fetch ended
  std::condition_variable watch;    // a fetch started, or quitting
  std::deque<std::shared_ptr<Job>> queue;  // newest at the back
  std::vector<std::shared_ptr<Job>> running;
  std::uint64_t generation = 1;
  bool quitting = false;
  ThumbnailLoader* owner = nullptr;  // cleared, under lock, when the loader goes
  std::vector<std::thread> threads;

  // Under lock: hands the result to the GUI thread unless it is stale or was already given.
  void DeliverLocked(Job& job, const QImage& image) {
    if (job.delivered || job.generation != generation || !owner) return;
    job.delivered = true;
    ThumbnailLoader* target = owner;
    const std::uint64_t jobGeneration = job.generation;
    const Key key = job.key;
    const QImage result = image.isNull() ? job.fallback : image;
    QMetaObject::invokeMethod(
        target, [target, jobGeneration, key, result] { target->Deliver(jobGeneration, key, result); },
        Qt::QueuedConnection);
  }

  void StopRunningLocked() {
    queue.clear();
    for (const auto& job : running)
      if (job->ticket) job->ticket->Stop();
  }

  void Work() {
    std::unique_lock hold(lock);
    for (;;) {
      work.wait(hold, [this] { return quitting || !queue.empty(); });
      if (quitting) return;
      std::shared_ptr<Job> job = queue.back();
      queue.pop_back();
      if (job->generation != generation) continue;
      job->ticket.emplace(options.timeLimit);
      running.push_back(job);
      watch.notify_all();
      const ThumbnailTicket ticket = *job->ticket;
      hold.unlock();
      QImage image;
      try {
        image = fetch(job->key, ticket);
      } catch (...) {
        image = QImage();
      }
      hold.lock();
      running.erase(std::find(running.begin(), running.end(), job));
      // A stopped fetch (new generation, quitting, or its fallback already given) delivers nothing.
      if (!ticket.Stopped()) DeliverLocked(*job, image);
      idle.notify_all();
    }
  }

  // Delivers the fallback of a fetch that ran out of time and stops it.
  void Watch() {
    std::unique_lock hold(lock);
    while (!quitting) {
      std::optional<ThumbnailTicket::Clock::time_point> earliest;
      for (const auto& job : running)
        if (!job->delivered && job->ticket && !job->ticket->Stopped())
          earliest = earliest ? std::min(*earliest, job->ticket->Deadline()) : job->ticket->Deadline();
      if (!earliest) {
        watch.wait(hold);
        continue;
      }
      watch.wait_until(hold, *earliest);
      for (const auto& job : running) {
        if (!job->ticket || job->delivered || job->ticket->Stopped() || !job->ticket->Expired()) continue;
        DeliverLocked(*job, QImage());
        job->ticket->Stop();
      }
    }
  }
};

ThumbnailLoader::ThumbnailLoader(Fetch fetch, Options options, QObject* parent)
    : QObject(parent), state_(std::make_shared<State>()) {
  state_->fetch = std::move(fetch);
  state_->options = options;
  state_->owner = this;
  const int threads = std::clamp(options.threads, 1, 16);
  for (int i = 0; i < threads; ++i) state_->threads.emplace_back([state = state_] { state->Work(); });
  state_->threads.emplace_back([state = state_] { state->Watch(); });
}

ThumbnailLoader::~ThumbnailLoader() {
  {
    std::lock_guard hold(state_->lock);
    state_->owner = nullptr;
    state_->quitting = true;
    state_->StopRunningLocked();
  }
  state_->work.notify_all();
  state_->watch.notify_all();
  for (auto& thread : state_->threads) thread.join();
}

std::uint64_t ThumbnailLoader::generation() const {
  std::lock_guard hold(state_->lock);
  return state_->generation;
}

std::uint64_t ThumbnailLoader::NewGeneration() {
  std::lock_guard hold(state_->lock);
  state_->StopRunningLocked();
  return ++state_->generation;
}

void ThumbnailLoader::Request(Key key, QImage fallback) {
  std::vector<Wanted> one;
  one.push_back({key, std::move(fallback)});
  RequestAll(std::move(one));
}

void ThumbnailLoader::RequestAll(std::vector<Wanted> wanted) {
  if (wanted.empty()) return;
  {
    std::lock_guard hold(state_->lock);
    for (Wanted& request : wanted) {
      auto job = std::make_shared<State::Job>();
      job->key = request.key;
      job->generation = state_->generation;
      job->fallback = std::move(request.fallback);
      state_->queue.push_back(std::move(job));
    }
    while (state_->queue.size() > state_->options.maxQueued) state_->queue.pop_front();
  }
  state_->work.notify_all();
}

void ThumbnailLoader::Cancel(Key key) {
  std::lock_guard hold(state_->lock);
  auto& queue = state_->queue;
  queue.erase(std::remove_if(queue.begin(), queue.end(), [key](const auto& job) { return job->key == key; }),
              queue.end());
}

bool ThumbnailLoader::Stop() {
  std::unique_lock hold(state_->lock);
  state_->StopRunningLocked();
  ++state_->generation;
  return state_->idle.wait_for(hold, state_->options.stopWait, [this] { return state_->running.empty(); });
}

std::size_t ThumbnailLoader::QueuedCount() const {
  std::lock_guard hold(state_->lock);
  return state_->queue.size();
}

std::size_t ThumbnailLoader::RunningCount() const {
  std::lock_guard hold(state_->lock);
  return state_->running.size();
}

void ThumbnailLoader::Deliver(std::uint64_t generation, Key key, const QImage& image) {
  // A result queued before a new generation began is dropped here too.
  if (generation != this->generation()) return;
  emit Loaded(generation, key, image);
}

}  // namespace quellsy::ui
