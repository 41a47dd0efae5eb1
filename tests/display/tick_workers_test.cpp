// The threads a tick's work runs on: made once, kept, and never left with work unfinished.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "display/tick_workers.h"

namespace zarnik {
namespace {

TEST(TickWorkers, EachSlotRunsOnAThreadOfItsOwnKeptFromTickToTick) {
  TickWorkers workers;
  std::mutex mutex;
  std::vector<std::set<std::thread::id>> seen(3);
  for (int tick = 0; tick < 25; ++tick) {
    std::vector<std::function<void()>> jobs;
    for (size_t slot = 0; slot < 3; ++slot)
      jobs.push_back([&, slot] {
        std::lock_guard<std::mutex> lock(mutex);
        seen[slot].insert(std::this_thread::get_id());
      });
    workers.Start(std::move(jobs));
  }
  workers.Wait();
  std::set<std::thread::id> all;
  for (const auto& ids : seen) {
    EXPECT_EQ(ids.size(), 1u) << "a slot ran on a new thread";
    all.insert(ids.begin(), ids.end());
  }
  EXPECT_EQ(all.size(), 3u);
  EXPECT_EQ(all.count(std::this_thread::get_id()), 0u);
  EXPECT_EQ(workers.threads(), 3u);
}

TEST(TickWorkers, WaitAndTheNextStartComeOnlyAfterEveryJobEnded) {
  TickWorkers workers;
  std::atomic<bool> go{false};
  std::atomic<int> ended{0};
  std::atomic<int> overlapped{0};
  auto job = [&] {
    while (!go) std::this_thread::yield();
    ++ended;
  };
  workers.Start({job, job, job});
  EXPECT_EQ(ended, 0);
  go = true;
  workers.Wait();
  EXPECT_EQ(ended, 3);

  // A tick started while one runs waits for it: the two never share a monitor.
  go = false;
  std::atomic<int> running{0};
  auto counted = [&] {
    if (++running > 1) ++overlapped;
    while (!go) std::this_thread::yield();
    --running;
  };
  workers.Start({counted});
  // Lets the first job end once a second job runs beside it, or after a while when none does.
  std::thread release([&] {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (running < 2 && std::chrono::steady_clock::now() < until) std::this_thread::yield();
    go = true;
  });
  workers.Start({nullptr, counted});  // another slot, so another thread
  workers.Wait();
  release.join();
  EXPECT_EQ(overlapped, 0);
}

TEST(TickWorkers, AJobThatThrowsEndsThereAndTheOthersAndLaterTicksRun) {
  TickWorkers workers;
  std::atomic<int> ran{0};
  for (int tick = 0; tick < 5; ++tick) {
    workers.Start({[] { throw std::runtime_error("no picture"); }, [&] { ++ran; }, nullptr, [&] { ++ran; }});
    workers.Wait();
  }
  EXPECT_EQ(ran, 10);
  // Fewer monitors, then more again, reuse the threads there are.
  workers.Start({[&] { ++ran; }});
  workers.Start({[&] { ++ran; }, [&] { ++ran; }, [&] { ++ran; }, [&] { ++ran; }, [&] { ++ran; }});
  workers.Wait();
  EXPECT_EQ(ran, 16);
  EXPECT_EQ(workers.threads(), 5u);
}

}  // namespace
}  // namespace zarnik
