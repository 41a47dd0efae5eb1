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

namespace {

// What a left click acts on. Each mark and each label is a control of its own: a press on one
// and a release on another is no click.
constexpr int kBgmMarkTarget = 0;   // 0 to 2, by option
constexpr int kBgmLabelTarget = 3;  // 3 to 5, by option
constexpr int kUrlTarget = 6;

// Commands of the access keys (Alt and the underlined letter).
enum AccessCommand : WORD { kKeyDesktop = 30, kKeyPictureFile, kKeyDegree, kKeyNoMusic, kKeyMusicCd, kKeyMusicFile, kKeyRepeat };

// Owns an accelerator table.
struct AcceleratorDeleter {
  void operator()(HACCEL table) const { DestroyAcceleratorTable(table); }
};
using ScopedAccelerators = std::unique_ptr<std::remove_pointer_t<HACCEL>, AcceleratorDeleter>;

class SettingsWindow {
 public:
  SettingsWindow(HINSTANCE instance, std::wstring settings_file)
      : instance_(instance), settings_file_(std::move(settings_file)) {}
  friend LRESULT CALLBACK WindowThunk<SettingsWindow>(HWND, UINT, WPARAM, LPARAM);
  void View(DialogView* view) const;
  bool PreTranslate(MSG* msg);

 private:
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void FormLoad();
  void ShowSettings();
  void RememberCursor();
  void DrawMarks() { painter_.DrawMarks(sel_mark_, bgm_mark_); }
  void DrawNames() { painter_.DrawNames(picture_name_, music_name_, degree_text_); }
  void ShowThumbnail();
  void ClearThumbnail();
  void TakeWindowColour();
  void SelMouseDown(int index, bool from_label);
  void BgmClick(int index);
  void CmdPicClick();
  void CmdBgmClick();
  void CmdSetClick();
  void CmdCanClick();
  void UrlClick();
  void OnScroll(WPARAM wp);
  void OnCommand(WORD id);
  void OnActivate(bool active);
  void BuildAccessKeys();
  void FocusIfEnabled(HWND control);
  void KeepFocus();
  void Repaint(const RECT& r) { InvalidateRect(wnd_, &r, FALSE); }
  int Hit(POINT pt, const RECT* rects, int count, const RECT& panel) const;
  int ClickTargetAt(POINT pt) const;
  void OnLeftRelease(POINT pt);

