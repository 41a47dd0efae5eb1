#include "platform/combo_box.h"

namespace zarnik {

ComboBox ComboBox::Create(HWND parent, int id, const RECT& at, int list_height, HINSTANCE instance) {
  ComboBox box;
  box.wnd_ = CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWN | WS_TABSTOP,
                             at.left, at.top, at.right - at.left, list_height, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  return box;
}

std::wstring ComboBox::Text() const {
  wchar_t text[256] = {};
  GetWindowTextW(wnd_, text, 256);
  return text;
}

void ComboBox::SetText(const std::wstring& text) { SetWindowTextW(wnd_, text.c_str()); }

void ComboBox::Add(const std::wstring& item) {
  SendMessageW(wnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

void ComboBox::Select(int index) { SendMessageW(wnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

void ComboBox::Enable(bool enabled) { EnableWindow(wnd_, enabled ? TRUE : FALSE); }

void ComboBox::SetFont(HFONT font) { SendMessageW(wnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE); }

}  // namespace zarnik
