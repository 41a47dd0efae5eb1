// How loud the sound reaching the system's default recording device is (under the test
// rig: the monitor of the null sink the program plays into).
#pragma once

#include <chrono>

namespace zarnik::test {

// Records for the given time and gives the RMS level of the last part of it, 0 (silence)
// to about 0.7 (a full-scale sine); negative when nothing could be recorded.
double RecordLevel(std::chrono::milliseconds duration);

}  // namespace zarnik::test
