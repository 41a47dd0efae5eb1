// The quality a baseline JPEG was written at, read back from its quantisation tables.
#pragma once

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace zarnik::test {

// The luminance table (table 0) in zig-zag order, or nothing when the bytes hold none.
std::optional<std::array<int, 64>> LuminanceTable(const std::string& jpeg);

// The table the usual libjpeg quality scaling gives for a quality of 1..100.
std::array<int, 64> ExpectedLuminanceTable(int quality);

// The quality 1..100 whose table equals the file's, or nothing when none does.
std::optional<int> JpegQuality(const std::string& jpeg);

// The qualities of a JPEG work file as it changes, sampled (pumping this thread's messages)
// until count files were seen or the limit passed. Equal neighbours are one file for the
// sampler.
std::vector<int> FollowQualities(const std::wstring& jpeg, size_t count, std::chrono::milliseconds limit);

// The next qualities the JPEG work file takes after the one of the given quality it held
// (the first may have landed before the sampling began), up to count of them.
std::vector<int> NextQualities(const std::wstring& jpeg, int held, size_t count);

// The count qualities the decay's schedule of that degree gives after the given one.
std::vector<int> QualitiesAfter(int quality, int degree, size_t count);

// Waits until the file's bytes have not changed for the quiet time (the saver's ticks have
// stopped); false when they still changed at the limit.
bool SettlesFor(const std::wstring& path, std::chrono::milliseconds quiet, std::chrono::milliseconds limit);

}  // namespace zarnik::test
