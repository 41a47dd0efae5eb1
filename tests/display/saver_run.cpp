#include "tests/display/saver_run.h"

#include <gtest/gtest.h>
#include <psapi.h>

#include <algorithm>

#include "tests/support/jpeg_quality.h"

namespace zarnik::test {

using namespace std::chrono_literals;

void WriteSettings(const ProgramFolder& folder, int source, const std::wstring& picture, int degree,
                   int music_kind, const std::wstring& music) {
  EXPECT_TRUE(WriteBytes(folder.File(L"Quorvel.ini"),
                         SettingsFileBytes(source, picture, degree, music_kind, 0, music)));
}

bool IsWhite(uint32_t p) { return (p & 0xFF) > 230 && ((p >> 8) & 0xFF) > 230 && (p >> 16) > 230; }
bool IsBlack(uint32_t p) { return (p & 0xFF) < 25 && ((p >> 8) & 0xFF) < 25 && (p >> 16) < 25; }

CaptionOnBlack MeasureCaptionOnBlack(const Screenshot& shot) {
  CaptionOnBlack m;
  m.white = RECT{shot.width, shot.height, -1, -1};
  for (int y = 0; y < shot.height; ++y) {
    for (int x = 0; x < shot.width; ++x) {
      const uint32_t p = shot.At(x, y);
      if (IsWhite(p)) {
        m.white.left = std::min<LONG>(m.white.left, x);
        m.white.right = std::max<LONG>(m.white.right, x + 1);
        m.white.top = std::min<LONG>(m.white.top, y);
        m.white.bottom = std::max<LONG>(m.white.bottom, y + 1);
      } else if (!IsBlack(p)) {
        ++m.other;
      }
    }
  }
  return m;
}

size_t PeakMemoryOf(DWORD process_id) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process_id);
  if (!process) return 0;
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  const size_t peak =
      GetProcessMemoryInfo(process, &counters, sizeof(counters)) ? counters.PeakWorkingSetSize : 0;
  CloseHandle(process);
  return peak;
}

}  // namespace zarnik::test
