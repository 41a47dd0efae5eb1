// The settings dialog's window object, shared by the files that define its members: the
// window and its load (settings_window.cpp) and what the mouse and keys do (settings_input.cpp).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>

#include "button/press_record.h"
#include "settings_dialog/dialog_controls.h"
#include "settings_dialog/dialog_painter.h"
#include "settings_dialog/dialog_rules.h"
#include "settings_dialog/dialog_texts.h"
#include "settings_dialog/settings_window.h"
#include "startup/gdi.h"
#include "startup/surface.h"
#include "startup/window_thunk.h"

namespace zarnik {

// What a left click acts on. Each mark and each label is a control of its own: a press on one
// and a release on another is no click.
inline constexpr int kBgmMarkTarget = 0;   // 0 to 2, by option
inline constexpr int kBgmLabelTarget = 3;  // 3 to 5, by option
inline constexpr int kUrlTarget = 6;

// Commands of the access keys (Alt and the underlined letter).
enum AccessCommand : WORD {
  kAccessDesktop = 30,
  kAccessPictureFile,
  kAccessDegree,
  kAccessNoMusic,
  kAccessMusicCd,
  kAccessMusicFile,
  kAccessRepeat
};

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
  dialog::Language language_ = dialog::Language::Japanese;
  ScopedAccelerators access_keys_;
  HWND last_focus_ = nullptr;  // the control to give the focus back to on reactivation
  dialog::DialogControls controls_;
  dialog::DialogPainter painter_;  // the window's persistent image: gradient, panels, labels
  Surface display_;        // the thumbnail
  Surface dummy_;          // the picture at its own size
  bool thumbnail_shown_ = false;
  ScopedCursor hand_;
  dialog::PictureMarks sel_mark_{-1, -1};
  dialog::MusicMarks bgm_mark_{-1, -1, -1};
  std::wstring picture_name_, music_name_, degree_text_;
  PressRecord presses_;
  bool loaded_ = false;
  bool closing_ = false;
};

}  // namespace zarnik
