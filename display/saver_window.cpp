#include "display/saver_window.h"

#include <memory>

#include "converter/quorvel_binding.h"
#include "display/decay_cycle.h"
#include "display/quality_schedule.h"
#include "music/zarnik_bgm.h"
#include "startup/gdi.h"
#include "startup/paths.h"
#include "startup/picture_file.h"
#include "startup/shared_state.h"
#include "startup/start.h"
#include "startup/surface.h"
#include "startup/window_thunk.h"

namespace zarnik {

namespace {

constexpr UINT_PTR kTimer1 = 1;  // music file check
constexpr UINT_PTR kTimer2 = 2;  // music CD check
constexpr UINT_PTR kTimer3 = 3;  // decay tick
constexpr UINT kTimer1Ms = 1000;
constexpr UINT kTimer2Ms = 200;
constexpr UINT kTimer3Ms = 500;

class SaverWindow {
 public:
  SaverWindow(bool hides_cursor)
      : hides_cursor_(hides_cursor),
        cycle_(FileIn(FilesFolder(), L"\\Quorvel.bmp"), FileIn(FilesFolder(), L"\\Quorvel.jpg"),
               [](const std::wstring& bmp, const std::wstring& jpg, int32_t quality) {
                 return ConvertBMPtoJPG(bmp, jpg, quality);
               }) {}

  friend LRESULT CALLBACK WindowThunk<SaverWindow>(HWND, UINT, WPARAM, LPARAM);

 private:
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void FormLoad();
  void TakeSourcePicture();
  void StartMusic();
  void OnPaint();
  void OnTimer(UINT_PTR id);
  void EndSaver();
  void FormUnload();
  void SetTimerEnabled(UINT_PTR id, UINT ms, bool enabled);
  bool TimerEnabled(UINT_PTR id) const { return id < 4 && timer_on_[id]; }
  void InvalidateDisplay();

