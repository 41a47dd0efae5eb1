#include "platform/scroll_bar.h"

#include <algorithm>

namespace zarnik {

ScrollBar ScrollBar::Create(HWND parent, int id, const RECT& at, int min, int max, HINSTANCE instance) {
  ScrollBar bar;
  bar.min_ = min;
  bar.max_ = max;
  bar.wnd_ = CreateWindowExW(0, L"SCROLLBAR", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | SBS_HORZ, at.left, at.top,
                             at.right - at.left, at.bottom - at.top, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
  si.nMin = min;
  si.nMax = max;
  si.nPos = min;
  if (bar.wnd_) SetScrollInfo(bar.wnd_, SB_CTL, &si, TRUE);
  return bar;
}

int ScrollBar::Position() const { return GetScrollPos(wnd_, SB_CTL); }

void ScrollBar::SetPosition(int position) { SetScrollPos(wnd_, SB_CTL, position, TRUE); }

void ScrollBar::SetFont(HFONT font) { SendMessageW(wnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE); }

std::optional<int> ScrollBar::PositionFor(WPARAM wp) const {
  int pos = Position();
  switch (LOWORD(wp)) {
    case SB_LINELEFT:
    case SB_PAGELEFT:
      --pos;
      break;
    case SB_LINERIGHT:
    case SB_PAGERIGHT:
      ++pos;
      break;
    case SB_LEFT:
      pos = min_;
      break;
    case SB_RIGHT:
      pos = max_;
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      pos = HIWORD(wp);
      break;
    default:
      return std::nullopt;
  }
  return std::clamp(pos, min_, max_);
}

}  // namespace zarnik
