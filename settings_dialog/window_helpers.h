// Helpers of the settings dialog: the zoom animations from and back to the remembered mouse
// point, and the walk over a window's buttons.
#pragma once

#include <windows.h>

namespace zarnik {

void ZoomOpen(HWND wnd);
void ZoomClose(HWND wnd);
// Every Command button among the window's children: Initialize when init, else Enabled set to
// enable. Other controls are skipped.
void SetButtons(HWND form, bool init, bool enable);

}  // namespace zarnik
