// A native fuzz target for the profile codec (libFuzzer): run by fuzz-ini.sh. The input is
// split into a file, a section, a key and a value at the first three 0xFE 0xFE pairs.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <type_traits>

#include "settings/ini_file.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// Text that reads back as written: no blanks or quotes to trim, nothing that ends or splits a
// line; names also without '=' and brackets, which would make them a value or a header.
template <class S>
bool Clean(const S& text, bool name) {
  if (text.size() > 200) return false;
  for (auto unit : text) {
    const auto c = static_cast<uint32_t>(static_cast<std::make_unsigned_t<decltype(unit)>>(unit));
    if (c < 0x21 || c == '"' || c == '\'' || c == 0x7F) return false;
    if (name && (c == '=' || c == '[' || c == ']')) return false;
    if (c >= 0x80 && (sizeof(unit) == 1 || (c >= 0xD800 && c <= 0xDFFF))) return false;
  }
  return true;
}

template <class S>
void Exercise(const S& file, const S& section, const S& key, const S& value, bool file_ok) {
  using namespace zarnik::ini;
  const auto found = FindValue(file, section, key);
  if (found) Check(found->size() <= kValueLimit);
  const auto written = SetValue(file, section, key, value);
  if (!written) return;
  Check(written->size() <= file.size() + section.size() + key.size() + value.size() + 16);
  if (!file_ok || !Clean(section, true) || !Clean(key, true) || !Clean(value, false)) return;
  const auto again = FindValue(*written, section, key);
  Check(again.has_value() && *again == value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::string parts[4];
  size_t start = 0;
  for (int i = 0; i < 3; ++i) {
    const size_t cut = input.find("\xFE\xFE", start);
    if (cut == std::string::npos) {
      parts[i] = input.substr(start);
      start = input.size();
      break;
    }
    parts[i] = input.substr(start, cut - start);
    start = cut + 2;
  }
  if (start < input.size()) parts[3] = input.substr(start);
  // A file ending in a lone lead byte pairs it with the line end written after it.
  const bool ends_ok = parts[0].empty() || !(static_cast<unsigned char>(parts[0].back()) & 0x80);
  Exercise(parts[0], parts[1], parts[2], parts[3], ends_ok);

  auto wide = [](const std::string& bytes) {
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
      text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                    (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return text;
  };
  Exercise(wide(parts[0]), wide(parts[1]), wide(parts[2]), wide(parts[3]), true);
  return 0;
}
