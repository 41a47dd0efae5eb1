// Number <-> text conversions with the rules the settings file and the command line were
// written with. Pure logic: no windows.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zarnik {

// The lenient reader: blanks, tabs and line feeds anywhere are ignored, a leading &H or &O
// reads hexadecimal or octal digits, reading stops at the first character that cannot go on
// a number, and no digits give 0.
double LenientValue(std::wstring_view text);

// Rounds to the nearest whole number, a half going to the even neighbour.
double RoundHalfEven(double value);

// The strict reader: the whole text must be a number (blanks around it, a sign, digits, a
// decimal point, an exponent). Empty or anything else gives nothing.
std::optional<double> StrictNumber(std::wstring_view text);

// The whole-number part (towards minus infinity) as a 16-bit value; nothing when the text is
// not a number or the result does not fit.
std::optional<int16_t> WholePart16(std::wstring_view text);

// Rounded half to even as a 16-bit value; nothing when not a number or out of range.
std::optional<int16_t> Rounded16(std::wstring_view text);

// "One blank, then the digits" for zero or more, "-digits" below zero.
std::wstring NumberText(long long value);

}  // namespace zarnik
