#include "preview/preview_window.h"

#include <cmath>
#include <limits>
#include <memory>

#include "platform/gdi.h"
#include "platform/newer_api.h"
#include "platform/picture_file.h"
#include "platform/screen_scale.h"
#include "platform/surface.h"
#include "platform/window.h"
#include "preview/resource_ids.h"
#include "settings/number_text.h"
#include "settings/shared_state.h"

namespace zarnik {

namespace {

// The host may end without closing us (a crashed control panel): look for the parent now and
// then so that no orphaned preview keeps running.
constexpr UINT_PTR kParentWatch = 1;
constexpr UINT kParentWatchMs = 500;

int16_t TwipsToShort(double twips) {
  double r = RoundHalfEven(twips);
  // Host preview areas are small; a larger one is held at the largest size the field takes.
  if (!(r >= 0)) return 0;
  if (r > std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
  return static_cast<int16_t>(r);
}

class PreviewWindow : public OwnedWindow {
 public:
  explicit PreviewWindow(HWND host) : host_(host) {}
  friend LRESULT CALLBACK WindowThunk<PreviewWindow>(HWND, UINT, WPARAM, LPARAM);
  Surface& picture() { return picture_; }

 private:
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void OnPaint();

  HWND host_;
  Surface picture_;  // the built-in 152 x 112 picture
};

void PreviewWindow::OnPaint() {
  ScopedPaint paint(wnd_);
  if (picture_.empty()) return;
  RECT client{};
  GetClientRect(wnd_, &client);
  SetStretchBltMode(paint.get(), HALFTONE);
  SetBrushOrgEx(paint.get(), 0, 0, nullptr);
  StretchBlt(paint.get(), 0, 0, client.right, client.bottom, picture_.dc(), 0, 0, picture_.width(),
             picture_.height(), SRCCOPY);
}

LRESULT PreviewWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return TRUE;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_TIMER:
      if (wp == kParentWatch && !IsWindow(host_)) DestroyWindow(wnd_);
      return 0;
    case WM_DESTROY:
      // The form's unload step posts itself a close; it finds the window gone and is dropped.
      Zarnik_B::LastResult = PostMessageW(wnd_, WM_CLOSE, 0, 0);
      KillTimer(wnd_, kParentWatch);
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(wnd_, msg, wp, lp);
}

}  // namespace

bool ShowPreviewWindow(HINSTANCE instance, int32_t host_handle) {
  RegisterWindowClassFor<PreviewWindow>(
      {.name = kPreviewClass, .instance = instance, .cursor = LoadCursorW(nullptr, IDC_ARROW)});

  const HWND host = WindowFromHandleValue(host_handle);
  auto preview = std::make_unique<PreviewWindow>(host);
  LoadPictureResource(instance, IDR_PREVIEW_PICTURE, preview->picture());

  // A child of another DPI awareness than its host is scaled or misplaced by the system:
  // measure and create in the host's.
  ScopedThreadDpiContext host_context(WindowDpiContext(host));

  RECT host_rect{};
  Zarnik_B::LastResult = GetWindowRect(host, &host_rect);
  const ScreenScale scale = ScreenScaleNow();
  const float tx = scale.TwipsPerPixelX();
  const float ty = scale.TwipsPerPixelY();
  Zarnik_B::PreviewLeft = 0;
  Zarnik_B::PreviewTop = 0;
  Zarnik_B::PreviewWidth = TwipsToShort(static_cast<double>(tx) * (host_rect.right - host_rect.left));
  Zarnik_B::PreviewHeight = TwipsToShort(static_cast<double>(ty) * (host_rect.bottom - host_rect.top));

  HWND wnd = CreateOwnedWindow(std::move(preview), {.class_name = kPreviewClass,
                                                    .title = kPreviewTitle,
                                                    .style = WS_POPUP,
                                                    .instance = instance});
  if (!wnd) return false;
  LONG style = GetWindowLongW(wnd, GWL_STYLE);
  Zarnik_B::LastResult = SetWindowLongW(wnd, GWL_STYLE, (style | WS_CHILD) & ~WS_POPUP);
  Zarnik_B::LastResult = static_cast<int32_t>(reinterpret_cast<intptr_t>(SetParent(wnd, host)));

  // The form is placed in twips; the picture, measured in pixels, fills it.
  const int width = static_cast<int>(static_cast<float>(Zarnik_B::PreviewWidth) / tx);
  const int height = static_cast<int>(static_cast<float>(Zarnik_B::PreviewHeight) / ty);
  SetWindowPos(wnd, nullptr, static_cast<int>(Zarnik_B::PreviewLeft / tx),
               static_cast<int>(Zarnik_B::PreviewTop / ty), width, height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  SetTimer(wnd, kParentWatch, kParentWatchMs, nullptr);
  ShowWindow(wnd, SW_SHOWNA);
  UpdateWindow(wnd);
  return true;
}

}  // namespace zarnik
