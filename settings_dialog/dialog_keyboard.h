// The settings dialog from the keyboard: the access keys of the English texts (Alt and the
// underlined letter), the dialog manager's Tab, arrows, Enter and Esc, and the focus kept on a
// control the keyboard can reach.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

#include "settings_dialog/dialog_texts.h"

namespace zarnik::dialog {

// What each access key asks the dialog for, as the command of its WM_COMMAND.
enum AccessCommand : WORD {
  kAccessDesktop = 30,
  kAccessPictureFile,
  kAccessDegree,
  kAccessNoMusic,
  kAccessMusicCd,
  kAccessMusicFile,
  kAccessRepeat
};

class DialogKeyboard {
 public:
  // The access keys the texts mark; none for texts without them.
  void Build(HWND dialog, const DialogTexts& texts);
  // A message about to be dispatched; true when it was handled and must not be dispatched.
  bool PreTranslate(MSG* msg);
  // As a dialog does: the control that had the focus gets it back when the window is active
  // again.
  void OnActivate(bool active);
  // A control disabled while it had the focus leaves it nowhere; the dialog takes it, so that
  // Tab and the other keys still reach it.
  void KeepFocus();
  void FocusIfEnabled(HWND control);

 private:
  struct AcceleratorDeleter {
    void operator()(HACCEL table) const { DestroyAcceleratorTable(table); }
  };

  HWND dialog_ = nullptr;
  std::unique_ptr<std::remove_pointer_t<HACCEL>, AcceleratorDeleter> access_keys_;
  HWND last_focus_ = nullptr;
};

}  // namespace zarnik::dialog
