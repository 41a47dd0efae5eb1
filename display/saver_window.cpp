#include "display/saver_window.h"

#include <memory>

#include "converter/quorvel_binding.h"
#include "display/decay_cycle.h"
#include "display/quality_schedule.h"
#include "music/zarnik_bgm.h"
#include "startup/gdi.h"
#include "startup/paths.h"
#include "startup/picture_file.h"
#include "startup/settings.h"
#include "startup/shared_state.h"
#include "startup/start.h"
#include "startup/surface.h"
#include "startup/window_thunk.h"

namespace zarnik {

namespace {

// The window's timers, by what each drives.
constexpr UINT_PTR kMusicFileCheck = 1;  // loops the MP3 when it has ended
constexpr UINT_PTR kMusicCdCheck = 2;    // follows the CD until it is ready
constexpr UINT_PTR kDecayTick = 3;       // one step of the decay
constexpr UINT_PTR kTimerCount = 4;
constexpr UINT kMusicFileCheckMs = 1000;
constexpr UINT kMusicCdCheckMs = 200;
constexpr UINT kDecayTickMs = 500;

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
  bool TimerEnabled(UINT_PTR id) const { return id < kTimerCount && timer_on_[id]; }
  void InvalidateDisplay();

  HWND wnd_ = nullptr;
  bool hides_cursor_;
  bool ending_ = false;
  bool loaded_ = false;
  bool unloaded_ = false;
  int form_w_ = 0;
  int form_h_ = 0;
  POINT display_at_{0, 0};
  Surface pic_cap_;
  Surface display_;
  DecayCycle cycle_;
  bool timer_on_[kTimerCount] = {};
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
    ScopedGetDC desktop(GetDesktopWindow());
    if (desktop && pic_cap_.dc()) {
      Zarnik_B::LastResult = BitBlt(pic_cap_.dc(), 0, 0, form_w_, form_h_, desktop, 0, 0, SRCCOPY);
      GdiFlush();
    }
    // Sized after the capture: the system may hold a copy of the screen while it reads it.
    display_.Resize(form_w_, form_h_);
    display_.Assign(pic_cap_);
    if (desktop) Zarnik_B::LastResult = desktop.Release();
    return;
  }
  // A picture gone since the settings were read leaves the source empty: black, nothing to
  // convert. One that is there but cannot be decoded decays as a black screen, so that the
  // cycle and its caption still run.
  if (!LoadPictureFile(Zarnik_B::PictureFile, pic_cap_) && FileExists(Zarnik_B::PictureFile)) {
    pic_cap_.Resize(form_w_, form_h_);  // cleared to black
  }
  display_.Resize(pic_cap_.width(), pic_cap_.height());
  display_.Assign(pic_cap_);
  display_at_.x = static_cast<LONG>((static_cast<double>(form_w_) - display_.width()) / 2);
  display_at_.y = static_cast<LONG>((static_cast<double>(form_h_) - display_.height()) / 2);
}

void SaverWindow::StartMusic() {
  try {
    if (Zarnik_BGM::MusicKind == 1) {
      Zarnik_BGM::CD_Open();
      SetTimerEnabled(kMusicCdCheck, kMusicCdCheckMs, true);
    }
    if (Zarnik_BGM::MusicKind == 2) {
      if (EndsWithKind(Zarnik_BGM::MusicFile, L"WAV")) Zarnik_BGM::WAV_Play();
      if (EndsWithKind(Zarnik_BGM::MusicFile, L"MP3")) {
        Zarnik_BGM::MP3_Play();
        SetTimerEnabled(kMusicFileCheck, kMusicFileCheckMs, true);
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
  SetTimerEnabled(kDecayTick, kDecayTickMs, true);
}

void SaverWindow::OnPaint() {
  ScopedPaint paint(wnd_);
  HDC dc = paint.get();
  if (!dc) return;
  const RECT& area = paint.area();
  // Black around the picture, then the picture.
  RECT pic{display_at_.x, display_at_.y, display_at_.x + display_.width(), display_at_.y + display_.height()};
  ScopedRegion outside(CreateRectRgnIndirect(&area));
  ScopedRegion inside(CreateRectRgnIndirect(&pic));
  if (outside && inside && CombineRgn(outside.get(), outside.get(), inside.get(), RGN_DIFF) != ERROR)
    FillRgn(dc, outside.get(), static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  if (!display_.empty()) display_.PaintTo(dc, display_at_.x, display_at_.y);
}

void SaverWindow::OnTimer(UINT_PTR id) {
  switch (id) {
    case kMusicFileCheck:
      Zarnik_BGM::MP3_Check();
      break;
    case kMusicCdCheck:
      Zarnik_BGM::CD_Check();
      SetTimerEnabled(kMusicCdCheck, kMusicCdCheckMs, Zarnik_BGM::CDReady != 0);
      break;
    case kDecayTick:
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
    if (TimerEnabled(kMusicCdCheck)) {
      SetTimerEnabled(kMusicCdCheck, kMusicCdCheckMs, false);
      Zarnik_BGM::CD_Stop();
    }
  } catch (...) {
  }
  try {
    if (Zarnik_BGM::MusicKind == 2) {
      if (EndsWithKind(Zarnik_BGM::MusicFile, L"WAV")) Zarnik_BGM::WAV_Stop();
      if (EndsWithKind(Zarnik_BGM::MusicFile, L"MP3")) {
        Zarnik_BGM::MP3_Stop();
        SetTimerEnabled(kMusicFileCheck, kMusicFileCheckMs, false);
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
  for (UINT_PTR id : {kMusicFileCheck, kMusicCdCheck, kDecayTick}) KillTimer(wnd_, id);
  cycle_.bitmap().Delete();
}

LRESULT SaverWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_APP:
      // Any process may post this message number: only the start's own load step counts.
      if (!loaded_) {
        loaded_ = true;
        FormLoad();
      }
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // Logoff, shutdown or restart end the process without a WM_DESTROY: close as if from
      // outside, so the music stops and the work file goes.
      if (wp) EndSaver();
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
  RegisterWindowClassFor<SaverWindow>({.name = kSaverClass,
                                       .instance = instance,
                                       .background = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))});
  HWND wnd = CreateOwnedWindow(std::make_unique<SaverWindow>(hides_cursor),
                               {.class_name = kSaverClass,
                                .title = kSaverTitle,
                                .style = WS_POPUP,
                                .ex_style = WS_EX_TOPMOST,
                                .width = GetSystemMetrics(SM_CXSCREEN),
                                .height = GetSystemMetrics(SM_CYSCREEN),
                                .instance = instance});
  if (!wnd) return false;
  // The load step: it shows the window itself.
  SendMessageW(wnd, WM_APP, 0, 0);
  return IsWindow(wnd) != FALSE;
}

}  // namespace zarnik
