// A drop-down combo box of the system (a text box with a list), wrapped as a control of its
// own. The parent owns the window; this is a view of it.
#pragma once

#include <windows.h>

#include <string>

namespace zarnik {

class ComboBox {
 public:
  ComboBox() = default;
  // Null inside when the window could not be made; list_height is the dropped list's.
  static ComboBox Create(HWND parent, int id, const RECT& at, int list_height, HINSTANCE instance);

  HWND hwnd() const { return wnd_; }
  std::wstring Text() const;
  void SetText(const std::wstring& text);
  void Add(const std::wstring& item);
  // The list's item at the index as the chosen one (the arrow keys go on from it).
  void Select(int index);
  void Enable(bool enabled);
  void SetFont(HFONT font);

 private:
  HWND wnd_ = nullptr;
};

}  // namespace zarnik
