#include "settings_dialog/dialog_keyboard.h"

#include <vector>

namespace zarnik::dialog {

void DialogKeyboard::Build(HWND dialog, const DialogTexts& texts) {
  dialog_ = dialog;
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

// Access keys first, then the dialog manager.
bool DialogKeyboard::PreTranslate(MSG* msg) {
  if (!dialog_ || (msg->hwnd != dialog_ && !IsChild(dialog_, msg->hwnd))) return false;
  if (access_keys_ && TranslateAcceleratorW(dialog_, access_keys_.get(), msg)) return true;
  // With the focus on the dialog itself (as it opens) Tab starts at the first or last control.
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_TAB && GetFocus() == dialog_) {
    HWND first = GetNextDlgTabItem(dialog_, nullptr, FALSE);
    FocusIfEnabled(GetKeyState(VK_SHIFT) < 0 && first ? GetNextDlgTabItem(dialog_, first, TRUE) : first);
    return true;
  }
  return IsDialogMessageW(dialog_, msg) != 0;
}

void DialogKeyboard::OnActivate(bool active) {
  if (!dialog_) return;
  if (!active) {
    HWND focus = GetFocus();
    if (focus && IsChild(dialog_, focus)) last_focus_ = focus;
    return;
  }
  if (last_focus_ && IsWindow(last_focus_) && IsWindowEnabled(last_focus_)) SetFocus(last_focus_);
  else SetFocus(dialog_);
}

void DialogKeyboard::KeepFocus() {
  if (dialog_ && GetActiveWindow() == dialog_ && !GetFocus()) SetFocus(dialog_);
}

void DialogKeyboard::FocusIfEnabled(HWND control) {
  if (control && IsWindowEnabled(control)) SetFocus(control);
}

}  // namespace zarnik::dialog
