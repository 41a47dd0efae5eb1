// What one picture's decoding may take: pixels, memory besides the picture, and time. Every
// picture the program loads, the work file of each tick included, is held to these.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>

#include "platform/picture_header.h"

namespace zarnik {

struct DecodeBounds {
  // About 80 megapixels: the largest picture a surface takes (Surface::kMaxPixels).
  long long pixels = 80LL * 1000 * 1000;
  // What a decoder may hold besides the finished picture: as much again as the largest one.
  long long memory = 4 * 80LL * 1000 * 1000;
  // A picture that takes longer is given up (checked between bands of rows).
  std::chrono::milliseconds time{5000};

  PictureLimits Limits() const {
    return PictureLimits{static_cast<uint64_t>(pixels), static_cast<uint64_t>(memory), kHeaderWindow};
  }
  // How far into a file a JPEG's frame header, a PNG's pixel data or the end of a GIF's first
  // picture may lie: what is read of a file before any decoder sees it.
  static constexpr uint64_t kHeaderWindow = 64 << 20;
};

// The system's tick count, not the C++ clocks: those would bring in the C runtime's clock
// functions, and with them imports (setting the system time among them) the program never uses.
class Deadline {
 public:
  explicit Deadline(std::chrono::milliseconds within)
      : at_(GetTickCount64() + static_cast<ULONGLONG>(within.count())) {}
  bool Passed() const { return GetTickCount64() >= at_; }

 private:
  ULONGLONG at_;
};

}  // namespace zarnik
