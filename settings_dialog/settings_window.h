// The settings dialog: picture, degradation degree and music, saved to the settings file.
#pragma once

#include <windows.h>

namespace zarnik {

inline constexpr wchar_t kDialogClass[] = L"Zarnik_P";

// Shows the dialog modal and returns when it has closed (saved or cancelled).
void ShowSettingsDialog(HINSTANCE instance);

}  // namespace zarnik
