#include "settings_dialog/settings_window.h"

#include <shellapi.h>

#include <memory>

#include "button/command_button.h"
#include "platform/newer_api.h"
#include "platform/paths.h"
#include "platform/screen_scale.h"
#include "settings/settings.h"
#include "settings/shared_state.h"
#include "settings_dialog/layout.h"
#include "settings_dialog/resource_ids.h"
#include "settings_dialog/window_helpers.h"

namespace zarnik {

using namespace dialog;

namespace {

// What a left click acts on. Each mark and each label is a control of its own: a press on one
// and a release on another is no click.
constexpr int kBgmMarkTarget = 0;   // 0 to 2, by option
constexpr int kBgmLabelTarget = 3;  // 3 to 5, by option
constexpr int kUrlTarget = 6;

POINT PointOf(LPARAM lp) { return POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))}; }

}  // namespace

void SettingsWindow::OnLoad() {
  const ScreenScale scale = ScreenScaleNow();
  const int tpp = scale.WholeTwipsPerPixel();
  const Placement at = PlaceForm(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), tpp);
  SetWindowPos(wnd_, nullptr, at.x, at.y, at.width, at.height, SWP_NOZORDER | SWP_NOACTIVATE);

  language_ = DialogLanguage();
  painter_.Load(instance_, wnd_, -scale.TwipsToPixelsTruncated(13 * 15), language_);
  hand_.reset(static_cast<HCURSOR>(LoadImageW(instance_, MAKEINTRESOURCEW(IDC_DIALOG_HAND), IMAGE_CURSOR, 32, 32, 0)));
  controls_.Create(instance_, wnd_, scale, painter_.font(), language_);
  keyboard_.Build(wnd_, TextsFor(language_));
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
  if (Zarnik_B::DegradeLevel >= 1 && Zarnik_B::DegradeLevel <= 10) controls_.scroll.SetPosition(Zarnik_B::DegradeLevel);
  degree_text_ = std::to_wstring(Zarnik_B::DegradeLevel);
  if (Zarnik_B::PictureSource == 1) {
    if (controls_.cmd_pic) controls_.cmd_pic->SetEnabled(-1);
    ShowThumbnail(picture_name_);
    Zarnik_B::PictureFolder = FolderOf(Zarnik_B::PictureFile);
  } else {
    if (controls_.cmd_pic) controls_.cmd_pic->SetEnabled(0);
    Zarnik_B::PictureFolder = ProgramFolder();
  }
  const MusicChoice music = ChooseMusic(Zarnik_BGM::MusicKind);
  bgm_mark_ = music.marks;
  if (controls_.cmd_bgm) controls_.cmd_bgm->SetEnabled(0);
  controls_.repeat.Enable(false);
  if (music.repeat_enabled) controls_.repeat.Enable(true);
  if (music.chooser_enabled && controls_.cmd_bgm) controls_.cmd_bgm->SetEnabled(-1);
  controls_.repeat.SetText(RepeatTrackText(Zarnik_BGM::MusicRepeat));
  music_name_ = Zarnik_BGM::MusicFile;
  controls_.repeat.Add(L"");
  for (int i = 1; i <= 20; ++i) controls_.repeat.Add(std::to_wstring(i));
  // The stored track as the list's choice, so that the arrow keys go on from it.
  if (Zarnik_BGM::MusicRepeat >= 0 && Zarnik_BGM::MusicRepeat <= 20) controls_.repeat.Select(Zarnik_BGM::MusicRepeat);
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

void SettingsWindow::ShowThumbnail(const std::wstring& file) {
  thumbnail_.Show(file);
  const RECT box = In(kPanelPicture, kDisplay);
  InvalidateRect(wnd_, &box, FALSE);
}

void SettingsWindow::View(DialogView* view) const {
  view->picture_name = picture_name_;
  view->music_name = music_name_;
  view->degree_text = degree_text_;
  view->degree = controls_.scroll.Position();
  view->thumbnail = thumbnail_.size();
  for (int i = 0; i < 2; ++i) view->sel_mark[i] = sel_mark_[i];
  for (int i = 0; i < 3; ++i) view->bgm_mark[i] = bgm_mark_[i];
  view->labels = painter_.labels();
}

void SettingsWindow::OnPaint() {
  ScopedPaint paint(wnd_);
  if (!paint.get()) return;
  painter_.image().PaintTo(paint.get(), 0, 0);
  const RECT d = In(kPanelPicture, kDisplay);
  thumbnail_.PaintTo(paint.get(), d.left, d.top);
}

void SettingsWindow::SelMouseDown(int index, bool from_label) {
  Zarnik_B::PictureSource = static_cast<int16_t>(index);
  const PictureChoice choice = ChoosePicture(index, from_label);
  sel_mark_ = choice.marks;
  if (controls_.cmd_pic) controls_.cmd_pic->SetEnabled(choice.chooser_enabled ? -1 : 0);
  if (choice.clears_name) {
    picture_name_.clear();
    ShowThumbnail(L"");
  }
  DrawMarks();
  DrawNames();
  keyboard_.KeepFocus();
}

void SettingsWindow::BgmClick(int index) {
  const MusicChoice choice = ChooseMusic(index);
  if (controls_.cmd_bgm) controls_.cmd_bgm->SetEnabled(0);
  controls_.repeat.Enable(false);
  bgm_mark_ = choice.marks;
  if (choice.repeat_enabled) controls_.repeat.Enable(true);
  if (choice.chooser_enabled && controls_.cmd_bgm) controls_.cmd_bgm->SetEnabled(-1);
  Zarnik_BGM::MusicKind = static_cast<int16_t>(index);
  DrawMarks();
  keyboard_.KeepFocus();
}