  HINSTANCE instance_;
  std::wstring settings_file_;
  HWND wnd_ = nullptr;
  Language language_ = Language::Japanese;
  ScopedAccelerators access_keys_;
  HWND last_focus_ = nullptr;  // the control to give the focus back to on reactivation
  DialogControls controls_;
  DialogPainter painter_;  // the window's persistent image: gradient, panels, labels
  Surface display_;        // the thumbnail
  Surface dummy_;          // the picture at its own size
  bool thumbnail_shown_ = false;
  ScopedCursor hand_;
  PictureMarks sel_mark_{-1, -1};
  MusicMarks bgm_mark_{-1, -1, -1};
  std::wstring picture_name_, music_name_, degree_text_;
  PressRecord presses_;
  bool closing_ = false;
};

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

void SettingsWindow::SelMouseDown(int index, bool from_label) {
  Zarnik_B::PictureSource = static_cast<int16_t>(index);
  const PictureChoice choice = ChoosePicture(index, from_label);
  sel_mark_ = choice.marks;
  if (controls_.cmd_pic) controls_.cmd_pic->SetEnabled(choice.chooser_enabled ? -1 : 0);
  if (choice.clears_name) {
    picture_name_.clear();
    ClearThumbnail();
  }
  DrawMarks();
  DrawNames();
  KeepFocus();
}

void SettingsWindow::BgmClick(int index) {
  const MusicChoice choice = ChooseMusic(index);
  if (controls_.cmd_bgm) controls_.cmd_bgm->SetEnabled(0);
  EnableWindow(controls_.repeat, FALSE);
  bgm_mark_ = choice.marks;
  if (choice.repeat_enabled) EnableWindow(controls_.repeat, TRUE);
  if (choice.chooser_enabled && controls_.cmd_bgm) controls_.cmd_bgm->SetEnabled(-1);
  Zarnik_BGM::MusicKind = static_cast<int16_t>(index);
  DrawMarks();
  KeepFocus();
}

void SettingsWindow::CmdPicClick() {
  std::wstring chosen;
  const DialogTexts& texts = TextsFor(language_);
  if (!ChooseOpenFile(wnd_, instance_, texts.open_title, texts.picture_filter, Zarnik_B::PictureFolder, &chosen)) return;
  Zarnik_B::PictureFile = chosen;
  picture_name_ = chosen;
  Zarnik_B::PictureFolder = FolderOf(picture_name_);
  ShowThumbnail();
  DrawNames();
}

void SettingsWindow::CmdBgmClick() {
  std::wstring chosen;
  const DialogTexts& texts = TextsFor(language_);
  if (!ChooseOpenFile(wnd_, instance_, texts.open_title, texts.music_filter, Zarnik_BGM::MusicFolder, &chosen)) return;
  Zarnik_BGM::MusicFile = chosen;
  music_name_ = chosen;
  Zarnik_BGM::MusicFolder = FolderOf(chosen);
  DrawNames();
}

void SettingsWindow::CmdSetClick() {
  wchar_t text[256] = {};
  GetWindowTextW(controls_.repeat, text, 256);
  Zarnik_BGM::MusicRepeat = RepeatTrackFromText(text, Zarnik_BGM::MusicRepeat);
  const Saved saved{Zarnik_B::PictureSource, Zarnik_B::PictureFile, GetScrollPos(controls_.scroll, SB_CTL),
                    Zarnik_BGM::MusicKind,   Zarnik_BGM::MusicRepeat, Zarnik_BGM::MusicFile};
  // Each key written on its own: one that fails does not keep the others from the file.
  for (const auto& [key, value] : SavedEntries(saved)) WriteIni(kSection, key, value, settings_file_);
  DestroyWindow(wnd_);
}

void SettingsWindow::CmdCanClick() { DestroyWindow(wnd_); }

void SettingsWindow::UrlClick() {
  HCURSOR old = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  ShellExecuteW(wnd_, L"open", kUrlText, L"", L"", SW_SHOWNORMAL);
  SetCursor(old ? old : LoadCursorW(nullptr, IDC_ARROW));
}

void SettingsWindow::OnScroll(WPARAM wp) {
  int pos = GetScrollPos(controls_.scroll, SB_CTL);
  switch (LOWORD(wp)) {
    case SB_LINELEFT:
    case SB_PAGELEFT:
      --pos;
      break;
    case SB_LINERIGHT:
    case SB_PAGERIGHT:
      ++pos;
      break;
    case SB_LEFT:
      pos = 1;
      break;
    case SB_RIGHT:
      pos = 10;
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      pos = HIWORD(wp);
      break;
    default:
      return;
  }
  pos = pos < 1 ? 1 : pos > 10 ? 10 : pos;
  SetScrollPos(controls_.scroll, SB_CTL, pos, TRUE);
  degree_text_ = std::to_wstring(pos);
  DrawNames();
}

// A button pressed from the keyboard (Enter, Esc) or an access key.
void SettingsWindow::OnCommand(WORD id) {
  auto enabled = [](CommandButton* button) { return button && IsWindowEnabled(button->hwnd()); };
  switch (id) {
    case IDOK:
    case kIdCmdSet:
      CmdSetClick();
      break;
    case IDCANCEL:
    case kIdCmdCan:
      CmdCanClick();
      break;
    case kIdCmdPic:
      if (enabled(controls_.cmd_pic)) CmdPicClick();
      break;
    case kIdCmdBgm:
      if (enabled(controls_.cmd_bgm)) CmdBgmClick();
      break;
    case kKeyDesktop:
    case kKeyPictureFile:
      SelMouseDown(id - kKeyDesktop, true);
      break;
    case kKeyNoMusic:
    case kKeyMusicCd:
    case kKeyMusicFile:
      BgmClick(id - kKeyNoMusic);
      break;
    case kKeyDegree:
      FocusIfEnabled(controls_.scroll);
      break;
    case kKeyRepeat:
      FocusIfEnabled(controls_.repeat);
      break;
  }
}

void SettingsWindow::FocusIfEnabled(HWND control) {
  if (control && IsWindowEnabled(control)) SetFocus(control);
}

// A control disabled while it had the focus leaves it nowhere; the dialog takes it, so that
// Tab and the other keys still reach it.
void SettingsWindow::KeepFocus() {
  if (GetActiveWindow() == wnd_ && !GetFocus()) SetFocus(wnd_);
}

// As a dialog does: the control that had the focus gets it back when the window is active again.
void SettingsWindow::OnActivate(bool active) {
  if (!active) {
    HWND focus = GetFocus();
    if (focus && IsChild(wnd_, focus)) last_focus_ = focus;
    return;
  }
  if (last_focus_ && IsWindow(last_focus_) && IsWindowEnabled(last_focus_)) SetFocus(last_focus_);
  else SetFocus(wnd_);
}

void SettingsWindow::BuildAccessKeys() {
  const DialogTexts& texts = TextsFor(language_);
  if (!texts.access_keys) return;
  std::vector<ACCEL> keys;
  auto add = [&](const wchar_t* text, WORD command) {
    if (const wchar_t key = AccessKey(text)) keys.push_back(ACCEL{FALT | FVIRTKEY, static_cast<WORD>(key), command});
  };
  add(texts.desktop, kKeyDesktop);
  add(texts.picture_file, kKeyPictureFile);
  add(texts.degree_title, kKeyDegree);
  add(texts.music_none, kKeyNoMusic);
  add(texts.music_cd, kKeyMusicCd);
  add(texts.music_file, kKeyMusicFile);
  add(texts.repeat, kKeyRepeat);
  if (!keys.empty()) access_keys_.reset(CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size())));
}

