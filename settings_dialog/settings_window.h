// The settings dialog: picture, degradation degree and music, saved to the settings file.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "settings_dialog/dialog_texts.h"

namespace zarnik {

inline constexpr wchar_t kDialogClass[] = L"Zarnik_P";

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
bool ViewSettingsWindow(HWND wnd, DialogView* view);

}  // namespace zarnik
