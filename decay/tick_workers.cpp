#include "decay/tick_workers.h"

#include <utility>

namespace zarnik {

TickWorkers::~TickWorkers() {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return running_ == 0; });
    ending_ = true;
  }
  wake_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void TickWorkers::RunContained(std::function<void()>& job) {
  try {
    job();
  } catch (...) {
  }
}

void TickWorkers::Start(std::vector<std::function<void()>> jobs) {
  std::vector<std::function<void()>> here;  // jobs no thread could take
  {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [this] { return running_ == 0; });
    for (size_t i = 0; i < jobs.size(); ++i) {
      if (!jobs[i]) continue;
      try {
        while (threads_.size() <= i) {
          jobs_.resize(threads_.size() + 1);
          threads_.emplace_back([this, slot = threads_.size()] { Run(slot); });
        }
      } catch (...) {
        here.push_back(std::move(jobs[i]));
        continue;
      }
      jobs_[i] = std::move(jobs[i]);
      ++running_;
    }
  }
  wake_.notify_all();
  for (auto& job : here) RunContained(job);
}

void TickWorkers::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  idle_.wait(lock, [this] { return running_ == 0; });
}

void TickWorkers::Run(size_t slot) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return ending_ || (slot < jobs_.size() && jobs_[slot]); });
    if (ending_) return;
    std::function<void()> job = std::move(jobs_[slot]);
    jobs_[slot] = nullptr;
    lock.unlock();
    RunContained(job);
    job = nullptr;  // what it holds goes before the tick counts as ended
    lock.lock();
    if (--running_ == 0) idle_.notify_all();
  }
}

}  // namespace zarnik
