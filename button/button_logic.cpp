#include "button/button_logic.h"

#include <cmath>
#include <cstdio>
#include <cwctype>

#include "settings/number_text.h"

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

bool ReadBoolean(const std::wstring& text, int16_t* out) {
  std::wstring lower = text;
  for (auto& c : lower) c = static_cast<wchar_t>(std::towlower(c));
  if (lower == L"true") return *out = -1, true;
  if (lower == L"false") return *out = 0, true;
  auto n = StrictNumber(text);
  if (!n) return false;
  *out = *n != 0 ? -1 : 0;
  return true;
}

std::wstring FontSpec::Text() const {
  wchar_t size[32];
  std::swprintf(size, 32, L"%g", points);
  return face + L"," + size + L"," + std::to_wstring(weight) + L"," + std::to_wstring(charset) + L"," +
         (italic ? L"1" : L"0") + L"," + (underline ? L"1" : L"0") + L"," + (strike ? L"1" : L"0");
}

bool FontSpec::Parse(const std::wstring& text, FontSpec* out) {
  std::wstring parts[7];
  int n = 0;
  size_t start = 0;
  // The face name may itself hold commas: the six numbers are taken from the end.
  size_t end = text.size();
  for (n = 6; n > 0; --n) {
    size_t comma = text.rfind(L',', end == 0 ? 0 : end - 1);
    if (comma == std::wstring::npos || comma < start) return false;
    parts[n] = text.substr(comma + 1, end - comma - 1);
    end = comma;
  }
  parts[0] = text.substr(0, end);
  FontSpec font;
  font.face = parts[0];
  auto points = StrictNumber(parts[1]);
  auto weight = StrictNumber(parts[2]), charset = StrictNumber(parts[3]);
  if (font.face.empty() || !points || !weight || !charset) return false;
  font.points = *points;
  font.weight = static_cast<int>(*weight);
  font.charset = static_cast<int>(*charset);
  font.italic = parts[4] == L"1";
  font.underline = parts[5] == L"1";
  font.strike = parts[6] == L"1";
  *out = font;
  return true;
}

}  // namespace zarnik
