#include "tests/support/test_support.h"

#include <shellapi.h>

#include <cstdio>
#include <thread>

#include "platform/code_page.h"

namespace zarnik::test {

std::wstring BinFolder() {
  wchar_t path[MAX_PATH * 4];
  DWORD n = GetModuleFileNameW(nullptr, path, ARRAYSIZE(path));
  std::wstring p(path, n);
  return p.substr(0, p.find_last_of(L"\\/"));
}

std::wstring BinFile(const wchar_t* name) { return BinFolder() + L"\\" + name; }

namespace {

void RemoveTree(const std::wstring& folder) {
  WIN32_FIND_DATAW fd;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring full = folder + L"\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full);
      } else {
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(full.c_str());
      }
    } while (FindNextFileW(find, &fd));
    FindClose(find);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

TempFolder::TempFolder(const wchar_t* prefix) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  static LONG counter = 0;
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::wstring candidate = std::wstring(temp) + prefix + std::to_wstring(GetCurrentProcessId()) +
                             L"_" + std::to_wstring(InterlockedIncrement(&counter)) + L"_" +
                             std::to_wstring(GetTickCount() % 100000);
    if (CreateDirectoryW(candidate.c_str(), nullptr)) {
      path_ = candidate;
      return;
    }
  }
}

TempFolder::~TempFolder() {
  if (!path_.empty()) RemoveTree(path_);
}

ProgramFolder::ProgramFolder(bool with_converter, const wchar_t* prefix) : TempFolder(prefix) {
  CopyFileW(BinFile(L"Zarnik.scr").c_str(), File(L"Zarnik.scr").c_str(), FALSE);
  if (with_converter) CopyFileW(BinFile(L"Quorvel.dll").c_str(), File(L"Quorvel.dll").c_str(), FALSE);
}

Process::~Process() {
  Kill();
  if (pi_.hProcess) CloseHandle(pi_.hProcess);
  if (pi_.hThread) CloseHandle(pi_.hThread);
}

bool Process::Start(const std::wstring& command_line, const std::wstring& working_dir) {
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  // Under Wine a start can fail before the child runs any of its code (the loader or the
  // server refused it on a loaded machine); a child that cannot start fails every try.
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::wstring line = command_line;
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       working_dir.empty() ? nullptr : working_dir.c_str(), &si, &pi_)) {
      return true;
    }
    std::fprintf(stderr, "CreateProcessW failed with error %lu (try %d)\n", GetLastError(),
                 attempt + 1);
  }
  return false;
}

bool Process::Wait(std::chrono::milliseconds timeout) {
  if (!pi_.hProcess) return true;
  return WaitForSingleObject(pi_.hProcess, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

bool Process::Running() const {
  return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

bool Process::Idle(std::chrono::milliseconds timeout) {
  return pi_.hProcess && WaitForInputIdle(pi_.hProcess, static_cast<DWORD>(timeout.count())) == 0;
}

DWORD Process::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (pi_.hProcess) GetExitCodeProcess(pi_.hProcess, &code);
  return code;
}

void Process::Kill() {
  if (Running()) {
    TerminateProcess(pi_.hProcess, 1);
    WaitForSingleObject(pi_.hProcess, 5000);
  }
}

bool RunAndWait(const std::wstring& program, const std::wstring& arguments,
                std::chrono::milliseconds timeout, DWORD* exit_code) {
  Process p;
  std::wstring line = L"\"" + program + L"\"";
  if (!arguments.empty()) line += L" " + arguments;
  if (!p.Start(line)) return false;
  bool ended = p.Wait(timeout);
  if (exit_code) *exit_code = p.ExitCode();
  return ended;
}

void DrainMessages() {
  PumpUntil([] { return true; }, std::chrono::milliseconds(0));
}

bool PumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

HWND WaitForWindow(const wchar_t* title, std::chrono::milliseconds timeout) {
  HWND found = nullptr;
  PumpUntil([&] { return (found = FindWindowW(nullptr, title)) != nullptr; }, timeout);
  return found;
}

bool WaitUntilUnderPointer(HWND wnd, std::chrono::milliseconds timeout) {
  return PumpUntil([&] {
    RECT r{};
    if (!IsWindowVisible(wnd) || !GetClientRect(wnd, &r)) return false;
    POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(wnd, &centre);
    HWND under = WindowFromPoint(centre);
    return under == wnd || IsChild(wnd, under);
  }, timeout);
}

bool WaitForNoWindow(const wchar_t* title, std::chrono::milliseconds timeout) {
  return PumpUntil([&] { return FindWindowW(nullptr, title) == nullptr; }, timeout);
}

std::string ReadBytes(const std::wstring& path) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(f, buf, sizeof(buf), &got, nullptr) && got > 0) bytes.append(buf, got);
  CloseHandle(f);
  return bytes;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD wrote = 0;
  bool ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr) &&
            wrote == bytes.size();
  CloseHandle(f);
  return ok;
}