// The file chooser from the setting's folder: the chosen file becomes the setting and the name
// shown, and its folder where the chooser starts next. False when cancelled.
bool SettingsWindow::ChooseFile(const wchar_t* filter, std::wstring& file, std::wstring& folder,
                                std::wstring& shown) {
  std::wstring chosen;
  if (!ChooseOpenFile(wnd_, instance_, TextsFor(language_).open_title, filter, folder, &chosen)) return false;
  file = shown = chosen;
  folder = FolderOf(chosen);
  return true;
}

void SettingsWindow::CmdPicClick() {
  if (!ChooseFile(TextsFor(language_).picture_filter, Zarnik_B::PictureFile, Zarnik_B::PictureFolder, picture_name_))
    return;
  ShowThumbnail(picture_name_);
  DrawNames();
}

void SettingsWindow::CmdBgmClick() {
  if (ChooseFile(TextsFor(language_).music_filter, Zarnik_BGM::MusicFile, Zarnik_BGM::MusicFolder, music_name_))
    DrawNames();
}

void SettingsWindow::CmdSetClick() {
  Zarnik_BGM::MusicRepeat = RepeatTrackFromText(controls_.repeat.Text(), Zarnik_BGM::MusicRepeat);
  const Saved saved{Zarnik_B::PictureSource, Zarnik_B::PictureFile, controls_.scroll.Position(),
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
  const std::optional<int> pos = controls_.scroll.PositionFor(wp);
  if (!pos) return;
  controls_.scroll.SetPosition(*pos);
  degree_text_ = std::to_wstring(*pos);
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
    case kAccessDesktop:
    case kAccessPictureFile:
      SelMouseDown(id - kAccessDesktop, true);
      break;
    case kAccessNoMusic:
    case kAccessMusicCd:
    case kAccessMusicFile:
      BgmClick(id - kAccessNoMusic);
      break;
    case kAccessDegree:
      keyboard_.FocusIfEnabled(controls_.scroll.hwnd());
      break;
    case kAccessRepeat:
      keyboard_.FocusIfEnabled(controls_.repeat.hwnd());
      break;
  }
}

int SettingsWindow::ClickTargetAt(POINT pt) const {
  // The English music labels are drawn in wider boxes; a click counts over the whole word.
  const RECT* labels = language_ == Language::English ? kBgmLabelWide : kBgmLabel;
  if (int i = HitIn(pt, labels, 3, kPanelMusic); i >= 0) return kBgmLabelTarget + i;
  if (int i = HitIn(pt, kBgmMark, 3, kPanelMusic); i >= 0) return kBgmMarkTarget + i;
  if (PtInRect(&kUrl, pt)) return kUrlTarget;
  return PressRecord::kNowhere;
}

// The picture's options act on the press; the music's and the address on a click.
void SettingsWindow::OnMouseDown(UINT msg, POINT pt) {
  if (msg == WM_LBUTTONDOWN) {
    const int target = ClickTargetAt(pt);
    presses_.Press(MouseButton::Left, target);
    // The release then comes here wherever it happens, so no press is left waiting.
    if (target != PressRecord::kNowhere) SetCapture(wnd_);
  }
  if (int i = HitIn(pt, kSelLabel, 2, kPanelPicture); i >= 0) SelMouseDown(i, true);
  else if (int j = HitIn(pt, kSelMark, 2, kPanelPicture); j >= 0) SelMouseDown(j, false);
}

// A click of the main button: pressed and released over the same option or the address.
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

LRESULT SettingsWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
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
      keyboard_.OnActivate(LOWORD(wp) != WA_INACTIVE);
      return 0;
    case WM_ERASEBKGND:
      return TRUE;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      OnMouseDown(msg, PointOf(lp));
      return 0;
    case WM_LBUTTONUP:
      OnLeftRelease(PointOf(lp));
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
      if (reinterpret_cast<HWND>(lp) == controls_.scroll.hwnd()) OnScroll(wp);
      return 0;
    case WM_SYSCOLORCHANGE:
      // The theme changed while the dialog is open: an empty box shows the new colour at once.
      thumbnail_.TakeWindowColour();
      if (!thumbnail_.shown()) ShowThumbnail(L"");
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
                             .title = kDialogTitle,
                             .style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                             .x = CW_USEDEFAULT,
                             .y = CW_USEDEFAULT,
                             .width = 100,
                             .height = 100,
                             .instance = instance});
    RunLoadStep(wnd);
  }
  if (!wnd || !IsWindow(wnd)) return nullptr;
  ShowWindow(wnd, SW_SHOWNORMAL);
  UpdateWindow(wnd);
  return wnd;
}

dialog::Language DialogLanguage() { return LanguageFor(GetUserDefaultUILanguage()); }

bool ViewSettingsWindow(HWND wnd, DialogView* view) {
  SettingsWindow* self = view ? WindowObject<SettingsWindow>(wnd) : nullptr;
  if (!self) return false;
  self->View(view);
  return true;
}

bool SettingsDialogMessage(HWND wnd, MSG* msg) {
  SettingsWindow* self = msg ? WindowObject<SettingsWindow>(wnd) : nullptr;
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
