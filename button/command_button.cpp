#include "button/command_button.h"

#include <cmath>
#include <cstdio>
#include <cwctype>

#include "button/button_logic.h"
#include "button/resource_ids.h"
#include "startup/gdi.h"
#include "startup/number_text.h"

namespace zarnik {

namespace {

constexpr UINT_PTR kTmrMouse = 1;
constexpr UINT kTmrMouseMs = 100;
constexpr int kCornerTwips = 60;
constexpr int kCaptionTopTwips = 195;  // the caption label's design height
constexpr COLORREF kBackground = RGB(0xF2, 0xEE, 0xDF);
constexpr wchar_t kWhite[] = L"&HFFFFFF";
constexpr wchar_t kTint[] = L"&HC6C5D7";

int ScreenDpi() {
  ScopedGetDC screen(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
  return dpi > 0 ? dpi : 96;
}

// Twips to pixels at the screen's factor, as the forms toolkit scales.
int Px(double twips) { return static_cast<int>(std::lround(twips * ScreenDpi() / 1440.0)); }
double Twips(int pixels) { return pixels * 1440.0 / ScreenDpi(); }

const int kPictureIds[] = {IDB_BUTTON_NORMAL,   IDB_BUTTON_HIGHLIGHT,       IDB_BUTTON_PRESSED,
                           IDB_BUTTON_SELECTED, IDB_BUTTON_HIGHLIGHTSELECT, IDB_BUTTON_DISABLE};

HINSTANCE g_instance = nullptr;

bool ReadBoolean(const std::wstring& text, int16_t* out) {
  std::wstring lower = text;
  for (auto& c : lower) c = static_cast<wchar_t>(std::towlower(c));
  if (lower == L"true") return *out = -1, true;
  if (lower == L"false") return *out = 0, true;
  auto n = StrictNumber(text);
  if (!n) return false;
  *out = *n != 0 ? -1 : 0;
  return true;
}

}  // namespace

std::wstring FontSpec::Text() const {
  wchar_t size[32];
  std::swprintf(size, 32, L"%g", points);
  return face + L"," + size + L"," + std::to_wstring(weight) + L"," + std::to_wstring(charset) + L"," +
         (italic ? L"1" : L"0") + L"," + (underline ? L"1" : L"0") + L"," + (strike ? L"1" : L"0");
}

bool FontSpec::Parse(const std::wstring& text, FontSpec* out) {
  std::wstring parts[7];
  int n = 0;
  size_t start = 0;
  // The face name may itself hold commas: the six numbers are taken from the end.
  size_t end = text.size();
  for (n = 6; n > 0; --n) {
    size_t comma = text.rfind(L',', end == 0 ? 0 : end - 1);
    if (comma == std::wstring::npos || comma < start) return false;
    parts[n] = text.substr(comma + 1, end - comma - 1);
    end = comma;
  }
  parts[0] = text.substr(0, end);
  FontSpec font;
  font.face = parts[0];
  auto points = StrictNumber(parts[1]);
  auto weight = StrictNumber(parts[2]), charset = StrictNumber(parts[3]);
  if (font.face.empty() || !points || !weight || !charset) return false;
  font.points = *points;
  font.weight = static_cast<int>(*weight);
  font.charset = static_cast<int>(*charset);
  font.italic = parts[4] == L"1";
  font.underline = parts[5] == L"1";
  font.strike = parts[6] == L"1";
  *out = font;
  return true;
}

bool CommandButton::Register(HINSTANCE instance) {
  g_instance = instance;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kCommandClass;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

CommandButton::CommandButton(HWND wnd, const FontSpec& ambient) : wnd_(wnd), ambient_(ambient), font_(ambient) {}

struct CreateParams {
  FontSpec ambient;
};

CommandButton* CommandButton::Create(HWND parent, int id, int x, int y, int width, int height,
                                     const PropertyBag& bag, const FontSpec& ambient) {
  if (!g_instance) Register(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)));
  CreateParams params{ambient};
  HWND wnd = CreateWindowExW(0, kCommandClass, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, x, y, width, height,
                             parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), g_instance, &params);
  CommandButton* button = FromWindow(wnd);
  if (!button) return nullptr;
  button->LoadProperties(bag);
  button->ShowEnabled();  // the host's sizing
  return button;
}

