#include "settings_dialog/settings_window.h"

#include <shellapi.h>

#include <memory>
#include <type_traits>
#include <vector>

#include "button/command_button.h"
#include "button/press_record.h"
#include "button/window_helpers.h"
#include "settings_dialog/dialog_controls.h"
#include "settings_dialog/dialog_painter.h"
#include "settings_dialog/dialog_rules.h"
#include "settings_dialog/dialog_texts.h"
#include "settings_dialog/layout.h"
#include "settings_dialog/resource_ids.h"
#include "settings_dialog/settings_form.h"
#include "startup/gdi.h"
#include "startup/newer_api.h"
#include "startup/number_text.h"
#include "startup/paths.h"
#include "startup/picture_file.h"
#include "startup/resource_ids.h"
#include "startup/screen_scale.h"
#include "startup/settings.h"
#include "startup/shared_state.h"
#include "startup/surface.h"
#include "startup/window_thunk.h"

namespace zarnik {

using namespace dialog;


void SettingsWindow::FormLoad() {
  const ScreenScale scale = ScreenScaleNow();
  const int tpp = scale.WholeTwipsPerPixel();
  const Placement at = PlaceForm(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), tpp);
  SetWindowPos(wnd_, nullptr, at.x, at.y, at.width, at.height, SWP_NOZORDER | SWP_NOACTIVATE);

  language_ = DialogLanguage();
  painter_.Load(instance_, wnd_, -scale.TwipsToPixelsTruncated(13 * 15), language_);
  hand_.reset(static_cast<HCURSOR>(LoadImageW(instance_, MAKEINTRESOURCEW(IDC_DIALOG_HAND), IMAGE_CURSOR, 32, 32, 0)));
  TakeWindowColour();
  display_.Resize(kThumbnailSide, kThumbnailSide);
  dummy_.Resize(57, 53);
  controls_.Create(instance_, wnd_, scale, painter_.font(), language_);
  BuildAccessKeys();
  if (controls_.cmd_pic) controls_.cmd_pic->SetClick([this] { CmdPicClick(); });
  if (controls_.cmd_bgm) controls_.cmd_bgm->SetClick([this] { CmdBgmClick(); });
  if (controls_.cmd_can) controls_.cmd_can->SetClick([this] { CmdCanClick(); });
  if (controls_.cmd_set) controls_.cmd_set->SetClick([this] { CmdSetClick(); });

  // The buttons start following the pointer; the background is laid before anything on it.
  SetButtons(wnd_, true, true);
  RECT client{};
  GetClientRect(wnd_, &client);
  painter_.PaintBackground(client.right, client.bottom);
  ShowSettings();
  RememberCursor();
  painter_.DrawStatic();
  DrawMarks();
  DrawNames();
  ZoomOpen(wnd_);
}

// The stored settings onto the controls: picture, degree, then music.
void SettingsWindow::ShowSettings() {
  sel_mark_ = PictureMarksFor(Zarnik_B::PictureSource, sel_mark_);
  picture_name_ = Zarnik_B::PictureFile;
  if (Zarnik_B::DegradeLevel >= 1 && Zarnik_B::DegradeLevel <= 10)
    SetScrollPos(controls_.scroll, SB_CTL, Zarnik_B::DegradeLevel, TRUE);
  degree_text_ = std::to_wstring(Zarnik_B::DegradeLevel);
  if (Zarnik_B::PictureSource == 1) {
    if (controls_.cmd_pic) controls_.cmd_pic->SetEnabled(-1);
    ShowThumbnail();
    Zarnik_B::PictureFolder = FolderOf(Zarnik_B::PictureFile);
  } else {
    if (controls_.cmd_pic) controls_.cmd_pic->SetEnabled(0);
    Zarnik_B::PictureFolder = ProgramFolder();
  }
  const MusicChoice music = ChooseMusic(Zarnik_BGM::MusicKind);
  bgm_mark_ = music.marks;
  if (controls_.cmd_bgm) controls_.cmd_bgm->SetEnabled(0);
  EnableWindow(controls_.repeat, FALSE);
  if (music.repeat_enabled) EnableWindow(controls_.repeat, TRUE);
  if (music.chooser_enabled && controls_.cmd_bgm) controls_.cmd_bgm->SetEnabled(-1);
  SetWindowTextW(controls_.repeat, RepeatTrackText(Zarnik_BGM::MusicRepeat).c_str());
  music_name_ = Zarnik_BGM::MusicFile;
  SendMessageW(controls_.repeat, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L""));
  for (int i = 1; i <= 20; ++i) SendMessageW(controls_.repeat, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::to_wstring(i).c_str()));
  // The stored track as the list's choice, so that the arrow keys go on from it.
  if (Zarnik_BGM::MusicRepeat >= 0 && Zarnik_BGM::MusicRepeat <= 20)
    SendMessageW(controls_.repeat, CB_SETCURSEL, static_cast<WPARAM>(Zarnik_BGM::MusicRepeat), 0);
}

