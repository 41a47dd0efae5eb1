#include "settings/number_text.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace zarnik {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// Hexadecimal and octal literals are 16-bit when they fit four hex digits (or the octal
// equivalent), 32-bit up to eight: &HFFFF is -1 like the 16-bit pattern it spells.
double SignedLiteral(unsigned long long bits, int digits, int bits_per_digit) {
  int width = digits * bits_per_digit;
  if (bits <= 0xFFFF && width <= 16) return static_cast<int16_t>(bits);
  if (bits <= 0xFFFFFFFFull) return static_cast<int32_t>(bits);
  return static_cast<double>(bits);
}

}  // namespace

double LenientValue(std::wstring_view text) {
  std::string kept;  // the characters that form the number, blanks removed
  size_t i = 0;
  auto next = [&]() -> wchar_t {
    while (i < text.size() && IsBlank(text[i])) ++i;
    return i < text.size() ? text[i] : L'\0';
  };

  if (next() == L'&') {
    ++i;
    wchar_t base_char = next();
    int base = 0;
    if (base_char == L'H' || base_char == L'h') base = 16;
    if (base_char == L'O' || base_char == L'o') base = 8;
    if (base == 0) return 0;
    ++i;
    unsigned long long bits = 0;
    int digits = 0;
    for (;;) {
      int d = HexDigit(next());
      if (d < 0 || d >= base) break;
      if (bits > (std::numeric_limits<unsigned long long>::max() >> 4)) break;
      bits = bits * base + d;
      ++digits;
      ++i;
    }
    return SignedLiteral(bits, digits, base == 16 ? 4 : 3);
  }

  wchar_t c = next();
  if (c == L'+' || c == L'-') {
    kept += static_cast<char>(c);
    ++i;
  }
  bool any_digit = false;
  while (IsDigit(c = next())) {
    kept += static_cast<char>(c);
    any_digit = true;
    ++i;
  }
  if (next() == L'.') {
    kept += '.';
    ++i;
    while (IsDigit(c = next())) {
      kept += static_cast<char>(c);
      any_digit = true;
      ++i;
    }
  }
  if (!any_digit) return 0;
  c = next();
  if (c == L'e' || c == L'E' || c == L'd' || c == L'D') {
    std::string exponent = "e";
    ++i;
    c = next();
    if (c == L'+' || c == L'-') {
      exponent += static_cast<char>(c);
      ++i;
    }
    bool exp_digit = false;
    while (IsDigit(c = next())) {
      exponent += static_cast<char>(c);
      exp_digit = true;
      ++i;
    }
    if (exp_digit) kept += exponent;
  }
  return std::strtod(kept.c_str(), nullptr);
}

double RoundHalfEven(double value) {
  if (!std::isfinite(value)) return value;
  double floor_value = std::floor(value);
  double diff = value - floor_value;
  if (diff > 0.5) return floor_value + 1;
  if (diff < 0.5) return floor_value;
  return std::fmod(floor_value, 2.0) == 0 ? floor_value : floor_value + 1;
}

std::optional<double> StrictNumber(std::wstring_view text) {
  size_t i = 0, n = text.size();
  auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
  while (i < n && blank(text[i])) ++i;
  while (n > i && blank(text[n - 1])) --n;
  std::string kept;
  if (i < n && (text[i] == L'+' || text[i] == L'-')) kept += static_cast<char>(text[i++]);
  bool any_digit = false;
  while (i < n && IsDigit(text[i])) { kept += static_cast<char>(text[i++]); any_digit = true; }
  if (i < n && text[i] == L'.') {
    kept += '.';
    ++i;
    while (i < n && IsDigit(text[i])) { kept += static_cast<char>(text[i++]); any_digit = true; }
  }
  if (!any_digit) return std::nullopt;
  if (i < n && (text[i] == L'e' || text[i] == L'E' || text[i] == L'd' || text[i] == L'D')) {
    kept += 'e';
    ++i;
    if (i < n && (text[i] == L'+' || text[i] == L'-')) kept += static_cast<char>(text[i++]);
    bool exp_digit = false;
    while (i < n && IsDigit(text[i])) { kept += static_cast<char>(text[i++]); exp_digit = true; }
    if (!exp_digit) return std::nullopt;
  }
  if (i != n) return std::nullopt;
  double value = std::strtod(kept.c_str(), nullptr);
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

namespace {
std::optional<int16_t> Fit16(double value) {
  if (!std::isfinite(value) || value < -32768.0 || value > 32767.0) return std::nullopt;
  return static_cast<int16_t>(value);
}
}  // namespace

std::optional<int16_t> WholePart16(std::wstring_view text) {
  auto value = StrictNumber(text);
  if (!value) return std::nullopt;
  return Fit16(std::floor(*value));
}

std::optional<int16_t> Rounded16(std::wstring_view text) {
  auto value = StrictNumber(text);
  if (!value) return std::nullopt;
  return Fit16(RoundHalfEven(*value));
}

std::wstring NumberText(long long value) {
  return value < 0 ? std::to_wstring(value) : L" " + std::to_wstring(value);
}

}  // namespace zarnik
