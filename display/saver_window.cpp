#include "display/saver_window.h"

#include <memory>

#include "converter/quorvel_binding.h"
#include "display/monitor_set.h"
#include "display/quality_schedule.h"
#include "music/zarnik_bgm.h"
#include "startup/gdi.h"
#include "startup/paths.h"
#include "startup/shared_state.h"
#include "startup/start.h"
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
// Posted by the last monitor's worker when a tick has ended everywhere.
constexpr UINT kTickEnded = WM_APP + 1;

class SaverWindow {
 public:
  SaverWindow(bool hides_cursor)
      : hides_cursor_(hides_cursor),
        screens_(FilesFolder(), [](const std::wstring& bmp, const std::wstring& jpg, int32_t quality) {
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
  void PlaceOverMonitors();
  void OnTickEnded();
  void OnDisplayChange();

  HWND wnd_ = nullptr;
  bool hides_cursor_;
  bool ending_ = false;
  bool loaded_ = false;
  bool unloaded_ = false;
  // Every monitor and the gaps between them: one window over the virtual screen, as the
  // system's own savers do, so one window takes every key and button and the previous-
  // instance lookup finds exactly one "Zarnik_Main".
  MonitorSet screens_;
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

void SaverWindow::PlaceOverMonitors() {
  const Bounds b = screens_.bounds();
  SetWindowPos(wnd_, nullptr, b.left, b.top, b.right - b.left, b.bottom - b.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void SaverWindow::TakeSourcePicture() {
  try {
    if (Zarnik_B::PictureSource == 0) screens_.CaptureDesktop();
    else screens_.ShowPictureFile(Zarnik_B::PictureFile);
  } catch (...) {
    // No memory for a picture: what has none stays black, and the load goes on.
  }
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
  // Every monitor, in real pixels: the program is aware of each monitor's scaling.
  try {
    screens_.Reset(AttachedMonitors());
  } catch (...) {
  }
  PlaceOverMonitors();

  // Before the window shows, so the capture is the desktop as the user left it.
  TakeSourcePicture();
  screens_.SetQuality(100);
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
  // Monitors are placed in screen pixels; the client area starts where the window does.
  POINT corner{0, 0};
  ClientToScreen(wnd_, &corner);
  screens_.Paint(dc, POINT{-corner.x, -corner.y}, paint.area());
}

void SaverWindow::OnTickEnded() {
  if (!screens_.TickEnded()) return;
  if (screens_.size() > 0) {
    if (auto result = screens_.monitor(0).cycle().last_result()) Zarnik_B::LastResult = *result;
  }
  InvalidateRect(wnd_, nullptr, FALSE);
  UpdateWindow(wnd_);
}

void SaverWindow::OnDisplayChange() {
  // Waits for a running tick; then no monitor is left uncovered.
  try {
    screens_.Update(AttachedMonitors());
  } catch (...) {
  }
  PlaceOverMonitors();
  InvalidateRect(wnd_, nullptr, FALSE);
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
      // A display change whose message never came is caught here.
      if (screens_.TickEnded() && !screens_.Covers(AttachedMonitors())) OnDisplayChange();
      // The monitors decay on worker threads; this thread goes on painting and taking input.
      screens_.StartTick([wnd = wnd_] { PostMessageW(wnd, kTickEnded, 0, 0); });
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
  // A tick under way ends first: no conversion is cut off half-way.
  screens_.DeleteBitmaps();
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
    case kTickEnded:
      OnTickEnded();
      return 0;
    case WM_DISPLAYCHANGE:
      OnDisplayChange();
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
                                .x = GetSystemMetrics(SM_XVIRTUALSCREEN),
                                .y = GetSystemMetrics(SM_YVIRTUALSCREEN),
                                .width = GetSystemMetrics(SM_CXVIRTUALSCREEN),
                                .height = GetSystemMetrics(SM_CYVIRTUALSCREEN),
                                .instance = instance});
  if (!wnd) return false;
  // The load step: it shows the window itself.
  SendMessageW(wnd, WM_APP, 0, 0);
  return IsWindow(wnd) != FALSE;
}

}  // namespace zarnik