bool FileExistsW(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

long SystemGdiObjects() { return static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)); }

bool SystemCountsGdiObjects() {
  static const bool counts = [] {
    const long before = SystemGdiObjects();
    HBRUSH probe = CreateSolidBrush(RGB(1, 2, 3));
    const long with = SystemGdiObjects();
    DeleteObject(probe);
    return with > before;
  }();
  return counts;
}

std::string ToCp932(const std::wstring& text) { return ToCodePage(932, text); }

std::wstring FromCp932(const std::string& bytes) { return FromCodePage(932, bytes); }

}  // namespace zarnik::test

namespace zarnik::test {

Screenshot CaptureScreen() {
  Screenshot shot;
  shot.width = GetSystemMetrics(SM_CXSCREEN);
  shot.height = GetSystemMetrics(SM_CYSCREEN);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = shot.width;
  info.bmiHeader.biHeight = -shot.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bmp && bits) {
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, shot.width, shot.height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    shot.pixels.assign(p, p + static_cast<size_t>(shot.width) * shot.height);
    for (auto& px : shot.pixels) px &= 0x00FFFFFF;
    SelectObject(mem, old);
  }
  if (bmp) DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return shot;
}

std::string SettingsFileBytes(int picture_source, const std::wstring& picture_file, int degree,
                              int music_kind, int music_repeat, const std::wstring& music_file) {
  auto number = [](int v) { return v < 0 ? std::to_wstring(v) : L" " + std::to_wstring(v); };
  std::wstring text = L"[Section]\r\n";
  text += L"画像=" + number(picture_source) + L"\r\n";
  text += L"画像ﾌｧｲﾙ=" + picture_file + L"\r\n";
  text += L"劣化度=" + number(degree) + L"\r\n";
  text += L"BGM区分=" + number(music_kind) + L"\r\n";
  text += L"BGMﾘﾋﾟｰﾄ=" + number(music_repeat) + L"\r\n";
  text += L"BGMﾌｧｲﾙ=" + music_file + L"\r\n";
  return ToCp932(text);
}

}  // namespace zarnik::test

