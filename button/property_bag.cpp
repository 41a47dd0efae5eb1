#include "button/property_bag.h"

#include <cwctype>

#include "settings/number_text.h"

namespace zarnik {

std::wstring PropertyBag::Key(const std::wstring& key) {
  std::wstring lower = key;
  for (auto& c : lower) c = static_cast<wchar_t>(std::towlower(c));
  return lower;
}

bool PropertyBag::SameValue(const std::wstring& a, const std::wstring& b) {
  auto na = StrictNumber(a), nb = StrictNumber(b);
  if (na && nb) return *na == *nb;
  return a == b;
}

PropertyBag PropertyBag::Parse(const std::wstring& text) {
  PropertyBag bag;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    const size_t eq = line.find(L'=');
    if (!line.empty() && line[0] != L';' && eq != std::wstring::npos && eq > 0)
      bag.values_[Key(line.substr(0, eq))] = line.substr(eq + 1);
    start = end + 1;
  }
  return bag;
}

std::wstring PropertyBag::Text() const {
  std::wstring text;
  for (const auto& [key, value] : values_) text += key + L"=" + value + L"\r\n";
  return text;
}

std::wstring PropertyBag::Read(const std::wstring& key, const std::wstring& default_value) const {
  auto it = values_.find(Key(key));
  return it == values_.end() ? default_value : it->second;
}

void PropertyBag::Write(const std::wstring& key, const std::wstring& value, const std::wstring& default_value) {
  std::wstring clean = value;
  for (auto& c : clean)
    if (c == L'\r' || c == L'\n') c = L' ';
  if (SameValue(clean, default_value)) {
    values_.erase(Key(key));
  } else {
    values_[Key(key)] = clean;
  }
}

bool PropertyBag::Has(const std::wstring& key) const { return values_.count(Key(key)) != 0; }

}  // namespace zarnik
