// The decay's arithmetic: which quality each tick uses and the caption it prints. Pure logic.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zarnik {

// The quality of the next tick given the last one and the degree d: back to 100 first when
// the next value would be 10 or less, then down by d. Nothing when the result leaves the
// 32-bit range (the tick then keeps its quality, as a failed step does).
std::optional<int32_t> NextQuality(int32_t quality, int32_t degree);

// "Quality(97%)  FileSize(12345bytes)".
std::wstring CaptionText(int32_t quality, long long file_bytes);

}  // namespace zarnik
