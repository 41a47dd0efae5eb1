// Threads that run each tick's work, one per monitor, made the first time they are needed
// and kept: a thread made and ended for every tick has a fresh stack cleared page by page and
// the system's thread bookkeeping done twice a second.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace zarnik {

class TickWorkers {
 public:
  TickWorkers() = default;
  ~TickWorkers();  // waits for the work running, then ends the threads
  TickWorkers(const TickWorkers&) = delete;
  TickWorkers& operator=(const TickWorkers&) = delete;

  // Runs job i on worker i. Waits first for the work started before. A job that throws is
  // ended there; one whose thread cannot be made runs here, before Start returns.
  void Start(std::vector<std::function<void()>> jobs);
  // Waits until every job started has ended.
  void Wait();

  size_t threads() const { return threads_.size(); }

 private:
  void Run(size_t slot);
  static void RunContained(std::function<void()>& job);

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::vector<std::function<void()>> jobs_;  // a slot per thread; empty while it waits
  std::vector<std::thread> threads_;
  size_t running_ = 0;
  bool ending_ = false;
};

}  // namespace zarnik
