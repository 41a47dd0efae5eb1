// Text in a code page and back: the settings file's code page 932, the converter's ANSI
// paths, UTF-8 resources. The one place the program asks the system for these conversions.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace zarnik {

// The text in the code page as the system converts it, best-fit and default characters
// included; empty when the system cannot.
std::string ToCodePage(UINT code_page, std::wstring_view text);

// Bytes in the code page as text; flags as MultiByteToWideChar takes them (with
// MB_ERR_INVALID_CHARS, bytes that are no text give an empty result).
std::wstring FromCodePage(UINT code_page, std::string_view bytes, DWORD flags = 0);

// The system's conversions, replaceable so that tests can hold them to what Windows documents
// where Wine is more lenient.
struct CodePageFunctions {
  decltype(&WideCharToMultiByte) to_multibyte = WideCharToMultiByte;
  decltype(&MultiByteToWideChar) to_wide = MultiByteToWideChar;
};

// The code pages whose conversion takes no flags and no default-character arguments.
bool CodePageRefusesFlags(UINT code_page);

// The text in the code page, character for character; nothing when any character has no
// exact form there (no best-fit look-alikes, no default character).
std::optional<std::string> CodePageForm(std::wstring_view text, UINT code_page,
                                        const CodePageFunctions& fns = {});

}  // namespace zarnik
