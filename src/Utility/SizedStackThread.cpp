#include "Utility/SizedStackThread.h"

#include <pthread.h>

namespace quellsy {

struct SizedStackThread::State {
  std::function<void()> work;
  pthread_t thread{};
  bool joined = false;
};

namespace {

void* RunWork(void* raw) {
  auto* state = static_cast<std::function<void()>*>(raw);
  (*state)();
  return nullptr;
}

}  // namespace

SizedStackThread::SizedStackThread(std::function<void()> work, std::size_t stackBytes)
    : state_(std::make_unique<State>()) {
  state_->work = std::move(work);
  pthread_attr_t attributes;
  if (pthread_attr_init(&attributes) != 0) return;
  if (pthread_attr_setstacksize(&attributes, stackBytes) == 0)
    started_ = pthread_create(&state_->thread, &attributes, RunWork, &state_->work) == 0;
  pthread_attr_destroy(&attributes);
}

SizedStackThread::~SizedStackThread() { Join(); }

void SizedStackThread::Join() {
  if (!started_ || state_->joined) return;
  pthread_join(state_->thread, nullptr);
  state_->joined = true;
}

}  // namespace quellsy
