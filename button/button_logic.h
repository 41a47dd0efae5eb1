// The button's pure parts: colour strings as gradient channels, the font description its
// properties store, and the reading of a stored yes/no.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zarnik {

// "&HC6C5D7" -> red 0xC600, green 0xC500, blue 0xD700: the number written back as upper-case
// hexadecimal, its two-digit groups read left to right as red, green and blue, each placed
// in the high byte of a 16-bit channel.
std::array<uint16_t, 3> ColourChannels(const std::wstring& colour_text);

struct FontSpec {
  std::wstring face = L"ＭＳ Ｐゴシック";
  double points = 9.75;
  int weight = 400;
  int charset = 128;
  bool italic = false;
  bool underline = false;
  bool strike = false;
  std::wstring Text() const;                        // "face,points,weight,charset,i,u,s"
  static bool Parse(const std::wstring& text, FontSpec* out);
  bool operator==(const FontSpec&) const = default;
};

// "True"/"False" in any case, or a number (non-zero is true), as -1 or 0. False when the text
// is neither, with out untouched.
bool ReadBoolean(const std::wstring& text, int16_t* out);

}  // namespace zarnik
