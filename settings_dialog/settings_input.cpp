#include "settings_dialog/settings_form.h"

#include <shellapi.h>

#include "button/command_button.h"
#include "button/window_helpers.h"
#include "settings_dialog/layout.h"
#include "settings_dialog/resource_ids.h"
#include "startup/number_text.h"
#include "startup/paths.h"
#include "startup/picture_file.h"
#include "startup/settings.h"
#include "startup/shared_state.h"

namespace zarnik {

using namespace dialog;

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
      FocusIfEnabled(controls_.scroll);
      break;
    case kAccessRepeat:
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
  add(texts.desktop, kAccessDesktop);
  add(texts.picture_file, kAccessPictureFile);
  add(texts.degree_title, kAccessDegree);
  add(texts.music_none, kAccessNoMusic);
  add(texts.music_cd, kAccessMusicCd);
  add(texts.music_file, kAccessMusicFile);
  add(texts.repeat, kAccessRepeat);
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

}  // namespace zarnik