namespace zarnik::test {

namespace {

// Mouse messages this thread has taken from its queue, seen by a hook on the thread: a
// message taken is one the window it was meant for is handed next, so waiting for it
// replaces guessing how long input takes to arrive.
struct TakenMessage {
  UINT message;
  POINT point;
};
struct TakenInput {
  HHOOK hook = nullptr;
  std::vector<TakenMessage> log;
  // Whether a message since the given point of the log fits.
  bool Since(size_t from, const std::function<bool(const TakenMessage&)>& fits) const {
    for (size_t i = from; i < log.size(); ++i)
      if (fits(log[i])) return true;
    return false;
  }
};
thread_local TakenInput taken;

LRESULT CALLBACK RecordTakenInput(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION)
    taken.log.push_back({static_cast<UINT>(wp), reinterpret_cast<const MOUSEHOOKSTRUCT*>(lp)->pt});
  return CallNextHookEx(nullptr, code, wp, lp);
}

bool WatchTakenInput() {
  if (!taken.hook)
    taken.hook = SetWindowsHookExW(WH_MOUSE, RecordTakenInput, nullptr, GetCurrentThreadId());
  return taken.hook != nullptr;
}

constexpr auto kInputLimit = std::chrono::seconds(10);

bool CursorAt(int x, int y) {
  POINT p{};
  return GetCursorPos(&p) && p.x == x && p.y == y;
}

// The messages a button flag turns into, on the client area or the frame.
bool IsMessageOf(DWORD flag, UINT msg) {
  switch (flag) {
    case MOUSEEVENTF_LEFTDOWN: return msg == WM_LBUTTONDOWN || msg == WM_NCLBUTTONDOWN;
    case MOUSEEVENTF_LEFTUP: return msg == WM_LBUTTONUP || msg == WM_NCLBUTTONUP;
    case MOUSEEVENTF_RIGHTDOWN: return msg == WM_RBUTTONDOWN || msg == WM_NCRBUTTONDOWN;
    case MOUSEEVENTF_RIGHTUP: return msg == WM_RBUTTONUP || msg == WM_NCRBUTTONUP;
    case MOUSEEVENTF_MIDDLEDOWN: return msg == WM_MBUTTONDOWN || msg == WM_NCMBUTTONDOWN;
    case MOUSEEVENTF_MIDDLEUP: return msg == WM_MBUTTONUP || msg == WM_NCMBUTTONUP;
    default: return false;
  }
}

void SendButtons(DWORD first, DWORD second) {
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = first;
  in[1].mi.dwFlags = second;
  SendInput(second ? 2 : 1, in, sizeof(INPUT));
}

}  // namespace

void MovePointerTo(int screen_x, int screen_y) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = (screen_x * 65536 + 32768) / GetSystemMetrics(SM_CXSCREEN);
  in.mi.dy = (screen_y * 65536 + 32768) / GetSystemMetrics(SM_CYSCREEN);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof(in));
}

bool MovePointerAndWait(int screen_x, int screen_y) {
  const bool moves = !CursorAt(screen_x, screen_y);
  const bool watched = WatchTakenInput();
  const size_t before = taken.log.size();
  MovePointerTo(screen_x, screen_y);
  if (!PumpUntil([&] { return CursorAt(screen_x, screen_y); }, kInputLimit)) return false;
  // A window of this thread under the pointer takes a move message there; a window of
  // another thread, or a move to where the pointer already was, gives this thread none.
  POINT at{screen_x, screen_y};
  HWND under = WindowFromPoint(at);
  if (!moves || !watched || !under || GetWindowThreadProcessId(under, nullptr) != GetCurrentThreadId())
    return true;
  return PumpUntil([&] {
    return taken.Since(before, [&](const TakenMessage& m) { return m.point.x == screen_x && m.point.y == screen_y; });
  }, kInputLimit);
}

bool PressAndRelease(DWORD down, DWORD up) {
  POINT at{};
  GetCursorPos(&at);
  HWND under = WindowFromPoint(at);
  const bool ours = WatchTakenInput() && under && GetWindowThreadProcessId(under, nullptr) == GetCurrentThreadId();
  const size_t before = taken.log.size();
  const DWORD last = up ? up : down;
  SendButtons(down, up);
  if (!ours) return true;
  // The release taken: a control tracking the press in a loop of its own has taken both.
  return PumpUntil([&] {
    return taken.Since(before, [&](const TakenMessage& m) { return IsMessageOf(last, m.message); });
  }, kInputLimit);
}

bool ClickInWindow(HWND wnd, POINT client, DWORD down, DWORD up) {
  ClientToScreen(wnd, &client);
  if (!MovePointerAndWait(client.x, client.y)) return false;
  return PressAndRelease(down, up);
}

}  // namespace zarnik::test
