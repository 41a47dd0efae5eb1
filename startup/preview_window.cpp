#include "startup/preview_window.h"

#include <cmath>
#include <limits>

#include "startup/gdi.h"
#include "startup/newer_api.h"
#include "startup/number_text.h"
#include "startup/picture_file.h"
#include "startup/resource_ids.h"
#include "startup/shared_state.h"
#include "startup/surface.h"

namespace zarnik {

namespace {

// The host may end without closing us (a crashed control panel): look for the parent now and
// then so that no orphaned preview keeps running.
constexpr UINT_PTR kParentWatch = 1;
constexpr UINT kParentWatchMs = 500;

struct PreviewState {
  Surface picture;   // the built-in 152 x 112 picture
  HWND host = nullptr;
};

int16_t TwipsToShort(double twips) {
  double r = RoundHalfEven(twips);
  // Host preview areas are small; a larger one is held at the largest size the field takes.
  if (!(r >= 0)) return 0;
  if (r > std::numeric_limits<int16_t>::max()) return std::numeric_limits<int16_t>::max();
  return static_cast<int16_t>(r);
}

int ScreenDpi(int index) {
  ScopedGetDC screen(nullptr);
  int dpi = screen ? GetDeviceCaps(screen, index) : 0;
  return dpi > 0 ? dpi : 96;
}

void OnPaint(HWND wnd, PreviewState* state) {
  ScopedPaint paint(wnd);
  if (!state || state->picture.empty()) return;
  RECT client{};
  GetClientRect(wnd, &client);
  SetStretchBltMode(paint.get(), HALFTONE);
  SetBrushOrgEx(paint.get(), 0, 0, nullptr);
  StretchBlt(paint.get(), 0, 0, client.right, client.bottom, state->picture.dc(), 0, 0,
             state->picture.width(), state->picture.height(), SRCCOPY);
}

LRESULT CALLBACK PreviewProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* state = reinterpret_cast<PreviewState*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
  try {
    switch (msg) {
      case WM_NCCREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        break;
      }
      case WM_ERASEBKGND:
        return TRUE;
      case WM_PAINT:
        OnPaint(wnd, state);
        return 0;
      case WM_TIMER:
        if (wp == kParentWatch && (!state || !IsWindow(state->host))) DestroyWindow(wnd);
        return 0;
      case WM_DESTROY:
        // The form's unload step posts itself a close; it finds the window gone and is dropped.
        Zarnik_B::LastResult = PostMessageW(wnd, WM_CLOSE, 0, 0);
        KillTimer(wnd, kParentWatch);
        PostQuitMessage(0);
        return 0;
      case WM_NCDESTROY:
        SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
        delete state;
        break;
    }
  } catch (...) {
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

}  // namespace

float TwipsPerPixelX() { return 1440.0f / static_cast<float>(ScreenDpi(LOGPIXELSX)); }
float TwipsPerPixelY() { return 1440.0f / static_cast<float>(ScreenDpi(LOGPIXELSY)); }

bool ShowPreviewWindow(HINSTANCE instance, int32_t host_handle) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = PreviewProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kPreviewClass;
  RegisterClassExW(&wc);  // already registered is fine

  auto* state = new (std::nothrow) PreviewState;
  if (!state) return false;
  state->host = WindowFromHandleValue(host_handle);
  LoadPictureResource(instance, IDR_PREVIEW_PICTURE, state->picture);

  // A child of another DPI awareness than its host is scaled or misplaced by the system:
  // measure and create in the host's.
  ScopedThreadDpiContext host_context(WindowDpiContext(state->host));

  RECT host_rect{};
  Zarnik_B::LastResult = GetWindowRect(state->host, &host_rect);
  const float tx = TwipsPerPixelX();
  const float ty = TwipsPerPixelY();
  Zarnik_B::PreviewLeft = 0;
  Zarnik_B::PreviewTop = 0;
  Zarnik_B::PreviewWidth = TwipsToShort(static_cast<double>(tx) * (host_rect.right - host_rect.left));
  Zarnik_B::PreviewHeight = TwipsToShort(static_cast<double>(ty) * (host_rect.bottom - host_rect.top));

  HWND wnd = CreateWindowExW(0, kPreviewClass, kPreviewTitle, WS_POPUP, 0, 0, 0, 0, nullptr,
                             nullptr, instance, state);
  if (!wnd) {
    delete state;
    return false;
  }
  LONG style = GetWindowLongW(wnd, GWL_STYLE);
  Zarnik_B::LastResult = SetWindowLongW(wnd, GWL_STYLE, (style | WS_CHILD) & ~WS_POPUP);
  Zarnik_B::LastResult = static_cast<int32_t>(reinterpret_cast<intptr_t>(SetParent(wnd, state->host)));

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