// The keyboard, before a message is dispatched: access keys, then the dialog manager's Tab,
// arrows, Enter and Esc. True when the message was handled.
bool SettingsWindow::PreTranslate(MSG* msg) {
  if (msg->hwnd != wnd_ && !IsChild(wnd_, msg->hwnd)) return false;
  if (access_keys_ && TranslateAcceleratorW(wnd_, access_keys_.get(), msg)) return true;
  // With the focus on the dialog itself (as it opens) Tab starts at the first or last control.
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_TAB && GetFocus() == wnd_) {
    HWND first = GetNextDlgTabItem(wnd_, nullptr, FALSE);
    FocusIfEnabled(GetKeyState(VK_SHIFT) < 0 && first ? GetNextDlgTabItem(wnd_, first, TRUE) : first);
    return true;
  }
  return IsDialogMessageW(wnd_, msg) != 0;
}

int SettingsWindow::Hit(POINT pt, const RECT* rects, int count, const RECT& panel) const {
  // The English music labels are drawn in wider boxes; a click counts over the whole word.
  if (rects == kBgmLabel && language_ == Language::English) rects = kBgmLabelWide;
  for (int i = 0; i < count; ++i) {
    const RECT r = In(panel, rects[i]);
    if (PtInRect(&r, pt)) return i;
  }
  return -1;
}

int SettingsWindow::ClickTargetAt(POINT pt) const {
  if (int i = Hit(pt, kBgmLabel, 3, kPanelMusic); i >= 0) return kBgmLabelTarget + i;
  if (int i = Hit(pt, kBgmMark, 3, kPanelMusic); i >= 0) return kBgmMarkTarget + i;
  if (PtInRect(&kUrl, pt)) return kUrlTarget;
  return PressRecord::kNowhere;
}

void SettingsWindow::OnLeftRelease(POINT pt) {
  const int target = ClickTargetAt(pt);
  // Read before the capture goes: losing it forgets the press.
  const bool click = presses_.Release(MouseButton::Left, target);
  if (GetCapture() == wnd_) ReleaseCapture();
  if (!click) return;
  if (target == kUrlTarget) UrlClick();
  else if (target >= kBgmLabelTarget) BgmClick(target - kBgmLabelTarget);
  else BgmClick(target - kBgmMarkTarget);
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
      FormLoad();
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


}  // namespace

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
