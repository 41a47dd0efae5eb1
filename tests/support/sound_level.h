// How loud the sound reaching the system's default recording device is (under the test
// rig: the monitor of the null sink the program plays into).
#pragma once

#include <chrono>

namespace zarnik::test {

// Records for the given time and gives the RMS level of the last part of it, 0 (silence)
// to about 0.7 (a full-scale sine); negative when nothing could be recorded.
double RecordLevel(std::chrono::milliseconds duration);

// The system's devices to play sound on and to record from. A machine without either (a hosted
// Windows runner has no audio device) cannot tell what a test played.
unsigned PlayDevices();
unsigned RecordDevices();

}  // namespace zarnik::test

// Ends the current test as skipped where nothing played can be heard back.
#define ZARNIK_SKIP_UNLESS_SOUND()                                                                 \
  do {                                                                                              \
    if (zarnik::test::PlayDevices() == 0 || zarnik::test::RecordDevices() == 0)                     \
      GTEST_SKIP() << "needs a sound device to play on and one to record from; this system has "   \
                   << zarnik::test::PlayDevices() << " and " << zarnik::test::RecordDevices();      \
  } while (false)