// Where the pointer was, for the zoom out of and back into it.
void SettingsWindow::RememberCursor() {
  POINT pt{};
  Zarnik_B::LastResult = GetCursorPos(&pt);
  if (Zarnik_B::LastResult) {
    if (pt.x >= -32768 && pt.x <= 32767) Zarnik_B::CursorX = static_cast<int16_t>(pt.x);
    if (pt.y >= -32768 && pt.y <= 32767) Zarnik_B::CursorY = static_cast<int16_t>(pt.y);
  } else {
    Zarnik_B::CursorX = Zarnik_B::CursorY = 0;
  }
}

// The thumbnail's box is in the system's window colour, not a fixed white, so it follows a
// high-contrast theme.
void SettingsWindow::TakeWindowColour() {
  const COLORREF colour = GetSysColor(COLOR_WINDOW);
  display_.SetBackground(colour);
  dummy_.SetBackground(colour);
}

void SettingsWindow::ClearThumbnail() {
  thumbnail_shown_ = false;
  display_.Resize(kThumbnailSide, kThumbnailSide);
  display_.Clear();
  Repaint(In(kPanelPicture, kDisplay));
}

void SettingsWindow::ShowThumbnail() {
  const std::wstring file = picture_name_;
  if (file.empty() || !FileExists(file)) {
    ClearThumbnail();
    return;
  }
  Surface loaded;
  if (LoadPictureFile(file, loaded)) dummy_.Assign(loaded);  // a failed load keeps the last one
  const PixelSize size = ThumbnailSize(dummy_.width(), dummy_.height());
  display_.Resize(size.width, size.height);
  SetStretchBltMode(display_.dc(), COLORONCOLOR);
  Zarnik_B::LastResult = StretchBlt(display_.dc(), 0, 0, size.width, size.height, dummy_.dc(), 0, 0, dummy_.width(),
                                    dummy_.height(), SRCCOPY);
  GdiFlush();
  thumbnail_shown_ = true;
  Repaint(In(kPanelPicture, kDisplay));
}

void SettingsWindow::View(DialogView* view) const {
  view->picture_name = picture_name_;
  view->music_name = music_name_;
  view->degree_text = degree_text_;
  view->degree = GetScrollPos(controls_.scroll, SB_CTL);
  view->thumbnail = SIZE{display_.width(), display_.height()};
  for (int i = 0; i < 2; ++i) view->sel_mark[i] = sel_mark_[i];
  for (int i = 0; i < 3; ++i) view->bgm_mark[i] = bgm_mark_[i];
  view->labels = painter_.labels();
}

