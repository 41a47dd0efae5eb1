// The settings dialog: picture, degradation degree and music, saved to the settings file.
// The window owns its controls and its image; what it draws (dialog_painter), its child
// controls (dialog_controls), the thumbnail and the keyboard are parts of their own.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "button/press_record.h"
#include "platform/gdi.h"
#include "platform/window.h"
#include "settings_dialog/dialog_controls.h"
#include "settings_dialog/dialog_keyboard.h"
#include "settings_dialog/dialog_painter.h"
#include "settings_dialog/dialog_rules.h"
#include "settings_dialog/dialog_texts.h"
#include "settings_dialog/thumbnail.h"

namespace zarnik {

inline constexpr wchar_t kDialogClass[] = L"Zarnik_P";
// A second start looks for this title and ends at once.
inline constexpr wchar_t kDialogTitle[] = L"<Quorvel>";

// What the dialog shows now, for tests.
struct DialogView {
  std::wstring picture_name;   // lbl_Fname(1)
  std::wstring music_name;     // lbl_Fname(0)
  std::wstring degree_text;    // lbl_Fast
  int degree = 0;              // HS_Fast
  SIZE thumbnail{};            // Display
  int sel_mark[2] = {};        // 1 chosen, 0 not chosen, -1 empty
  int bgm_mark[3] = {};
  std::vector<std::wstring> labels;  // the painted texts, titles first
};

class SettingsWindow : public OwnedWindow {
 public:
  SettingsWindow(HINSTANCE instance, std::wstring settings_file)
      : instance_(instance), settings_file_(std::move(settings_file)) {}
  friend LRESULT CALLBACK WindowThunk<SettingsWindow>(HWND, UINT, WPARAM, LPARAM);

  void View(DialogView* view) const;
  bool PreTranslate(MSG* msg) { return keyboard_.PreTranslate(msg); }

 private:
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
  void OnLoad();
  void ShowSettings();
  void RememberCursor();
  void OnPaint();
  void DrawMarks() { painter_.DrawMarks(sel_mark_, bgm_mark_); }
  void DrawNames() { painter_.DrawNames(picture_name_, music_name_, degree_text_); }
  void ShowThumbnail(const std::wstring& file);
  void SelMouseDown(int index, bool from_label);
  void BgmClick(int index);
  bool ChooseFile(const wchar_t* filter, std::wstring& file, std::wstring& folder, std::wstring& shown);
  void CmdPicClick();
  void CmdBgmClick();
  void CmdSetClick();
  void CmdCanClick();
  void UrlClick();
  void OnScroll(WPARAM wp);
  void OnCommand(WORD id);
  void OnMouseDown(UINT msg, POINT pt);
  void OnLeftRelease(POINT pt);
  int ClickTargetAt(POINT pt) const;

  HINSTANCE instance_;
  std::wstring settings_file_;
  dialog::Language language_ = dialog::Language::Japanese;
  dialog::DialogControls controls_;
  dialog::DialogPainter painter_;  // the window's persistent image: gradient, panels, labels
  dialog::DialogKeyboard keyboard_;
  dialog::Thumbnail thumbnail_;
  ScopedCursor hand_;
  dialog::PictureMarks sel_mark_{-1, -1};
  dialog::MusicMarks bgm_mark_{-1, -1, -1};
  std::wstring picture_name_, music_name_, degree_text_;
  PressRecord presses_;
  bool closing_ = false;
};

// Shows the dialog modal and returns when it has closed (saved or cancelled).
void ShowSettingsDialog(HINSTANCE instance);

// The dialog's language: the user's UI language decides.
dialog::Language DialogLanguage();

// The dialog's keyboard (Tab, Enter, Esc, arrows, access keys) for a message about to be
// dispatched; true when it was handled and must not be dispatched again. The message loop
// running the dialog calls it.
bool SettingsDialogMessage(HWND wnd, MSG* msg);

// The dialog loaded from the shared settings and shown, writing to settings_file when saved;
// it runs on the caller's message loop. Null when it could not be made.
HWND CreateSettingsWindow(HINSTANCE instance, const std::wstring& settings_file);

bool ViewSettingsWindow(HWND wnd, DialogView* view);

}  // namespace zarnik
