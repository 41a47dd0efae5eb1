// The stored properties of a button: a keyed store kept with the host window's design.
// Keys match whatever their case; a value equal to its default (by value: 1 equals "1") is
// not stored, and reading a key that is not stored gives the default. Pure logic.
//
// Text form, one entry a line: key=value, keys in lower case, values as written (a value
// holds no line break). Lines that are empty, start with ';' or have no '=' are skipped.
#pragma once

#include <map>
#include <string>

namespace zarnik {

class PropertyBag {
 public:
  static PropertyBag Parse(const std::wstring& text);
  std::wstring Text() const;

  std::wstring Read(const std::wstring& key, const std::wstring& default_value) const;
  // Stores the value, or removes the key when the value equals the default.
  void Write(const std::wstring& key, const std::wstring& value, const std::wstring& default_value);
  bool Has(const std::wstring& key) const;
  size_t size() const { return values_.size(); }

  // Equal as numbers when both read as numbers, else as texts.
  static bool SameValue(const std::wstring& a, const std::wstring& b);

 private:
  static std::wstring Key(const std::wstring& key);
  std::map<std::wstring, std::wstring> values_;
};

}  // namespace zarnik
