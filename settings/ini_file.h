// The private-profile text format (section headers, key=value lines), read and edited the way
// the platform's profile functions treat it, but on the file's own bytes: code page 932 on
// every system, whatever the machine's code page. Files an editor saved as Unicode (with a
// byte-order mark) are handled as UTF-16 text. Pure logic: no windows.h.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zarnik::ini {

// The platform's reader fills a 256-byte reply: at most 255 bytes and the NUL.
inline constexpr size_t kValueLimit = 255;

enum class Encoding { Cp932, Utf8, Utf16Le, Utf16Be };

struct Detected {
  Encoding encoding;
  size_t mark_length;  // bytes of the byte-order mark, 0 for code page 932
};

// The encoding a file's first bytes announce; no mark means code page 932.
Detected DetectEncoding(std::string_view bytes);

// Code page 932 text, read as the platform reads it: a lead byte takes the next byte along
// unless that is NUL or missing. Lines end at CR, LF or CR LF; blanks (tab to CR, ^Z, space)
// around names and values are dropped; names match case-blind in ASCII; only the first
// section of a name counts, and in it the first line of the key, even when that line has no
// '='. The value loses one pair of enclosing quotes (' or ") and is cut to kValueLimit bytes,
// never inside a two-byte character; a NUL ends it. Nothing when the key is missing or has
// no '='. An empty section name means the lines before the first header. Names asked for
// lose a lead byte left alone at their end, as the platform's decoder drops it.
std::optional<std::string> FindValue(std::string_view text, std::string_view section,
                                     std::string_view key);

// The same for UTF-16 text; the cut counts code units and keeps surrogate pairs whole.
std::optional<std::u16string> FindValue(std::u16string_view text, std::u16string_view section,
                                        std::u16string_view key);

// The text with key=value set in the section: the key's line (the one FindValue reads) is
// rewritten as name=value in the file's spelling of the name, else a line is added after the
// section's last line, else the section is added at the end. Every other byte stays as it
// was; new lines end in CR LF. The value is written as given up to a NUL, CR or LF. Nothing
// when the section or key is blank.
std::optional<std::string> SetValue(std::string_view text, std::string_view section,
                                    std::string_view key, std::string_view value);

std::optional<std::u16string> SetValue(std::u16string_view text, std::u16string_view section,
                                       std::u16string_view key, std::u16string_view value);

}  // namespace zarnik::ini
