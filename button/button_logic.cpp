#include "button/button_logic.h"

#include <cmath>
#include <cstdio>

#include "startup/number_text.h"

namespace zarnik {

std::array<uint16_t, 3> ColourChannels(const std::wstring& colour_text) {
  const double value = LenientValue(colour_text);
  // The hexadecimal text of the number, as the legacy Hex$ gives it (32-bit two's complement).
  const long long whole = static_cast<long long>(std::llround(value));
  wchar_t hex[20];
  std::swprintf(hex, 20, L"%llX", static_cast<unsigned long long>(whole) & 0xFFFFFFFFull);
  const std::wstring digits = hex;
  std::array<uint16_t, 3> channels{};
  for (int c = 0; c < 3; ++c) {
    const size_t at = static_cast<size_t>(c) * 2;
    const std::wstring group = at < digits.size() ? digits.substr(at, 2) : L"";
    // "&H" + group + "00" read as a 16-bit number: the group lands in the high byte.
    const double read = LenientValue(L"&H" + group + L"00");
    channels[c] = static_cast<uint16_t>(static_cast<int32_t>(read) & 0xFFFF);
  }
  return channels;
}

}  // namespace zarnik