  HWND wnd_ = nullptr;
  bool hides_cursor_;
  bool ending_ = false;
  bool unloaded_ = false;
  int form_w_ = 0;
  int form_h_ = 0;
  POINT display_at_{0, 0};
  Surface pic_cap_;
  Surface display_;
  DecayCycle cycle_;
  bool timer_on_[4] = {};
};

void SaverWindow::SetTimerEnabled(UINT_PTR id, UINT ms, bool enabled) {
  if (enabled) {
    if (SetTimer(wnd_, id, ms, nullptr)) timer_on_[id] = true;
  } else {
    KillTimer(wnd_, id);
    timer_on_[id] = false;
  }
}

void SaverWindow::InvalidateDisplay() {
  RECT r{display_at_.x, display_at_.y, display_at_.x + display_.width(), display_at_.y + display_.height()};
  InvalidateRect(wnd_, &r, FALSE);
}

void SaverWindow::TakeSourcePicture() {
  if (Zarnik_B::PictureSource == 0) {
    display_at_ = {0, 0};
    pic_cap_.Resize(form_w_, form_h_);
    HWND desk_wnd = GetDesktopWindow();
    HDC desk_dc = GetDC(desk_wnd);
    if (desk_dc && pic_cap_.dc()) {
      Zarnik_B::LastResult = BitBlt(pic_cap_.dc(), 0, 0, form_w_, form_h_, desk_dc, 0, 0, SRCCOPY);
      GdiFlush();
    }
    // Sized after the capture: the system may hold a copy of the screen while it reads it.
    display_.Resize(form_w_, form_h_);
    display_.Assign(pic_cap_);
    if (desk_dc) Zarnik_B::LastResult = ReleaseDC(desk_wnd, desk_dc);
    return;
  }
  // A picture that cannot be loaded leaves the source empty: black, and nothing to convert.
  LoadPictureFile(Zarnik_B::PictureFile, pic_cap_);
  display_.Resize(pic_cap_.width(), pic_cap_.height());
  display_.Assign(pic_cap_);
  display_at_.x = static_cast<LONG>((static_cast<double>(form_w_) - display_.width()) / 2);
  display_at_.y = static_cast<LONG>((static_cast<double>(form_h_) - display_.height()) / 2);
}

void SaverWindow::StartMusic() {
  try {
    if (Zarnik_BGM::MusicKind == 1) {
      Zarnik_BGM::CD_Open();
      SetTimerEnabled(kTimer2, kTimer2Ms, true);
    }
    if (Zarnik_BGM::MusicKind == 2) {
      if (EndsWithKind(Zarnik_BGM::MusicFile, L"WAV")) Zarnik_BGM::WAV_Play();
      if (EndsWithKind(Zarnik_BGM::MusicFile, L"MP3")) {
        Zarnik_BGM::MP3_Play();
        SetTimerEnabled(kTimer1, kTimer1Ms, true);
      }
    }
  } catch (...) {
  }
}

void SaverWindow::FormLoad() {
  // The primary screen, in real pixels: the program is aware of display scaling.
  form_w_ = GetSystemMetrics(SM_CXSCREEN);
  form_h_ = GetSystemMetrics(SM_CYSCREEN);
  SetWindowPos(wnd_, nullptr, 0, 0, form_w_, form_h_, SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client{};
  if (GetClientRect(wnd_, &client)) {
    form_w_ = client.right;
    form_h_ = client.bottom;
  }

  // Before the window shows, so the capture is the desktop as the user left it.
  TakeSourcePicture();
  cycle_.set_quality(100);
  StartMusic();

  ShowWindow(wnd_, SW_SHOWNORMAL);
  Zarnik_B::LastResult = SetWindowPos(wnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
  SetForegroundWindow(wnd_);
  SetFocus(wnd_);
  UpdateWindow(wnd_);
  SetTimerEnabled(kTimer3, kTimer3Ms, true);
}

void SaverWindow::OnPaint() {
  ScopedPaint paint(wnd_);
  HDC dc = paint.get();
  if (!dc) return;
  const RECT& area = paint.area();
  // Black around the picture, then the picture.
  RECT pic{display_at_.x, display_at_.y, display_at_.x + display_.width(), display_at_.y + display_.height()};
  HRGN outside = CreateRectRgnIndirect(&area);
  HRGN inside = CreateRectRgnIndirect(&pic);
  if (outside && inside && CombineRgn(outside, outside, inside, RGN_DIFF) != ERROR)
    FillRgn(dc, outside, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  if (outside) DeleteObject(outside);
  if (inside) DeleteObject(inside);
  if (!display_.empty()) display_.PaintTo(dc, display_at_.x, display_at_.y);
}

void SaverWindow::OnTimer(UINT_PTR id) {
  switch (id) {
    case kTimer1:
      Zarnik_BGM::MP3_Check();
      break;
    case kTimer2:
      Zarnik_BGM::CD_Check();
      SetTimerEnabled(kTimer2, kTimer2Ms, Zarnik_BGM::CDReady != 0);
      break;
    case kTimer3:
      cycle_.Tick(pic_cap_, display_);
      InvalidateDisplay();
      UpdateWindow(wnd_);
      break;
  }
}

void SaverWindow::EndSaver() {
  if (ending_) return;
  ending_ = true;
  try {
    if (TimerEnabled(kTimer2)) {
      SetTimerEnabled(kTimer2, kTimer2Ms, false);
      Zarnik_BGM::CD_Stop();
    }
  } catch (...) {
  }
  try {
    if (Zarnik_BGM::MusicKind == 2) {
      if (EndsWithKind(Zarnik_BGM::MusicFile, L"WAV")) Zarnik_BGM::WAV_Stop();
      if (EndsWithKind(Zarnik_BGM::MusicFile, L"MP3")) {
        Zarnik_BGM::MP3_Stop();
        SetTimerEnabled(kTimer1, kTimer1Ms, false);
      }
    }
  } catch (...) {
  }
  if (hides_cursor_) {
    Zarnik_B::CursorCount = ShowCursor(Zarnik_B::CursorCount.value_or(0) != 0 ? TRUE : FALSE);
  }
  // The form unloads, then the program ends at once. No window is taken down first: a
  // full-screen window's hiding can wait on the window manager, and nothing needs it.
  FormUnload();
  ExitProcess(0);
}

void SaverWindow::FormUnload() {
  if (unloaded_) return;
  unloaded_ = true;
  for (UINT_PTR id : {kTimer1, kTimer2, kTimer3}) KillTimer(wnd_, id);
  cycle_.bitmap().Delete();
}

LRESULT SaverWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_APP:
      FormLoad();
      return 0;
    case WM_ERASEBKGND:
      return TRUE;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_TIMER:
      OnTimer(wp);
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_XBUTTONDBLCLK:
      EndSaver();
      return 0;
    case WM_SYSCOMMAND:
      // No screen-saver start of our own over the running one.
      if ((wp & 0xFFF0) == SC_SCREENSAVE) return 0;
      break;
    case WM_SETCURSOR:
      // The start-up hid the cursor (or left it); no class cursor fights that.
      if (LOWORD(lp) == HTCLIENT) {
        if (hides_cursor_) SetCursor(nullptr);
        else SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        return TRUE;
      }
      break;
    case WM_DESTROY:
      FormUnload();
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(wnd_, msg, wp, lp);
}


}  // namespace

bool ShowSaverWindow(HINSTANCE instance, bool hides_cursor) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = WindowThunk<SaverWindow>;
  wc.hInstance = instance;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = kSaverClass;
  RegisterClassExW(&wc);

  auto* saver = new (std::nothrow) SaverWindow(hides_cursor);
  if (!saver) return false;
  HWND wnd = CreateWindowExW(WS_EX_TOPMOST, kSaverClass, kSaverTitle, WS_POPUP, 0, 0,
                             GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                             nullptr, instance, saver);
  if (!wnd) {
    delete saver;
    return false;
  }
  // The load step: it shows the window itself.
  SendMessageW(wnd, WM_APP, 0, 0);
  return IsWindow(wnd) != FALSE;
}

}  // namespace zarnik