LRESULT SettingsWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_APP:
      // Any process may post this message number: only the start's own load step counts.
      if (!loaded_) {
        loaded_ = true;
        FormLoad();
      }
      return 0;
    case WM_COMMAND:
      // From the dialog manager (Enter, Esc) with BN_CLICKED, or an access key.
      if (HIWORD(wp) == BN_CLICKED || HIWORD(wp) == 1) OnCommand(LOWORD(wp));
      return 0;
    case DM_GETDEFID: {
      // Enter presses the focused button, else 設定.
      CommandButton* focused = CommandButton::FromWindow(GetFocus());
      const int id = focused && GetParent(focused->hwnd()) == wnd_ ? GetDlgCtrlID(focused->hwnd()) : kIdCmdSet;
      return MAKELRESULT(id, DC_HASDEFID);
    }
    case WM_ACTIVATE:
      OnActivate(LOWORD(wp) != WA_INACTIVE);
      return 0;
    case WM_ERASEBKGND:
      return TRUE;
    case WM_PAINT: {
      ScopedPaint paint(wnd_);
      if (!paint.get()) return 0;
      painter_.image().PaintTo(paint.get(), 0, 0);
      const RECT d = In(kPanelPicture, kDisplay);
      display_.PaintTo(paint.get(), d.left, d.top);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      const POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
      if (msg == WM_LBUTTONDOWN) {
        const int target = ClickTargetAt(pt);
        presses_.Press(MouseButton::Left, target);
        // The release then comes here wherever it happens, so no press is left waiting.
        if (target != PressRecord::kNowhere) SetCapture(wnd_);
      }
      if (int i = Hit(pt, kSelLabel, 2, kPanelPicture); i >= 0) SelMouseDown(i, true);
      else if (int j = Hit(pt, kSelMark, 2, kPanelPicture); j >= 0) SelMouseDown(j, false);
      return 0;
    }
    case WM_LBUTTONUP:
      // A click of the main button: pressed and released over the same option or the address.
      OnLeftRelease(POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
      return 0;
    case WM_MOUSEMOVE:
      presses_.StillHeld(wp & MK_LBUTTON, false, false);
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lp) != wnd_) presses_.Forget(MouseButton::Left);
      return 0;
    case WM_SETCURSOR: {
      POINT pt{};
      GetCursorPos(&pt);
      ScreenToClient(wnd_, &pt);
      if (reinterpret_cast<HWND>(wp) == wnd_ && LOWORD(lp) == HTCLIENT && PtInRect(&kUrl, pt) && hand_) {
        SetCursor(hand_.get());
        return TRUE;
      }
      break;
    }
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lp) == controls_.scroll) OnScroll(wp);
      return 0;
    case WM_CTLCOLORSCROLLBAR:
      break;
    case WM_SYSCOLORCHANGE:
      // The theme changed while the dialog is open: an empty box shows the new colour at once.
      TakeWindowColour();
      if (!thumbnail_shown_) ClearThumbnail();
      return 0;
    case WM_CLOSE:
      DestroyWindow(wnd_);
      return 0;
    case WM_DESTROY:
      if (!closing_) {
        closing_ = true;
        ZoomClose(wnd_);
      }
      return 0;
  }
  return DefWindowProcW(wnd_, msg, wp, lp);
}

HWND CreateSettingsWindow(HINSTANCE instance, const std::wstring& settings_file) {
  RegisterWindowClassFor<SettingsWindow>({.name = kDialogClass,
                                          .instance = instance,
                                          .cursor = LoadCursorW(nullptr, IDC_ARROW),
                                          .icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_ZARNIK))});
  CommandButton::Register(instance);

  // The layout is in fixed pixels: let the system scale the whole window on scaled displays.
  // A system without per-thread contexts keeps the scaling it gives the process.
  HWND wnd = nullptr;
  {
    ScopedThreadDpiContext unaware(DPI_AWARENESS_CONTEXT_UNAWARE);
    wnd = CreateOwnedWindow(std::make_unique<SettingsWindow>(instance, settings_file),
                            {.class_name = kDialogClass,
                             .title = L"<Quorvel>",
                             .style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                             .x = CW_USEDEFAULT,
                             .y = CW_USEDEFAULT,
                             .width = 100,
                             .height = 100,
                             .instance = instance});
    // The load step runs as a message, so that whatever it meets stays inside the window.
    if (wnd) SendMessageW(wnd, WM_APP, 0, 0);
  }
  if (!wnd || !IsWindow(wnd)) return nullptr;
  ShowWindow(wnd, SW_SHOWNORMAL);
  UpdateWindow(wnd);
  return wnd;
}

namespace {

SettingsWindow* SettingsWindowOf(HWND wnd) {
  wchar_t name[32] = {};
  if (!GetClassNameW(wnd, name, 32) || std::wstring(name) != kDialogClass) return nullptr;
  DWORD process = 0;
  GetWindowThreadProcessId(wnd, &process);
  if (process != GetCurrentProcessId()) return nullptr;
  return reinterpret_cast<SettingsWindow*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
}

}  // namespace

dialog::Language DialogLanguage() { return LanguageFor(GetUserDefaultUILanguage()); }

bool ViewSettingsWindow(HWND wnd, DialogView* view) {
  SettingsWindow* self = view ? SettingsWindowOf(wnd) : nullptr;
  if (!self) return false;
  self->View(view);
  return true;
}

bool SettingsDialogMessage(HWND wnd, MSG* msg) {
  SettingsWindow* self = msg ? SettingsWindowOf(wnd) : nullptr;
  try {
    return self && self->PreTranslate(msg);
  } catch (...) {
    return false;
  }
}

void ShowSettingsDialog(HINSTANCE instance) {
  HWND wnd = CreateSettingsWindow(instance, SettingsFile());
  if (!wnd) return;
  MSG msg;
  while (IsWindow(wnd) && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (SettingsDialogMessage(wnd, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace zarnik
