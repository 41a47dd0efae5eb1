#include "display/saver_window.h"

#include <memory>

#include "converter/quorvel_binding.h"
#include "decay/monitor_set.h"
#include "decay/viewing_state.h"
#include "music/background_music.h"
#include "platform/gdi.h"
#include "platform/paths.h"
#include "platform/screen_watch.h"
#include "platform/window.h"
#include "settings/settings.h"
#include "settings/shared_state.h"

namespace zarnik {

namespace {

// The window's timers, by what each drives: the music's two checks, then the decay.
constexpr UINT_PTR kMusicTimer[BackgroundMusic::kCheckCount] = {1, 2};
constexpr UINT_PTR kDecayTick = 3;
constexpr UINT kDecayTickMs = 500;

// Whether the window is one of this process's: activation moving there is the saver's own.
bool OwnWindow(HWND wnd) {
  DWORD process = 0;
  return wnd && GetWindowThreadProcessId(wnd, &process) && process == GetCurrentProcessId();
}

class SaverWindow : public OwnedWindow {
 public:
  SaverWindow(bool hides_cursor, std::vector<std::wstring> work_folders)
      : hides_cursor_(hides_cursor),
        screens_(
            work_folders.empty() ? WorkFolders() : std::move(work_folders),
            [](const std::wstring& bmp, const std::wstring& jpg, int32_t quality) {
              return ConvertBMPtoJPG(bmp, jpg, quality);
            },
            Zarnik_B::DegradeLevel) {}

  friend LRESULT CALLBACK WindowThunk<SaverWindow>(HWND, UINT, WPARAM, LPARAM);

 private:
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void OnLoad();
  void TakeSourcePicture();
  void StartMusic();
  void FollowMusicChecks();
  void OnPaint();
  void OnTimer(UINT_PTR id);
  void EndSaver();
  void FormUnload();
  void PlaceOverMonitors();
  void OnTickEnded();
  void OnDisplayChange();
  void StartTick();
  void OnDeactivated(bool to_another_program);
  void FollowViewing(void (ViewingState::*event)(int), int value);

