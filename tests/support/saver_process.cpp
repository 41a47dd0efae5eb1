#include "tests/support/saver_process.h"

namespace zarnik::test {

using namespace std::chrono_literals;

SaverProcess::SaverProcess(const ProgramFolder& folder, const std::wstring& args, std::chrono::milliseconds limit) {
  started_ = process_.Start(L"\"" + folder.Program() + L"\"" + (args.empty() ? L"" : L" " + args), folder.path());
  WaitForWindow(limit);
}

SaverProcess::SaverProcess(const std::wstring& application, const std::wstring& command_line,
                           std::chrono::milliseconds limit) {
  started_ = process_.StartAs(application, command_line);
  WaitForWindow(limit);
}

void SaverProcess::WaitForWindow(std::chrono::milliseconds limit) {
  if (!started_) return;
  PumpUntil([&] {
    wnd_ = FindWindowW(nullptr, L"Zarnik_Main");
    return wnd_ && IsWindowVisible(wnd_);
  }, limit);
}

bool SaverProcess::Ends(std::chrono::milliseconds window_gone) {
  bool gone = PumpUntil([&] { return !IsWindow(wnd_); }, window_gone);
  return process_.Wait(15s) && gone;
}

bool SaverProcess::Settled(int x, int y) {
  const bool there = PumpUntil([&] {
    POINT p{};
    return GetCursorPos(&p) && p.x == x && p.y == y;
  }, 10s);
  return there && process_.Idle(10s);
}

}  // namespace zarnik::test