CommandButton* CommandButton::FromWindow(HWND wnd) {
  if (!wnd) return nullptr;
  wchar_t name[64] = {};
  if (!GetClassNameW(wnd, name, 64) || std::wstring(name) != kCommandClass) return nullptr;
  // Another process's button of the same class keeps a pointer that means nothing here.
  DWORD process = 0;
  GetWindowThreadProcessId(wnd, &process);
  if (process != GetCurrentProcessId()) return nullptr;
  return reinterpret_cast<CommandButton*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
}

LRESULT CALLBACK CommandButton::Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<CommandButton*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    auto* params = static_cast<CreateParams*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    self = new (std::nothrow) CommandButton(wnd, params ? params->ambient : FontSpec{});
    if (!self) return FALSE;
    SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (!self) return DefWindowProcW(wnd, msg, wp, lp);
  LRESULT result = 0;
  try {
    result = self->Handle(msg, wp, lp);
  } catch (...) {
    result = 0;
  }
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
    delete self;
  }
  return result;
}

LRESULT CommandButton::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return TRUE;
    case WM_PAINT:
    case WM_PRINTCLIENT: {
      if (msg == WM_PRINTCLIENT) {
        surface_.PaintTo(reinterpret_cast<HDC>(wp), 0, 0);
        return 0;
      }
      ScopedPaint paint(wnd_);
      if (paint.get()) surface_.PaintTo(paint.get(), 0, 0);
      return 0;
    }
    case WM_SIZE:
      ShowEnabled();
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SetCapture(wnd_);
      if (GetFocus() != wnd_) SetFocus(wnd_);
      OnMouseDown(1);
      return 0;
    case WM_RBUTTONDOWN:
      OnMouseDown(2);
      return 0;
    case WM_MBUTTONDOWN:
      OnMouseDown(4);
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == wnd_) ReleaseCapture();
      OnMouseUp(1);  // may end the host: nothing after it
      return 0;
    case WM_RBUTTONUP:
      OnMouseUp(2);
      return 0;
    case WM_MBUTTONUP:
      OnMouseUp(4);
      return 0;
    case WM_SETFOCUS:
      OnGotFocus();
      return 0;
    case WM_KILLFOCUS:
      OnLostFocus();
      return 0;
    case WM_TIMER:
      if (wp == kTmrMouse) OnTimer();
      return 0;
    case WM_DESTROY:
      KillTimer(wnd_, kTmrMouse);
      return 0;
  }
  return DefWindowProcW(wnd_, msg, wp, lp);
}

