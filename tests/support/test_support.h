// What the tests share: the built files beside the test program, fresh program folders,
// child processes, a bounded wait-until message pump, windows looked up by title, file bytes and text
// in code page 932.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace zarnik::test {

// The folder holding the test program, Zarnik.scr and Quorvel.dll.
std::wstring BinFolder();
std::wstring BinFile(const wchar_t* name);

// A new empty folder under the temporary folder, removed with its contents on destruction.
class TempFolder {
 public:
  explicit TempFolder(const wchar_t* prefix = L"zk");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::wstring& path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

 private:
  std::wstring path_;
};

// A fresh program folder: Zarnik.scr (and Quorvel.dll when with_converter) copied into a
// temporary folder, so each test has its own settings and work files.
class ProgramFolder : public TempFolder {
 public:
  explicit ProgramFolder(bool with_converter = true, const wchar_t* prefix = L"zkprog");
  std::wstring Program() const { return File(L"Zarnik.scr"); }
};

// A child process; killed on destruction if still running.
class Process {
 public:
  Process() = default;
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  // command_line includes the quoted program path; working_dir may be empty.
  bool Start(const std::wstring& command_line, const std::wstring& working_dir = {});
  // Waits up to timeout; true when it ended.
  bool Wait(std::chrono::milliseconds timeout);
  bool Running() const;
  // Waits until the process waits for input with none pending; true when it did in time.
  bool Idle(std::chrono::milliseconds timeout);
  DWORD ExitCode() const;
  DWORD Id() const { return pi_.dwProcessId; }
  void Kill();

 private:
  PROCESS_INFORMATION pi_{};
};

// Runs the program with the arguments and waits; true when it ended within the timeout.
bool RunAndWait(const std::wstring& program, const std::wstring& arguments,
                std::chrono::milliseconds timeout, DWORD* exit_code = nullptr);

// Dispatches the messages waiting for this thread, without waiting for more.
void DrainMessages();
// Pumps until the condition holds or the timeout passes; returns the condition's last value.
bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// A top-level window with exactly this title, waited for; null when none appeared.
HWND WaitForWindow(const wchar_t* title, std::chrono::milliseconds timeout);
// Waits until the window is shown and is what the pointer would hit at its client centre
// (input given there reaches it).
bool WaitUntilUnderPointer(HWND wnd, std::chrono::milliseconds timeout);
// Waits until no top-level window has the title.
bool WaitForNoWindow(const wchar_t* title, std::chrono::milliseconds timeout);

std::string ReadBytes(const std::wstring& path);
bool WriteBytes(const std::wstring& path, const std::string& bytes);
bool FileExistsW(const std::wstring& path);

// Ends the current test as skipped where the ANSI code page is not 932: what the platform's
// ANSI functions make of Japanese bytes, or of Japanese file names, depends on it. (Under
// Wine the page comes from LANG, ja_JP.UTF-8 here; on Windows from the system locale.)
#define ZARNIK_SKIP_UNLESS_CP932()                                                              \
  do {                                                                                           \
    if (GetACP() != 932)                                                                         \
      GTEST_SKIP() << "needs the ANSI code page 932 (Japanese system locale, or LANG=ja_JP.UTF-8 " \
                      "under Wine); this system's is "                                           \
                   << GetACP();                                                                  \
  } while (false)

// The system's own count of this process's GDI objects (GetGuiResources), where a leak shows
// on Windows. Wine always answers 0: there only the owners' count (LiveGdiObjects) witnesses,
// and the growth tests check both.
long SystemGdiObjects();
// Whether this system counts them at all (an object made shows in the count).
bool SystemCountsGdiObjects();
// What Windows may make once for a process and keep (a cached font or brush): growth up to
// this is no leak, while a leak repeated at every step shows far above it.
inline constexpr long kSystemGdiSlack = 4;

// Text conversions for building and checking settings files.
std::string ToCp932(const std::wstring& text);
std::wstring FromCp932(const std::string& bytes);

}  // namespace zarnik::test

namespace zarnik::test {

// What the screen shows now: 0x00RRGGBB pixels, top row first.
struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
Screenshot CaptureScreen();

// A settings file as the dialog writes it, in code page 932: the six keys in order, numbers
// with their leading blank.
std::string SettingsFileBytes(int picture_source, const std::wstring& picture_file, int degree,
                              int music_kind, int music_repeat, const std::wstring& music_file);

}  // namespace zarnik::test

namespace zarnik::test {

// Real pointer input, waited for: each call returns once a window of this thread has taken
// the input from its queue (or, for a window of another thread, once the pointer is there),
// false when that did not happen within a generous limit.
void MovePointerTo(int screen_x, int screen_y);  // not waited for
bool MovePointerAndWait(int screen_x, int screen_y);
// The press and the release are queued together, so a control that tracks a press in a loop
// of its own on this thread finds the release waiting. up 0: the press alone.
bool PressAndRelease(DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP);
// Moves to the point of the window's client area, then presses and releases there.
bool ClickInWindow(HWND wnd, POINT client, DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP);

}  // namespace zarnik::test
