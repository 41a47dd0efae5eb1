#include "settings/ini_file.h"

#include <type_traits>

namespace zarnik::ini {
namespace {

// How an encoding groups its code units into characters, and what a character costs in the
// reply buffer. The parser below only ever looks at whole characters, so a trail byte that
// happens to be '[' or ']' (0x5B, 0x5D, both valid trail bytes in code page 932) or an ASCII
// letter is never mistaken for one.
struct Cp932 {
  using Ch = char;
  static bool IsLead(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
  }
  // The platform's decoder pairs a lead byte with whatever follows, except a NUL or nothing.
  static size_t Length(std::string_view s, size_t i) {
    return IsLead(s[i]) && i + 1 < s.size() && s[i + 1] != '\0' ? 2 : 1;
  }
  // A lead byte left on its own decodes to the two-byte substitute character.
  static size_t Width(std::string_view s, size_t i, size_t length) {
    return length == 2 || IsLead(s[i]) ? 2 : 1;
  }
  static bool IsLoneLead(std::string_view s, size_t i, size_t length) {
    return length == 1 && IsLead(s[i]);
  }
};

struct Utf16 {
  using Ch = char16_t;
  static size_t Length(std::u16string_view s, size_t i) {
    return s[i] >= 0xD800 && s[i] <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
                   s[i + 1] <= 0xDFFF
               ? 2
               : 1;
  }
  static size_t Width(std::u16string_view, size_t, size_t length) { return length; }
  static bool IsLoneLead(std::u16string_view, size_t, size_t) { return false; }
};

constexpr size_t kNone = static_cast<size_t>(-1);

template <class E>
using View = std::basic_string_view<typename E::Ch>;
template <class E>
using Str = std::basic_string<typename E::Ch>;

// The ASCII code of a one-unit character, or -1 for anything else.
template <class E>
int AsciiAt(View<E> s, size_t i, size_t length) {
  if (length != 1) return -1;
  const auto unit = static_cast<std::make_unsigned_t<typename E::Ch>>(s[i]);
  return unit < 0x80 ? static_cast<int>(unit) : -1;
}

// Blanks as the platform's reader trims them: tab to carriage return, ^Z (a DOS end of file
// mark found on old media) and space. The ideographic space is not one.
bool IsBlank(int c) { return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20; }

int FoldAscii(int c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

struct Range {
  size_t begin = 0, end = 0;
  bool empty() const { return begin == end; }
};

// The range without leading and trailing blanks.
template <class E>
Range Trim(View<E> s, Range r) {
  Range kept{r.end, r.end};
  for (size_t i = r.begin; i < r.end;) {
    const size_t n = E::Length(s, i);
    if (!IsBlank(AsciiAt<E>(s, i, n))) {
      if (kept.begin == r.end) kept.begin = i;
      kept.end = i + n;
    }
    i += n;
  }
  if (kept.begin == r.end) kept.end = r.end;
  return kept;
}

// The range up to its first NUL: the platform keeps names and values as C strings.
template <class E>
Range UpToNul(View<E> s, Range r) {
  for (size_t i = r.begin; i < r.end; i += E::Length(s, i))
    if (s[i] == 0) return {r.begin, i};
  return r;
}

struct Line {
  size_t begin = 0, content_end = 0, end = 0;  // end: after the line's CR, LF or CR LF
};

template <class E>
Line LineAt(View<E> s, size_t begin) {
  Line line{begin, s.size(), s.size()};
  for (size_t i = begin; i < s.size();) {
    const size_t n = E::Length(s, i);
    const int c = AsciiAt<E>(s, i, n);
    if (c == '\n' || c == '\r') {
      line.content_end = i;
      line.end = i + 1;
      if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') line.end = i + 2;
      break;
    }
    i += n;
  }
  return line;
}

struct Entry {
  enum Kind { kBlank, kHeader, kKey } kind = kBlank;
  Range name;
  bool has_value = false;
  Range value;
};

// One line as the platform's reader sees it: "[name]" (up to the last ']', anything after it
// ignored), "name=value" (split at the first '='), a name alone, or nothing.
template <class E>
Entry Parse(View<E> s, const Line& line) {
  Entry entry;
  const Range text = Trim<E>(s, {line.begin, line.content_end});
  if (text.empty()) return entry;

  const size_t first = E::Length(s, text.begin);
  if (AsciiAt<E>(s, text.begin, first) == '[') {
    size_t close = kNone;
    for (size_t i = text.begin; i < text.end;) {
      const size_t n = E::Length(s, i);
      if (AsciiAt<E>(s, i, n) == ']') close = i;
      i += n;
    }
    if (close != kNone) {
      entry.kind = Entry::kHeader;
      entry.name = Trim<E>(s, {text.begin + first, close});
      return entry;
    }
  }

  entry.kind = Entry::kKey;
  for (size_t i = text.begin; i < text.end;) {
    const size_t n = E::Length(s, i);
    if (AsciiAt<E>(s, i, n) == '=') {
      entry.name = Trim<E>(s, {text.begin, i});
      entry.has_value = true;
      entry.value = Trim<E>(s, {i + 1, text.end});
      return entry;
    }
    i += n;
  }
  entry.name = text;
  return entry;
}

// A name from the file against a query name (trimmed, without NUL): character by character,
// ASCII letters case-blind.
template <class E>
bool NameEquals(View<E> s, Range name, View<E> query) {
  name = UpToNul<E>(s, name);
  size_t i = name.begin, j = 0;
  while (i < name.end) {
    if (j >= query.size()) return false;
    const size_t n = E::Length(s, i);
    const size_t m = E::Length(query, j);
    if (n != m) return false;
    if (n == 1) {
      const int a = AsciiAt<E>(s, i, 1), b = AsciiAt<E>(query, j, 1);
      if (a >= 0 || b >= 0) {
        if (FoldAscii(a) != FoldAscii(b)) return false;
      } else if (s[i] != query[j]) {
        return false;
      }
    } else if (s.substr(i, n) != query.substr(j, m)) {
      return false;
    }
    i += n;
    j += m;
  }
  return j == query.size();
}

// A caller's section or key name as the platform takes it: up to a NUL, without a lead byte
// left alone at its end (the platform's decoder drops it), blanks trimmed.
template <class E>
View<E> QueryName(View<E> name) {
  Range r = UpToNul<E>(name, {0, name.size()});
  size_t last = kNone;
  for (size_t i = r.begin; i < r.end; i += E::Length(name, i)) last = i;
  if (last != kNone && E::IsLoneLead(name, last, r.end - last)) r.end = last;
  r = Trim<E>(name, r);
  return name.substr(r.begin, r.end - r.begin);
}

struct Found {
  bool section = false;         // the section exists
  size_t section_last = kNone;  // the line of the section after which a new key goes
  size_t key_line = kNone;      // the line of the key (its first in the section)
  Entry key;
};

// Walks the lines up to the end of the first section named `section` (an empty name: the
// lines before the first header), looking for the first line of `key`.
template <class E>
Found Locate(View<E> s, View<E> section, View<E> key) {
  Found found;
  bool inside = section.empty();
  found.section = inside;
  for (size_t begin = 0; begin < s.size();) {
    const Line line = LineAt<E>(s, begin);
    const Entry entry = Parse<E>(s, line);
    if (entry.kind == Entry::kHeader) {
      if (inside) break;
      if (!found.section && NameEquals<E>(s, entry.name, section)) {
        inside = found.section = true;
        found.section_last = line.begin;
      }
    } else if (inside && entry.kind == Entry::kKey) {
      found.section_last = line.begin;
      if (NameEquals<E>(s, entry.name, key)) {
        found.key_line = line.begin;
        found.key = entry;
        break;
      }
    }
    begin = line.end;
  }
  return found;
}

template <class E>
std::optional<Str<E>> FindValueIn(View<E> s, View<E> section_name, View<E> key_name) {
  const View<E> section = QueryName<E>(section_name);
  const View<E> key = QueryName<E>(key_name);
  const Found found = Locate<E>(s, section, key);
  if (found.key_line == kNone || !found.key.has_value) return std::nullopt;

  Range value = UpToNul<E>(s, found.key.value);
  // One pair of matching quotes around the whole value goes.
  if (!value.empty()) {
    const size_t first = E::Length(s, value.begin);
    const int quote = AsciiAt<E>(s, value.begin, first);
    if ((quote == '"' || quote == '\'') && value.end - value.begin >= 2 &&
        s[value.end - 1] == s[value.begin]) {
      // The closing quote is a one-unit character only if no lead byte swallowed it.
      size_t last = value.begin;
      for (size_t i = value.begin; i < value.end; i += E::Length(s, i)) last = i;
      if (last != value.begin && AsciiAt<E>(s, last, E::Length(s, last)) == quote)
        value = {value.begin + first, last};
    }
  }
  // Cut to the reply buffer, whole characters only.
  size_t used = 0, end = value.begin;
  while (end < value.end) {
    const size_t n = E::Length(s, end);
    const size_t width = E::Width(s, end, n);
    if (used + width > kValueLimit) break;
    used += width;
    end += n;
  }
  return Str<E>(s.substr(value.begin, end - value.begin));
}

template <class E>
Str<E> Ascii(const char* text) {
  Str<E> out;
  for (; *text; ++text) out += static_cast<typename E::Ch>(*text);
  return out;
}

// Text written into a line: up to a NUL or line break (which would end it early on the next
// read, or smuggle in lines of its own), and without a lead byte left alone at its end, which
// would pair with the '=', ']' or line end written after it.
template <class E>
View<E> Writable(View<E> text) {
  size_t end = 0, last = kNone;
  while (end < text.size()) {
    const size_t n = E::Length(text, end);
    const int c = AsciiAt<E>(text, end, n);
    if (c == 0 || c == '\r' || c == '\n') break;
    last = end;
    end += n;
  }
  if (last != kNone && E::IsLoneLead(text, last, end - last)) end = last;
  return text.substr(0, end);
}

template <class E>
std::optional<Str<E>> SetValueIn(View<E> s, View<E> section_name, View<E> key_name,
                                 View<E> value_text) {
  const View<E> section = QueryName<E>(Writable<E>(section_name));
  const View<E> key = QueryName<E>(Writable<E>(key_name));
  if (section.empty() || key.empty()) return std::nullopt;
  const View<E> value = Writable<E>(value_text);
  const Str<E> crlf = Ascii<E>("\r\n");
  const Found found = Locate<E>(s, section, key);

  Str<E> out;
  if (found.key_line != kNone) {
    // The key's line becomes name=value; its line end stays as it was.
    const Line line = LineAt<E>(s, found.key_line);
    const Range name = UpToNul<E>(s, found.key.name);
    out.reserve(s.size() + value.size() + 2);
    out.append(s.substr(0, line.begin));
    out.append(s.substr(name.begin, name.end - name.begin));
    out += static_cast<typename E::Ch>('=');
    out.append(value);
    out.append(s.substr(line.content_end));
    return out;
  }

  Str<E> entry(key);
  entry += static_cast<typename E::Ch>('=');
  entry.append(value);
  entry += crlf;

  if (found.section) {
    // After the section's last header or key line, ahead of any blank lines that part it
    // from the next section.
    const Line last = LineAt<E>(s, found.section_last);
    out.append(s.substr(0, last.end));
    if (last.end == last.content_end) out += crlf;  // the file ended without a line end
    out += entry;
    out.append(s.substr(last.end));
    return out;
  }

  out.append(s);
  if (!s.empty()) {
    size_t last_line = 0;
    for (size_t begin = 0; begin < s.size(); begin = LineAt<E>(s, begin).end) last_line = begin;
    const Line last = LineAt<E>(s, last_line);
    if (last.end == last.content_end) out += crlf;
  }
  out += static_cast<typename E::Ch>('[');
  out.append(section);
  out += static_cast<typename E::Ch>(']');
  out += crlf;
  out += entry;
  return out;
}

}  // namespace

Detected DetectEncoding(std::string_view bytes) {
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return {Encoding::Utf8, 3};
  if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") return {Encoding::Utf16Le, 2};
  if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF") return {Encoding::Utf16Be, 2};
  return {Encoding::Cp932, 0};
}

std::optional<std::string> FindValue(std::string_view text, std::string_view section,
                                     std::string_view key) {
  return FindValueIn<Cp932>(text, section, key);
}

std::optional<std::u16string> FindValue(std::u16string_view text, std::u16string_view section,
                                        std::u16string_view key) {
  return FindValueIn<Utf16>(text, section, key);
}

std::optional<std::string> SetValue(std::string_view text, std::string_view section,
                                    std::string_view key, std::string_view value) {
  return SetValueIn<Cp932>(text, section, key, value);
}

std::optional<std::u16string> SetValue(std::u16string_view text, std::u16string_view section,
                                       std::u16string_view key, std::u16string_view value) {
  return SetValueIn<Utf16>(text, section, key, value);
}

}  // namespace zarnik::ini
