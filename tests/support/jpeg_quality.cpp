#include "tests/support/jpeg_quality.h"

#include "decay/quality_schedule.h"
#include "tests/support/test_support.h"

#include <algorithm>

namespace zarnik::test {

namespace {

// The example luminance table of the JPEG standard (Annex K), in natural order.
constexpr int kStdLuminance[64] = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};

// Natural index of each zig-zag position.
constexpr int kZigZag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                             12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                             35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                             58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

}  // namespace

std::optional<std::array<int, 64>> LuminanceTable(const std::string& jpeg) {
  const auto* b = reinterpret_cast<const unsigned char*>(jpeg.data());
  const size_t n = jpeg.size();
  if (n < 4 || b[0] != 0xFF || b[1] != 0xD8) return std::nullopt;
  size_t i = 2;
  while (i + 4 <= n) {
    if (b[i] != 0xFF) return std::nullopt;
    const unsigned char marker = b[i + 1];
    if (marker == 0xD9 || marker == 0xDA) break;  // no tables after the scan starts
    const size_t length = (static_cast<size_t>(b[i + 2]) << 8) | b[i + 3];
    if (length < 2 || i + 2 + length > n) return std::nullopt;
    if (marker == 0xDB) {
      size_t p = i + 4, end = i + 2 + length;
      while (p < end) {
        const int precision = b[p] >> 4, id = b[p] & 15;
        const size_t size = precision ? 128 : 64;
        if (p + 1 + size > end) return std::nullopt;
        if (id == 0) {
          std::array<int, 64> table{};
          for (int k = 0; k < 64; ++k)
            table[k] = precision ? (b[p + 1 + 2 * k] << 8) | b[p + 2 + 2 * k] : b[p + 1 + k];
          return table;
        }
        p += 1 + size;
      }
    }
    i += 2 + length;
  }
  return std::nullopt;
}

std::array<int, 64> ExpectedLuminanceTable(int quality) {
  quality = std::clamp(quality, 1, 100);
  const int scale = quality < 50 ? 5000 / quality : 200 - quality * 2;
  std::array<int, 64> table{};
  for (int k = 0; k < 64; ++k) {
    long value = (static_cast<long>(kStdLuminance[kZigZag[k]]) * scale + 50) / 100;
    table[k] = static_cast<int>(std::clamp(value, 1L, 255L));  // baseline tables
  }
  return table;
}

std::optional<int> JpegQuality(const std::string& jpeg) {
  auto table = LuminanceTable(jpeg);
  if (!table) return std::nullopt;
  for (int q = 1; q <= 100; ++q)
    if (ExpectedLuminanceTable(q) == *table) return q;
  return std::nullopt;
}

std::vector<int> FollowQualities(const std::wstring& jpeg, size_t count, std::chrono::milliseconds limit) {
  std::vector<int> seen;
  std::string last;
  PumpUntil([&] {
    std::string bytes = ReadBytes(jpeg);
    if (!bytes.empty() && bytes != last) {
      if (auto q = JpegQuality(bytes)) {
        seen.push_back(*q);
        last = bytes;
      }
    }
    return seen.size() >= count;
  }, limit);
  return seen;
}

std::vector<int> NextQualities(const std::wstring& jpeg, int held, size_t count) {
  std::vector<int> seen = FollowQualities(jpeg, count + 1, std::chrono::seconds(15));
  if (!seen.empty() && seen.front() == held) seen.erase(seen.begin());
  if (seen.size() > count) seen.resize(count);
  return seen;
}

std::vector<int> QualitiesAfter(int quality, int degree, size_t count) {
  std::vector<int> out;
  while (out.size() < count) {
    quality = NextQuality(quality, degree).value_or(quality);
    out.push_back(quality);
  }
  return out;
}

bool SettlesFor(const std::wstring& path, std::chrono::milliseconds quiet, std::chrono::milliseconds limit) {
  std::string last = ReadBytes(path);
  auto since = std::chrono::steady_clock::now();
  return PumpUntil([&] {
    std::string now = ReadBytes(path);
    if (now != last) {
      last = std::move(now);
      since = std::chrono::steady_clock::now();
    }
    return std::chrono::steady_clock::now() - since >= quiet;
  }, limit);
}

}  // namespace zarnik::test
