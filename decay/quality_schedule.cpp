#include "decay/quality_schedule.h"

#include <limits>

namespace zarnik {

std::optional<int32_t> NextQuality(int32_t quality, int32_t degree) {
  long long q = quality;
  if (q - degree <= 10) q = 100;
  q -= degree;
  if (q < std::numeric_limits<int32_t>::min() || q > std::numeric_limits<int32_t>::max())
    return std::nullopt;
  return static_cast<int32_t>(q);
}

std::wstring CaptionText(int32_t quality, long long file_bytes) {
  return L"Quality(" + std::to_wstring(quality) + L"%)  FileSize(" + std::to_wstring(file_bytes) +
         L"bytes)";
}

}  // namespace zarnik