  bool hides_cursor_;
  bool ending_ = false;
  bool unloaded_ = false;
  // Losing the foreground ends the saver only once its own start is over: showing the window
  // over several monitors and the load step move the activation about themselves.
  bool ends_on_deactivation_ = false;
  ViewingState viewing_;
  ScreenWatch watch_;
  // Every monitor and the gaps between them: one window over the virtual screen, as the
  // system's own savers do, so one window takes every key and button and the previous-
  // instance lookup finds exactly one "Zarnik_Main". The degree is the run's, taken now.
  MonitorSet screens_;
  BackgroundMusic music_;
};

void SaverWindow::PlaceOverMonitors() {
  const Bounds b = screens_.bounds();
  SetWindowPos(wnd_, nullptr, b.left, b.top, b.right - b.left, b.bottom - b.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void SaverWindow::TakeSourcePicture() {
  try {
    if (Zarnik_B::PictureSource == 0) {
      Zarnik_B::LastResult = screens_.CaptureDesktop();
    } else if (!screens_.ShowPictureFile(Zarnik_B::PictureFile)) {
      // A picture that is there but cannot be decoded decays as black screens, so that the
      // cycle and its captions still run. One gone since the settings were read leaves every
      // monitor black with nothing to decay.
      if (FileExists(Zarnik_B::PictureFile)) screens_.ShowBlack();
      else screens_.ShowNothing();
    }
  } catch (...) {
    // No memory for a picture: what has none stays black, and the load goes on.
  }
}

void SaverWindow::StartMusic() {
  try {
    music_.Start();
  } catch (...) {
  }
  FollowMusicChecks();
}

// Each music check's timer runs exactly while the music wants that check.
void SaverWindow::FollowMusicChecks() {
  for (int c = 0; c < BackgroundMusic::kCheckCount; ++c) {
    const auto check = static_cast<BackgroundMusic::Check>(c);
    if (music_.CheckOn(check)) SetTimer(wnd_, kMusicTimer[c], BackgroundMusic::kIntervalMs[c], nullptr);
    else KillTimer(wnd_, kMusicTimer[c]);
  }
}

void SaverWindow::OnLoad() {
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
  // Ticks are for someone to see: a locked or disconnected session or a display that is off
  // stops them.
  watch_.Start(wnd_);
  SetTimer(wnd_, kDecayTick, kDecayTickMs, nullptr);
  ends_on_deactivation_ = true;
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
  for (int c = 0; c < BackgroundMusic::kCheckCount; ++c) {
    if (id != kMusicTimer[c]) continue;
    const auto check = static_cast<BackgroundMusic::Check>(c);
    music_.Tick(check);
    if (!music_.CheckOn(check)) KillTimer(wnd_, id);  // for good: nothing turns it on again
    return;
  }
  if (id == kDecayTick) StartTick();
}

void SaverWindow::StartTick() {
  // Nobody can see the screen: the schedule waits where it is.
  if (!viewing_.Ticks() || unloaded_) return;
  // A display change whose message never came is caught here.
  if (screens_.TickEnded() && !screens_.Covers(AttachedMonitors())) OnDisplayChange();
  // The monitors decay on worker threads; this thread goes on painting and taking input.
  screens_.StartTick([wnd = wnd_] { PostMessageW(wnd, kTickEnded, 0, 0); });
}

void SaverWindow::FollowViewing(void (ViewingState::*event)(int), int value) {
  const bool was = viewing_.Ticks();
  (viewing_.*event)(value);
  // Seen again: the next tick comes now, not half a second later.
  if (!was && viewing_.Ticks()) StartTick();
}

// What the system's own saver library does: whatever takes the foreground from the saver
// (a reminder, an update prompt) gets the keys, so the saver ends as a key would end it,
// rather than stay on top of a window that takes the user's keys unseen.
void SaverWindow::OnDeactivated(bool to_another_program) {
  // A window being destroyed is hidden first and gives up the activation on its way out.
  if (!ends_on_deactivation_ || !to_another_program || !IsWindowVisible(wnd_)) return;
  EndSaver();
}

void SaverWindow::EndSaver() {
  if (ending_) return;
  ending_ = true;
  music_.Stop();
  FollowMusicChecks();
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
  ends_on_deactivation_ = false;
  watch_.Stop();
  for (UINT_PTR id : {kMusicTimer[0], kMusicTimer[1], kDecayTick}) KillTimer(wnd_, id);
  // A tick under way ends first: no conversion is cut off half-way.
  screens_.DeleteBitmaps();
}

LRESULT SaverWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
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
    case WM_ACTIVATEAPP:
      if (!wp) OnDeactivated(true);
      return 0;
    case WM_ACTIVATE:
      // lParam: the window being activated; none, or another process's, is another program.
      if (LOWORD(wp) == WA_INACTIVE) OnDeactivated(!OwnWindow(reinterpret_cast<HWND>(lp)));
      break;
    case WM_WTSSESSION_CHANGE:
      FollowViewing(&ViewingState::OnSessionEvent, static_cast<int>(wp));
      return 0;
    case WM_POWERBROADCAST:
      if (auto state = DisplayStateIn(wp, lp)) FollowViewing(&ViewingState::OnDisplayState, *state);
      return TRUE;
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

bool ShowSaverWindow(HINSTANCE instance, bool hides_cursor, std::vector<std::wstring> work_folders) {
  RegisterWindowClassFor<SaverWindow>({.name = kSaverClass,
                                       .instance = instance,
                                       .background = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))});
  HWND wnd = CreateOwnedWindow(std::make_unique<SaverWindow>(hides_cursor, std::move(work_folders)),
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
  RunLoadStep(wnd);  // it shows the window itself
  return IsWindow(wnd) != FALSE;
}

}  // namespace zarnik
