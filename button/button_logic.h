// The button's arithmetic: colour strings as gradient channels. Pure logic.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zarnik {

// "&HC6C5D7" -> red 0xC600, green 0xC500, blue 0xD700: the number written back as upper-case
// hexadecimal, its two-digit groups read left to right as red, green and blue, each placed
// in the high byte of a 16-bit channel.
std::array<uint16_t, 3> ColourChannels(const std::wstring& colour_text);

}  // namespace zarnik
