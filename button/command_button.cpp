#include "button/command_button.h"

#include <cmath>

#include "platform/gdi.h"
#include "settings/number_text.h"

namespace zarnik {

namespace {

constexpr UINT_PTR kHoverCheck = 1;  // notices the pointer leaving over another window
constexpr UINT kHoverCheckMs = 100;

HINSTANCE g_instance = nullptr;

}  // namespace

bool CommandButton::Register(HINSTANCE instance) {
  g_instance = instance;
  return RegisterWindowClassFor<CommandButton>(
      {.name = kCommandClass, .instance = instance, .cursor = LoadCursorW(nullptr, IDC_ARROW)});
}

CommandButton::CommandButton(HINSTANCE instance, const FontSpec& ambient)
    : ambient_(ambient), face_(instance), font_(ambient) {}

CommandButton* CommandButton::Create(HWND parent, int id, int x, int y, int width, int height,
                                     const PropertyBag& bag, const FontSpec& ambient) {
  if (!g_instance) Register(reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)));
  HWND wnd = CreateOwnedWindow(std::unique_ptr<CommandButton>(new CommandButton(g_instance, ambient)),
                               {.class_name = kCommandClass,
                                .style = WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                                .x = x,
                                .y = y,
                                .width = width,
                                .height = height,
                                .parent = parent,
                                .child_id = id,
                                .instance = g_instance});
  CommandButton* button = FromWindow(wnd);
  if (!button) return nullptr;
  button->LoadProperties(bag);
  button->ShowEnabled();  // the host's sizing
  return button;
}

LRESULT CommandButton::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return TRUE;
    case WM_PRINTCLIENT:
      surface_.PaintTo(reinterpret_cast<HDC>(wp), 0, 0);
      return 0;
    case WM_PAINT: {
      ScopedPaint paint(wnd_);
      if (paint.get()) surface_.PaintTo(paint.get(), 0, 0);
      return 0;
    }
    case WM_SIZE:
      ShowEnabled();
      return 0;
    case WM_MOUSEMOVE:
      presses_.StillHeld(wp & MK_LBUTTON, wp & MK_RBUTTON, wp & MK_MBUTTON);
      OnMouseMove();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      presses_.Press(MouseButton::Left, 0);
      SetCapture(wnd_);
      if (GetFocus() != wnd_) SetFocus(wnd_);
      OnMouseDown(1);
      return 0;
    case WM_RBUTTONDOWN:
      presses_.Press(MouseButton::Right, 0);
      OnMouseDown(2);
      return 0;
    case WM_MBUTTONDOWN:
      presses_.Press(MouseButton::Middle, 0);
      OnMouseDown(4);
      return 0;
    case WM_LBUTTONUP: {
      // Read before the capture goes: losing it forgets the press.
      const bool pressed_here = presses_.Release(MouseButton::Left, 0);
      if (GetCapture() == wnd_) ReleaseCapture();
      OnMouseUp(1, pressed_here);  // may end the host: nothing after it
      return 0;
    }
    case WM_RBUTTONUP:
      OnMouseUp(2, presses_.Release(MouseButton::Right, 0));
      return 0;
    case WM_MBUTTONUP:
      OnMouseUp(4, presses_.Release(MouseButton::Middle, 0));
      return 0;
    case WM_CAPTURECHANGED:
      // Whoever took the pointer gets the left release.
      if (reinterpret_cast<HWND>(lp) != wnd_) presses_.Forget(MouseButton::Left);
      return 0;
    case WM_SETFOCUS:
      OnGotFocus();
      return 0;
    case WM_KILLFOCUS:
      OnLostFocus();
      return 0;
    case WM_TIMER:
      if (wp == kHoverCheck) OnTimer();
      return 0;
    case WM_DESTROY:
      KillTimer(wnd_, kHoverCheck);
      return 0;
    case WM_GETDLGCODE:
      // A push button to the dialog manager: the focused one is the one Enter presses.
      return DLGC_BUTTON | (GetFocus() == wnd_ ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case WM_KEYDOWN:
      if (wp == VK_SPACE) OnSpaceDown(lp);
      return 0;
    case WM_KEYUP:
      if (wp == VK_SPACE) OnSpaceUp();  // may end the host: nothing after it
      return 0;
  }
  return DefWindowProcW(wnd_, msg, wp, lp);
}

// Space presses the focused button as a standard push button does: down shows it pressed,
// up clicks.
void CommandButton::OnSpaceDown(LPARAM lp) {
  if (!enabled_flag_ || (lp & (1 << 30))) return;  // held down: no repeats
  space_held_ = true;
  DrawState(ButtonFace::kPressed);
}

void CommandButton::OnSpaceUp() {
  if (!space_held_) return;
  space_held_ = false;
  DrawState(state_ == ButtonState::HighLightSelect ? ButtonFace::kHighLightSelect : ButtonFace::kSelected);
  if (enabled_flag_) RaiseClick();
}

