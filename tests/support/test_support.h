// What the tests share: the built files beside the test program, fresh program folders,
// child processes, a bounded message pump, windows looked up by title, file bytes and text
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
  DWORD ExitCode() const;
  DWORD Id() const { return pi_.dwProcessId; }
  void Kill();

 private:
  PROCESS_INFORMATION pi_{};
};

// Runs the program with the arguments and waits; true when it ended within the timeout.
bool RunAndWait(const std::wstring& program, const std::wstring& arguments,
                std::chrono::milliseconds timeout, DWORD* exit_code = nullptr);

// Dispatches this thread's messages for the given time.
void Pump(std::chrono::milliseconds duration);
// Pumps until the condition holds or the timeout passes; returns the condition's last value.
bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// A top-level window with exactly this title, waited for; null when none appeared.
HWND WaitForWindow(const wchar_t* title, std::chrono::milliseconds timeout);
// Waits until no top-level window has the title.
bool WaitForNoWindow(const wchar_t* title, std::chrono::milliseconds timeout);

std::string ReadBytes(const std::wstring& path);
bool WriteBytes(const std::wstring& path, const std::string& bytes);
bool FileExistsW(const std::wstring& path);

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

// Real pointer input. The press and the release are queued together, so a control that
// tracks a press in a loop of its own on this thread finds the release waiting.
void MovePointerTo(int screen_x, int screen_y);
void PressAndRelease(DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP);
// Moves to the point of the window's client area, then presses and releases there.
void ClickInWindow(HWND wnd, POINT client, DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP);

}  // namespace zarnik::test
