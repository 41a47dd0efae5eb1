// Decay ticks on several large monitors, all on worker threads at once as the saver runs them,
// over whole cycles after the first: the wall time of each tick against the 500 ms cadence and
// the process's CPU per tick for all monitors together. Run by hand under Wine:
//   wine build/bin/monitor_tick_bench.exe [monitors=3] [width=3840] [height=2160] [degree=1] [picture.bmp]
// bench/run-tick-bench.sh runs it on three 3840x2160 monitors with its photo-like frame.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "converter/quorvel_binding.h"
#include "decay/monitor_set.h"

namespace {

double ProcessCpuMs() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  auto ms = [](FILETIME f) { return static_cast<double>((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e4; };
  return ms(kernel) + ms(user);
}

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void Report(const char* how, const std::vector<double>& ms) {
  double sum = 0, most = 0;
  for (double m : ms) {
    sum += m;
    most = std::max(most, m);
  }
  std::printf("%-10s mean %7.1f ms  max %7.1f ms  over %zu ticks\n", how, sum / ms.size(), most, ms.size());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int monitors = argc > 1 ? std::max(1, _wtoi(argv[1])) : 3;
  const int width = argc > 2 ? std::max(16, _wtoi(argv[2])) : 3840;
  const int height = argc > 3 ? std::max(16, _wtoi(argv[3])) : 2160;
  const int degree = argc > 4 ? std::clamp(_wtoi(argv[4]), 1, 89) : 1;

  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"zarnik-monitor-bench";
  CreateDirectoryW(folder.c_str(), nullptr);

  // The picture given, else a scene with detail everywhere, so the encoder has real work.
  const bool own_scene = argc <= 5;
  const std::wstring picture = own_scene ? folder + L"\\scene.bmp" : std::wstring(argv[5]);
  if (own_scene) {
    zarnik::Surface scene;
    if (!scene.Resize(width, height)) return 1;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        scene.pixels()[static_cast<size_t>(y) * width + x] =
            static_cast<uint32_t>(((x * 255 / width) << 16) | ((y * 255 / height) << 8) | ((x ^ y) & 0xFF));
    if (!scene.SaveBmp(picture)) return 1;
  }

  zarnik::MonitorSet set(
      {folder},
      [](const std::wstring& bmp, const std::wstring& jpg, int32_t q) { return zarnik::ConvertBMPtoJPG(bmp, jpg, q); },
      degree);
  std::vector<zarnik::MonitorArea> areas;
  for (int i = 0; i < monitors; ++i)
    areas.push_back({i * width, 0, (i + 1) * width, height, i == 0, L"M" + std::to_wstring(i)});
  set.Reset(areas);
  set.ShowPictureFile(picture);
  std::printf("%d monitor(s) of %dx%d\n", monitors, width, height);

  // Ticks of one cycle at this degree: down from 100 until the quality would wrap.
  int per_cycle = 0;
  for (int q = 100 - degree; q > 10; q -= degree) ++per_cycle;
  const int cycles = per_cycle >= 40 ? 1 : 3;
  std::vector<double> wall;
  double cpu = 0;
  for (int t = 0; t < per_cycle * (1 + cycles); ++t) {
    const double c0 = ProcessCpuMs();
    const auto start = Clock::now();
    set.StartTick(nullptr);
    set.WaitForTick();
    const double ms = Ms(Clock::now() - start);
    if (t == 0) std::printf("first tick %7.1f ms\n", ms);
    if (t < per_cycle) continue;  // the first cycle: the run's start
    wall.push_back(ms);
    cpu += ProcessCpuMs() - c0;
  }
  Report("tick", wall);
  std::printf("CPU per tick, all %d monitors: %.1f ms over %zu ticks (degree %d); cadence %s\n", monitors,
              cpu / static_cast<double>(wall.size()), wall.size(), degree,
              *std::max_element(wall.begin(), wall.end()) < 500 ? "kept (every tick under 500 ms)" : "missed");
  set.DeleteBitmaps();
  for (int i = 1; i <= monitors; ++i) DeleteFileW((folder + zarnik::JpegWorkName(i)).c_str());
  if (own_scene) DeleteFileW(picture.c_str());
  RemoveDirectoryW(folder.c_str());
  return 0;
}
