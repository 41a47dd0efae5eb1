// Command: the owner-drawn push button of the settings dialog. A child window of its own
// that paints one of six stored pictures as a stretchable frame over a vertical gradient,
// with its caption on top; it follows the pointer and the focus through four states and
// tells its host of clicks.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "button/property_bag.h"
#include "startup/surface.h"

namespace zarnik {

inline constexpr wchar_t kCommandClass[] = L"Zarnik.Command";

struct FontSpec {
  std::wstring face = L"ＭＳ Ｐゴシック";
  double points = 9.75;
  int weight = 400;
  int charset = 128;
  bool italic = false;
  bool underline = false;
  bool strike = false;
  std::wstring Text() const;                        // "face,points,weight,charset,i,u,s"
  static bool Parse(const std::wstring& text, FontSpec* out);
  bool operator==(const FontSpec&) const = default;
};

class CommandButton {
 public:
  enum Picture { kNormal, kHighLight, kPressed, kSelected, kHighLightSelect, kDisable, kNone };

  static bool Register(HINSTANCE instance);
  // A button at x, y (pixels of the parent) of width x height, its properties loaded from the
  // bag; ambient is the host's font. Null when no window could be made. The window owns it.
  static CommandButton* Create(HWND parent, int id, int x, int y, int width, int height,
                               const PropertyBag& bag, const FontSpec& ambient = FontSpec{});
  static CommandButton* FromWindow(HWND wnd);  // null for any other window

  HWND hwnd() const { return wnd_; }
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
  int state() const { return state_; }
  bool mouse_held() const { return mouse_held_ != 0; }
  bool shade_inverted() const { return shade_inverted_ != 0; }
  uint8_t first_run() const { return first_run_; }
  Picture last_picture() const { return last_picture_; }
  const Surface& surface() const { return surface_; }

 private:
  CommandButton(HWND wnd, const FontSpec& ambient);
  static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

  void DrawState(Picture picture);
  void DrawGradient();
  void DrawCaption();
  void LeaveHover();
  void ShowEnabled();
  void ShowNormal();
  void OnMouseMove();
  void OnMouseDown(int button);
  void OnMouseUp(int button);
  void OnGotFocus();
  void OnLostFocus();
  void OnTimer();
  void RaiseClick();

  HWND wnd_;
  FontSpec ambient_;
  Surface surface_;
  std::function<void()> click_;
  int16_t shade_inverted_ = 0;
  uint8_t first_run_ = 0;
  int16_t enabled_flag_ = -1;
  uint8_t state_ = 0;
  int16_t mouse_held_ = 0;
  bool opaque_ = true;
  bool caption_enabled_ = true;
  std::wstring caption_ = L"Command";
  COLORREF caption_colour_ = 0;
  FontSpec font_;
  Picture last_picture_ = kNone;
};

}  // namespace zarnik