void CommandButton::DrawState(Picture picture) {
  // Under the pointer without the focus, the gradient runs the other way up.
  if (state_ == ButtonState::Normal || state_ == ButtonState::Selected) shade_inverted_ = 0;
  if (state_ == ButtonState::HighLight) shade_inverted_ = -1;
  last_picture_ = picture;

  RECT client{};
  GetClientRect(wnd_, &client);
  const ButtonFace::Look look{.picture = picture,
                              .inverted = shade_inverted_ != 0,
                              .opaque = opaque_,
                              .caption = &caption_,
                              .font = &font_,
                              .colour = caption_colour_,
                              .enabled = caption_enabled_};
  if (face_.Draw(surface_, client.right, client.bottom, look)) InvalidateRect(wnd_, nullptr, FALSE);
}

void CommandButton::LeaveHover() {
  if (!enabled_flag_) return;
  if (state_ == ButtonState::HighLight) {
    state_ = ButtonState::Normal;
    DrawState(ButtonFace::kNormal);
  } else if (state_ == ButtonState::HighLightSelect) {
    state_ = ButtonState::Selected;
    DrawState(ButtonFace::kSelected);
  }
}

void CommandButton::ShowEnabled() {
  caption_enabled_ = enabled_flag_ != 0;
  DrawState(enabled_flag_ ? ButtonFace::kNormal : ButtonFace::kDisable);
}

void CommandButton::ShowNormal() {
  if (!enabled_flag_) return;
  caption_enabled_ = true;
  if (first_run_ == 0) caption_colour_ = 0;
  DrawState(ButtonFace::kNormal);
}

void CommandButton::OnMouseMove() {
  if (!enabled_flag_) return;
  if (state_ == ButtonState::Normal) {
    state_ = ButtonState::HighLight;
    DrawState(ButtonFace::kHighLight);
  } else if (state_ == ButtonState::Selected && !mouse_held_) {
    state_ = ButtonState::HighLightSelect;
    DrawState(ButtonFace::kHighLightSelect);
  }
}

void CommandButton::OnMouseDown(int button) {
  if (!enabled_flag_ || button != 1) return;
  mouse_held_ = -1;
  DrawState(ButtonFace::kPressed);
}

void CommandButton::OnMouseUp(int button, bool pressed_here) {
  if (!enabled_flag_) return;
  if (button == 1) {
    mouse_held_ = 0;
    if (state_ == ButtonState::HighLight) DrawState(ButtonFace::kNormal);
    if (state_ == ButtonState::HighLightSelect) DrawState(ButtonFace::kHighLightSelect);
  }
  // A release whose press went to another window is no click.
  if (state_ != ButtonState::Selected && enabled_flag_ && pressed_here) RaiseClick();
}

void CommandButton::OnGotFocus() {
  if (!enabled_flag_) return;
  if (state_ != ButtonState::HighLight) {
    state_ = ButtonState::Selected;
    DrawState(ButtonFace::kSelected);
  } else {
    state_ = ButtonState::HighLightSelect;
    DrawState(ButtonFace::kPressed);
  }
}

void CommandButton::OnLostFocus() {
  space_held_ = false;
  if (!enabled_flag_) return;
  if (state_ != ButtonState::Normal) {
    state_ = ButtonState::Normal;
    DrawState(ButtonFace::kNormal);
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
  state_ = ButtonState::Normal;
  SetTimer(wnd_, kHoverCheck, kHoverCheckMs, nullptr);
}

uint8_t CommandButton::Visible() {
  if (!opaque_) return 0;
  ShowNormal();
  return 255;
}

void CommandButton::SetVisible(uint8_t value) {
  if (value == 0) {
    opaque_ = false;
    DrawState(last_picture_ == ButtonFace::kNone ? ButtonFace::kNormal : last_picture_);
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
  // The window follows, so that Tab passes a disabled button by.
  EnableWindow(wnd_, value ? TRUE : FALSE);
  ShowEnabled();
}

void CommandButton::SetCaption(const std::wstring& text) {
  caption_ = text;
  SetWindowTextW(wnd_, caption_.c_str());  // what other programs and screen readers read
  DrawState(last_picture_ == ButtonFace::kNone ? ButtonFace::kNormal : last_picture_);
}

void CommandButton::SetFont(const FontSpec& font) {
  font_ = font;
  DrawState(last_picture_ == ButtonFace::kNone ? ButtonFace::kNormal : last_picture_);
}

void CommandButton::LoadProperties(const PropertyBag& bag) {
  // Each value on its own: one that cannot be read leaves its field as it was.
  int16_t enabled = enabled_flag_;
  if (ReadBoolean(bag.Read(L"Enabled", L"True"), &enabled)) enabled_flag_ = enabled;
  EnableWindow(wnd_, enabled_flag_ ? TRUE : FALSE);
  caption_ = bag.Read(L"Caption", L"Command1");
  SetWindowTextW(wnd_, caption_.c_str());
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
