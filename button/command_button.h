// Command: the owner-drawn push button of the settings dialog. A child window of its own
// that paints one of six stored pictures as a stretchable frame over a vertical gradient,
// with its caption on top; it follows the pointer and the focus through four states and
// tells its host of clicks.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "button/button_face.h"
#include "button/button_logic.h"
#include "button/press_record.h"
#include "button/property_bag.h"
#include "platform/surface.h"
#include "platform/window.h"

namespace zarnik {

inline constexpr wchar_t kCommandClass[] = L"Zarnik.Command";

// Where the button stands with the pointer and the focus.
enum class ButtonState : uint8_t {
  Uninitialised = 0,    // before Initialize
  Normal = 1,           // neither under the pointer nor focused
  HighLight = 2,        // under the pointer
  Selected = 3,         // focused
  HighLightSelect = 4,  // focused and under the pointer
};

class CommandButton : public OwnedWindow {
 public:
  using Picture = ButtonFace::Picture;

  static bool Register(HINSTANCE instance);
  // A button at x, y (pixels of the parent) of width x height, its properties loaded from the
  // bag; ambient is the host's font. Null when no window could be made. The window owns it.
  static CommandButton* Create(HWND parent, int id, int x, int y, int width, int height,
                               const PropertyBag& bag, const FontSpec& ambient = FontSpec{});
  static CommandButton* FromWindow(HWND wnd) { return WindowObject<CommandButton>(wnd); }  // null for any other
  void SetClick(std::function<void()> handler) { click_ = std::move(handler); }

  void Initialize();
  uint8_t Visible();
  void SetVisible(uint8_t value);
  COLORREF FontColour();
  void SetFontColour(COLORREF colour);
  int16_t Enabled();
  void SetEnabled(int16_t value);
  std::wstring Caption() const { return caption_; }
  void SetCaption(const std::wstring& text);
  FontSpec Font() const { return font_; }
  void SetFont(const FontSpec& font);

  void LoadProperties(const PropertyBag& bag);
  PropertyBag SaveProperties();

  // For tests: what the button is and last drew.
  ButtonState state() const { return state_; }
  bool mouse_held() const { return mouse_held_ != 0; }
  bool shade_inverted() const { return shade_inverted_ != 0; }
  uint8_t first_run() const { return first_run_; }
  Picture last_picture() const { return last_picture_; }
  const Surface& surface() const { return surface_; }

 private:
  CommandButton(HINSTANCE instance, const FontSpec& ambient);
  friend LRESULT CALLBACK WindowThunk<CommandButton>(HWND, UINT, WPARAM, LPARAM);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

  void DrawState(Picture picture);
  void LeaveHover();
  void ShowEnabled();
  void ShowNormal();
  void OnMouseMove();
  void OnMouseDown(int button);
  void OnMouseUp(int button, bool pressed_here);
  void OnGotFocus();
  void OnLostFocus();
  void OnTimer();
  void OnSpaceDown(LPARAM lp);
  void OnSpaceUp();
  void RaiseClick();

  FontSpec ambient_;
  Surface surface_;
  ButtonFace face_;
  std::function<void()> click_;
  int16_t shade_inverted_ = 0;
  uint8_t first_run_ = 0;
  int16_t enabled_flag_ = -1;
  ButtonState state_ = ButtonState::Uninitialised;
  int16_t mouse_held_ = 0;
  PressRecord presses_;  // which buttons were pressed here and not yet released
  bool opaque_ = true;
  bool caption_enabled_ = true;
  std::wstring caption_ = L"Command";
  COLORREF caption_colour_ = 0;
  FontSpec font_;
  Picture last_picture_ = ButtonFace::kNone;
  bool space_held_ = false;  // Space went down on this button and has not come up
};

}  // namespace zarnik
