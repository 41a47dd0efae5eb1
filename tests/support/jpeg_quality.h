// The quality a baseline JPEG was written at, read back from its quantisation tables.
#pragma once

#include <array>
#include <optional>
#include <string>

namespace zarnik::test {

// The luminance table (table 0) in zig-zag order, or nothing when the bytes hold none.
std::optional<std::array<int, 64>> LuminanceTable(const std::string& jpeg);

// The table the usual libjpeg quality scaling gives for a quality of 1..100.
std::array<int, 64> ExpectedLuminanceTable(int quality);

// The quality 1..100 whose table equals the file's, or nothing when none does.
std::optional<int> JpegQuality(const std::string& jpeg);

}  // namespace zarnik::test
