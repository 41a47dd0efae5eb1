// Tells a running saver what the system tells it when the session is locked or unlocked: the
// WM_WTSSESSION_CHANGE a window registered for its session gets. For the locked minute of
// run-tick-bench.sh.
//
//   session_event.exe lock|unlock
//
// Exit code 0 when the saver's window took the message, 1 when there was none or the word is
// unknown.
#include <windows.h>
#include <wtsapi32.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 1;
  WPARAM event = 0;
  if (std::wcscmp(argv[1], L"lock") == 0) event = WTS_SESSION_LOCK;
  else if (std::wcscmp(argv[1], L"unlock") == 0) event = WTS_SESSION_UNLOCK;
  else return 1;
  HWND saver = FindWindowW(nullptr, L"Zarnik_Main");
  return saver && PostMessageW(saver, WM_WTSSESSION_CHANGE, event, 1) ? 0 : 1;
}
