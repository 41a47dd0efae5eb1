// The program's side of the converter library: bound by name at the first call, from the
// program's own folder only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zarnik {

inline constexpr wchar_t kConverterLibrary[] = L"Quorvel.dll";

// Converts the bitmap file into the JPEG file at the quality and gives the converter's
// result. Nothing when the converter could not be called: the library or its entry is
// missing, the quality does not fit its 16 bits, or a path has no form in the ANSI code page.
std::optional<int16_t> ConvertBMPtoJPG(const std::wstring& bmp, const std::wstring& jpg, int32_t quality);

}  // namespace zarnik
