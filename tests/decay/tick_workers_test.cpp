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

#include "decay/tick_workers.h"

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
  auto job = [&] {
    while (!go) std::this_thread::yield();
    ++ended;
  };
  workers.Start({job, job, job});
  EXPECT_EQ(ended, 0);
  go = true;
  workers.Wait();
  EXPECT_EQ(ended, 3);

  // A tick started while one runs waits for it: the two never share a monitor. The first job
  // is held until the second Start returns, whenever that is; a Start that does not wait
  // returns while it is held, and its job then begins beside it, however late.
  std::atomic<bool> first_ended{false};
  std::atomic<bool> second_returned{false};
  std::atomic<bool> second_began_early{false};
  std::atomic<bool> returned_while_held{false};
  std::atomic<bool> release{false};
  std::atomic<bool> calling{false};
  workers.Start({[&] {
    while (!release) std::this_thread::yield();
    first_ended = true;
  }});
  std::thread starter([&] {
    calling = true;
    workers.Start({nullptr, [&] { second_began_early = !first_ended; }});  // another slot, another thread
    second_returned = true;
  });
  // Held until the second Start has returned; it may not before the release, so the hold
  // ends, at the latest, once the starter has certainly had its chance.
  while (!calling) std::this_thread::yield();
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (!second_returned && std::chrono::steady_clock::now() < limit) std::this_thread::yield();
  returned_while_held = second_returned.load();
  release = true;
  starter.join();
  workers.Wait();
  EXPECT_FALSE(returned_while_held) << "Start returned while the last tick still ran";
  EXPECT_FALSE(second_began_early) << "a job began beside one of the last tick";
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
