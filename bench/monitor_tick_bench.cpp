// One decay tick on several large monitors: all monitors on worker threads at once (as the
// saver runs them) against one after the other. Run by hand under Wine:
//   wine build/bin/monitor_tick_bench.exe [monitors=3] [width=3840] [height=2160] [ticks=8] [picture.bmp]
// bench/run-tick-bench.sh runs it on three 3840x2160 monitors with its photo-like frame.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

#include "converter/quorvel_binding.h"
#include "decay/monitor_set.h"

namespace {

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
  const int ticks = argc > 4 ? std::max(1, _wtoi(argv[4])) : 8;

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
      1);
  std::vector<zarnik::MonitorArea> areas;
  for (int i = 0; i < monitors; ++i)
    areas.push_back({i * width, 0, (i + 1) * width, height, i == 0, L"M" + std::to_wstring(i)});
  set.Reset(areas);
  set.ShowPictureFile(picture);
  std::printf("%d monitor(s) of %dx%d\n", monitors, width, height);

  std::vector<double> parallel, serial;
  for (int t = 0; t < ticks; ++t) {
    const auto start = Clock::now();
    set.StartTick(nullptr);
    set.WaitForTick();
    parallel.push_back(Ms(Clock::now() - start));
  }
  for (int t = 0; t < ticks; ++t) {
    const auto start = Clock::now();
    for (size_t i = 0; i < set.size(); ++i) set.monitor(i).Tick();
    serial.push_back(Ms(Clock::now() - start));
  }
  Report("parallel", parallel);
  Report("serial", serial);

  // The converter alone on the same bitmaps: how much of the tick parallel threads can share
  // on this machine, apart from the decoding and drawing.
  std::vector<double> convert_parallel, convert_serial;
  auto convert = [&](size_t i) {
    zarnik::DecayCycle& cycle = set.monitor(i).cycle();
    zarnik::ConvertBMPtoJPG(cycle.bitmap().path(), cycle.jpeg_path(), 50);
  };
  for (int t = 0; t < ticks; ++t) {
    auto start = Clock::now();
    std::vector<std::thread> threads;
    for (size_t i = 0; i < set.size(); ++i) threads.emplace_back(convert, i);
    for (auto& th : threads) th.join();
    convert_parallel.push_back(Ms(Clock::now() - start));
    start = Clock::now();
    for (size_t i = 0; i < set.size(); ++i) convert(i);
    convert_serial.push_back(Ms(Clock::now() - start));
  }
  Report("convert||", convert_parallel);
  Report("convert", convert_serial);
  set.DeleteBitmaps();
  for (int i = 1; i <= monitors; ++i) DeleteFileW((folder + zarnik::JpegWorkName(i)).c_str());
  if (own_scene) DeleteFileW(picture.c_str());
  RemoveDirectoryW(folder.c_str());
  return 0;
}