void CommandButton::DrawState(Picture picture) {
  if (state_ == 1 || state_ == 3) shade_inverted_ = 0;
  if (state_ == 2) shade_inverted_ = -1;
  last_picture_ = picture;

  RECT client{};
  GetClientRect(wnd_, &client);
  const int w = client.right, h = client.bottom;
  if (w <= 0 || h <= 0) return;
  if (surface_.width() != w || surface_.height() != h) {
    surface_.SetBackground(kBackground);
    if (!surface_.Resize(w, h)) return;
  }
  surface_.Clear();

  if (opaque_) {
    DrawGradient();
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageW(g_instance, MAKEINTRESOURCEW(kPictureIds[picture]), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (bitmap) {
      MemoryDC source(surface_.dc());
      ScopedSelectObject select(source, bitmap);
      // The eight segments of the picture's outer band, in twips at the screen's factor;
      // the 1-twip offsets fall inside the first pixel.
      const int c = Px(kCornerTwips);
      const int pw = Px(960), ph = Px(375);  // 64 x 25 pixels at 96 dots per inch
      const int ew = pw - 2 * c, eh = ph - 2 * c;
      const int dw = w - 2 * c, dh = h - 2 * c;
      SetStretchBltMode(surface_.dc(), COLORONCOLOR);
      struct Segment { int sx, sy, sw, sh, dx, dy, dw, dh; };
      const Segment segments[] = {
          {0, 0, c, c, 0, 0, c, c},                // top-left corner
          {c, 0, ew, c, c, 0, dw, c},              // top edge
          {pw - c, 0, c, c, w - c, 0, c, c},       // top-right corner
          {pw - c, c, c, eh, w - c, c, c, dh},     // right edge
          {pw - c, ph - c, c, c, w - c, h - c, c, c},  // bottom-right corner
          {c, ph - c, ew, c, c, h - c, dw, c},     // bottom edge
          {0, ph - c, c, c, 0, h - c, c, c},       // bottom-left corner
          {0, c, c, eh, 0, c, c, dh},              // left edge
      };
      for (const Segment& s : segments) {
        if (s.dw <= 0 || s.dh <= 0) continue;
        StretchBlt(surface_.dc(), s.dx, s.dy, s.dw, s.dh, source, s.sx, s.sy, s.sw, s.sh, SRCCOPY);
      }
      DeleteObject(bitmap);
    }
  }
  DrawCaption();
  GdiFlush();
  InvalidateRect(wnd_, nullptr, FALSE);
}

void CommandButton::DrawGradient() {
  const auto white = ColourChannels(kWhite);
  const auto tint = ColourChannels(kTint);
  const auto& top = shade_inverted_ ? tint : white;
  const auto& bottom = shade_inverted_ ? white : tint;
  TRIVERTEX vertices[2] = {};
  vertices[0].x = 0;
  vertices[0].y = 0;
  vertices[0].Red = top[0];
  vertices[0].Green = top[1];
  vertices[0].Blue = top[2];
  vertices[1].x = surface_.width() - 1;
  vertices[1].y = surface_.height() - 1;
  vertices[1].Red = bottom[0];
  vertices[1].Green = bottom[1];
  vertices[1].Blue = bottom[2];
  GRADIENT_RECT rect{0, 1};
  GradientFill(surface_.dc(), vertices, 2, &rect, 1, GRADIENT_FILL_RECT_V);
}

void CommandButton::DrawCaption() {
  RECT client{};
  GetClientRect(wnd_, &client);
  const double h_twips = Twips(client.bottom);
  const int top = Px((h_twips - kCaptionTopTwips - 20) / 2);
  RECT box{0, top, client.right, top + Px(kCaptionTopTwips)};
  ScopedFont font(CreateFontW(-static_cast<int>(std::lround(font_.points * ScreenDpi() / 72.0)), 0, 0, 0,
                              font_.weight, font_.italic, font_.underline, font_.strike,
                              static_cast<BYTE>(font_.charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                              DEFAULT_QUALITY, DEFAULT_PITCH, font_.face.c_str()));
  ScopedSelectObject select(surface_.dc(), font.get());
  SetBkMode(surface_.dc(), TRANSPARENT);
  SetTextColor(surface_.dc(), caption_enabled_ ? caption_colour_ : GetSysColor(COLOR_GRAYTEXT));
  DrawTextW(surface_.dc(), caption_.c_str(), static_cast<int>(caption_.size()), &box,
            DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
}

void CommandButton::LeaveHover() {
  if (!enabled_flag_) return;
  if (state_ == 2) {
    state_ = 1;
    DrawState(kNormal);
  } else if (state_ == 4) {
    state_ = 3;
    DrawState(kSelected);
  }
}

void CommandButton::ShowEnabled() {
  caption_enabled_ = enabled_flag_ != 0;
  DrawState(enabled_flag_ ? kNormal : kDisable);
}

void CommandButton::ShowNormal() {
  if (!enabled_flag_) return;
  caption_enabled_ = true;
  if (first_run_ == 0) caption_colour_ = 0;
  DrawState(kNormal);
}

void CommandButton::OnMouseMove() {
  if (!enabled_flag_) return;
  if (state_ == 1) {
    state_ = 2;
    DrawState(kHighLight);
  } else if (state_ == 3 && !mouse_held_) {
    state_ = 4;
    DrawState(kHighLightSelect);
  }
}

void CommandButton::OnMouseDown(int button) {
  if (!enabled_flag_ || button != 1) return;
  mouse_held_ = -1;
  DrawState(kPressed);
}

void CommandButton::OnMouseUp(int button) {
  if (!enabled_flag_) return;
  if (button == 1) {
    mouse_held_ = 0;
    if (state_ == 2) DrawState(kNormal);
    if (state_ == 4) DrawState(kHighLightSelect);
  }
  if (state_ != 3 && enabled_flag_) RaiseClick();
}

void CommandButton::OnGotFocus() {
  if (!enabled_flag_) return;
  if (state_ != 2) {
    state_ = 3;
    DrawState(kSelected);
  } else {
    state_ = 4;
    DrawState(kPressed);
  }
}

void CommandButton::OnLostFocus() {
  if (!enabled_flag_) return;
  if (state_ != 1) {
    state_ = 1;
    DrawState(kNormal);
  }
}

void CommandButton::OnTimer() {
  POINT pt{};
  if (!GetCursorPos(&pt)) return;
  // Over the caption is over the button: the caption has no window of its own.
  if (WindowFromPoint(pt) != wnd_) LeaveHover();
}

void CommandButton::RaiseClick() {
  if (!click_) return;
  auto handler = click_;  // the handler may destroy this button
  try {
    handler();
  } catch (...) {
  }
}

void CommandButton::Initialize() {
  state_ = 1;
  SetTimer(wnd_, kTmrMouse, kTmrMouseMs, nullptr);
}

uint8_t CommandButton::Visible() {
  if (!opaque_) return 0;
  ShowNormal();
  return 255;
}

void CommandButton::SetVisible(uint8_t value) {
  if (value == 0) {
    opaque_ = false;
    DrawState(last_picture_ == kNone ? kNormal : last_picture_);
    return;
  }
  opaque_ = true;
  ShowNormal();
}

COLORREF CommandButton::FontColour() {
  const COLORREF colour = caption_colour_;
  ShowNormal();
  return colour;
}

void CommandButton::SetFontColour(COLORREF colour) {
  caption_colour_ = colour;
  ShowNormal();
}

int16_t CommandButton::Enabled() {
  if (first_run_ == 0) {
    ShowNormal();
    first_run_ = 1;
    enabled_flag_ = -1;
  }
  const int16_t result = enabled_flag_;
  ShowEnabled();
  return result;
}

void CommandButton::SetEnabled(int16_t value) {
  enabled_flag_ = value ? -1 : 0;
  ShowEnabled();
}

void CommandButton::SetCaption(const std::wstring& text) {
  caption_ = text;
  DrawState(last_picture_ == kNone ? kNormal : last_picture_);
}

void CommandButton::SetFont(const FontSpec& font) {
  font_ = font;
  DrawState(last_picture_ == kNone ? kNormal : last_picture_);
}

void CommandButton::LoadProperties(const PropertyBag& bag) {
  // Each value on its own: one that cannot be read leaves its field as it was.
  int16_t enabled = enabled_flag_;
  if (ReadBoolean(bag.Read(L"Enabled", L"True"), &enabled)) enabled_flag_ = enabled;
  caption_ = bag.Read(L"Caption", L"Command1");
  FontSpec stored;
  if (FontSpec::Parse(bag.Read(L"Font", ambient_.Text()), &stored)) font_.face = stored.face;
  if (auto n = StrictNumber(bag.Read(L"FirstRun", L"1")); n && *n >= 0 && *n <= 255)
    first_run_ = static_cast<uint8_t>(std::lround(*n));
  if (auto n = StrictNumber(bag.Read(L"FontColour", L"0")); n && *n >= -2147483648.0 && *n <= 4294967295.0)
    caption_colour_ = static_cast<COLORREF>(static_cast<long long>(*n));
  if (auto n = Rounded16(bag.Read(L"Visible", L"1"))) opaque_ = *n != 0;
  ShowNormal();
}

PropertyBag CommandButton::SaveProperties() {
  PropertyBag bag;
  bag.Write(L"Enabled", enabled_flag_ ? L"-1" : L"0", L"-1");
  bag.Write(L"Caption", caption_, L"Command");
  bag.Write(L"FirstRun", std::to_wstring(first_run_), L"1");
  bag.Write(L"Font", font_.Text(), ambient_.Text());
  bag.Write(L"FontColour", std::to_wstring(static_cast<long long>(caption_colour_)), L"0");
  bag.Write(L"Visible", opaque_ ? L"1" : L"0", L"1");
  ShowNormal();
  return bag;
}

}  // namespace zarnik
