#include "program/start.h"

#include <objbase.h>

#include "display/saver_window.h"
#include "platform/paths.h"
#include "preview/preview_window.h"
#include "program/command_line.h"
#include "settings/settings.h"
#include "settings/shared_state.h"
#include "settings_dialog/settings_window.h"

namespace zarnik {

bool PreviousInstanceRunning() {
  // Both lookups are always made.
  HWND saver = FindWindowW(nullptr, kSaverTitle);
  HWND dialog = FindWindowW(nullptr, kDialogTitle);
  return saver != nullptr || dialog != nullptr;
}

namespace {

void RunMessageLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace

int RunProgram(HINSTANCE instance, std::wstring_view full_command_line) {
  if (PreviousInstanceRunning()) return 0;

  // The system may pass the program's path unquoted, blanks and all, in its long or short form.
  const std::wstring arguments = ArgumentsOf(full_command_line, ProgramPathForms());
  const StartMode mode = ModeOf(arguments);

  // The imaging component loads pictures; the file dialogs and the browser need COM too.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

  int exit_code = 0;
  switch (mode) {
    case StartMode::Preview:
      if (ShowPreviewWindow(instance, PreviewHandleOf(arguments))) RunMessageLoop();
      break;
    case StartMode::Settings:
      LoadSettings();
      ShowSettingsDialog(instance);
      break;
    case StartMode::FullScreen:
      LoadSettings();
      if (HidesCursor(arguments)) Zarnik_B::CursorCount = ShowCursor(FALSE);
      if (ShowSaverWindow(instance, HidesCursor(arguments))) RunMessageLoop();
      break;
    case StartMode::Quit:
      break;
  }

  if (SUCCEEDED(com)) CoUninitialize();
  return exit_code;
}

}  // namespace zarnik
