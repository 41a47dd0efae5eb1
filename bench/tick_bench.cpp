// The whole decay tick in-process (bitmap step, conversion, load, caption, paint to a real
// window) over whole decay cycles, against tjCompress2 + tjDecompress2 of the same frame at the
// same qualities; and a run's first tick on its own.
//
//   tick_bench.exe frame.bmp [frame.bmp ...]
//
// Each frame is a 24-bit bitmap (run-tick-bench.sh makes photo-like ones). TICK_DEGREES from
// the environment names the degrees (default "10 1"); each runs whole cycles after its first.
#include <windows.h>
#include <objbase.h>
#include <psapi.h>

#include <turbojpeg.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "converter/quorvel_binding.h"
#include "decay/decay_cycle.h"
#include "decay/quality_schedule.h"
#include "platform/picture_file.h"
#include "platform/surface.h"

namespace {

using zarnik::Surface;

double NowMs() {
  LARGE_INTEGER now, freq;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&freq);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(freq.QuadPart);
}

double ProcessCpuMs() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  auto ms = [](FILETIME f) { return static_cast<double>((static_cast<ULONGLONG>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e4; };
  return ms(kernel) + ms(user);
}

double PeakWorkingSetMb() {
  PROCESS_MEMORY_COUNTERS pmc{};
  pmc.cb = sizeof(pmc);
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof(pmc))) return 0;
  return static_cast<double>(pmc.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The saver's way of showing the display surface: a popup window painted from it.
const Surface* g_shown = nullptr;

LRESULT CALLBACK ShowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_ERASEBKGND) return TRUE;
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    if (g_shown) g_shown->PaintTo(dc, 0, 0);
    EndPaint(wnd, &ps);
    return 0;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Compress from 24-bit as the bitmap file holds it, decompress to 32-bit as the screen takes it:
// CPU per frame, the mean over the qualities given.
double LibraryCpu(const Surface& frame, const std::vector<int>& qualities) {
  const int w = frame.width(), h = frame.height();
  std::vector<unsigned char> bgr(static_cast<size_t>(w) * h * 3);
  for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i) {
    const uint32_t p = frame.pixels()[i];
    bgr[3 * i] = p & 0xFF;
    bgr[3 * i + 1] = (p >> 8) & 0xFF;
    bgr[3 * i + 2] = (p >> 16) & 0xFF;
  }
  std::vector<unsigned char> bgrx(static_cast<size_t>(w) * h * 4);
  tjhandle c = tjInitCompress(), d = tjInitDecompress();
  const double cpu0 = ProcessCpuMs();
  for (int quality : qualities) {
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    if (tjCompress2(c, bgr.data(), w, w * 3, h, TJPF_BGR, &jpeg, &size, TJSAMP_420, quality, 0) != 0) break;
    tjDecompress2(d, jpeg, size, bgrx.data(), w, w * 4, h, TJPF_BGRX, 0);
    tjFree(jpeg);
  }
  const double cpu = (ProcessCpuMs() - cpu0) / static_cast<double>(qualities.size());
  tjDestroy(c);
  tjDestroy(d);
  return cpu;
}

// The qualities of one cycle at the degree, in order.
std::vector<int> CycleQualities(int degree) {
  std::vector<int> out;
  int q = 100;
  do {
    q = zarnik::NextQuality(q, degree).value_or(q);
    out.push_back(q);
  } while (out.size() < 200 && zarnik::NextQuality(q, degree).value_or(q) < q);
  return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::printf("usage: tick_bench frame.bmp [frame.bmp ...]\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::vector<int> degrees;
  {
    const char* given = std::getenv("TICK_DEGREES");
    std::string text = given ? given : "10 1";
    for (size_t at = 0; at < text.size();) {
      const size_t end = text.find(' ', at);
      const std::string word = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
      if (!word.empty()) degrees.push_back(std::clamp(std::atoi(word.c_str()), 1, 89));
      at = end == std::string::npos ? text.size() : end + 1;
    }
  }
  WNDCLASSW wc{};
  wc.lpfnWndProc = ShowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ZarnikTickBench";
  RegisterClassW(&wc);

  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);

  std::printf("first = a run's first tick (wall ms / CPU ms); the rest over whole cycles after the first: wall ms\n"
              "are medians, cpu ms this process's CPU per tick (mean); lib = tjCompress2 + tjDecompress2 CPU at\n"
              "the same qualities; ratio = cpu / lib\n");
  std::printf("%-10s %3s %13s %6s %8s %8s %8s %8s %8s %8s %8s %8s %7s %9s %11s\n", "frame", "deg", "first", "ticks",
              "tick ms", "cpu ms", "bitmap", "convert", "load", "caption", "paint", "lib cpu", "ratio", "peak MB",
              "bytes/tick");
  for (int a = 1; a < argc; ++a) {
    Surface source;
    if (!zarnik::LoadPictureFile(argv[a], source)) {
      std::printf("cannot load %ls\n", argv[a]);
      return 1;
    }
    const int w = source.width(), h = source.height();
    for (int degree : degrees) {
      // Paths of their own: the converter meets this bitmap for the first time.
      const std::wstring stem = std::wstring(temp) + L"zarnik_tick_bench_" + std::to_wstring(w) + L"_" +
                                std::to_wstring(degree);
      const std::wstring bmp = stem + L".bmp", jpg = stem + L".jpg";
      Surface display;
      display.Resize(w, h);
      display.Assign(source);
      g_shown = &display;
      HWND wnd = CreateWindowExW(0, wc.lpszClassName, L"tick bench", WS_POPUP, 0, 0, w, h, nullptr, nullptr,
                                 wc.hInstance, nullptr);
      ShowWindow(wnd, SW_SHOWNOACTIVATE);
      UpdateWindow(wnd);
      Pump();

      zarnik::DecayCycle cycle(
          bmp, jpg,
          [](const std::wstring& b, const std::wstring& j, int32_t q) { return zarnik::ConvertBMPtoJPG(b, j, q); },
          degree);
      const std::vector<int> qualities = CycleQualities(degree);
      const int per_cycle = static_cast<int>(qualities.size());
      const int cycles = per_cycle >= 40 ? 1 : 3;
      double first_wall = 0, first_cpu = 0;
      double cpu_total = 0;
      std::vector<double> tick, bitmap, convert, load, caption, paint;
      unsigned long long jpeg_bytes = 0;
      int writes_before = 0;
      const int total = per_cycle * (1 + cycles);
      for (int i = 0; i < total; ++i) {
        const double c0 = ProcessCpuMs(), t0 = NowMs();
        cycle.Tick(source, display);
        const double t1 = NowMs();
        InvalidateRect(wnd, nullptr, FALSE);
        UpdateWindow(wnd);
        GdiFlush();
        const double t2 = NowMs(), c1 = ProcessCpuMs();
        Pump();
        if (i == 0) {
          first_wall = t2 - t0;
          first_cpu = c1 - c0;
          const zarnik::TickSteps& f = cycle.last_steps();
          std::printf("# first tick: bitmap %.1f, convert %.1f, load %.1f, caption %.1f, paint %.1f ms\n", f.bitmap,
                      f.convert, f.load, f.caption, t2 - t1);
        }
        if (i == per_cycle - 1) writes_before = cycle.bitmap().writes();
        if (i < per_cycle) continue;  // the first cycle: the run's start
        tick.push_back(t2 - t0);
        cpu_total += c1 - c0;
        const zarnik::TickSteps& s = cycle.last_steps();
        bitmap.push_back(s.bitmap);
        convert.push_back(s.convert);
        load.push_back(s.load);
        caption.push_back(s.caption);
        paint.push_back(t2 - t1);
        WIN32_FILE_ATTRIBUTE_DATA fa{};
        if (GetFileAttributesExW(jpg.c_str(), GetFileExInfoStandard, &fa)) jpeg_bytes += fa.nFileSizeLow;
      }
      const int measured = per_cycle * cycles;
      const unsigned long long bmp_bytes = 54 + static_cast<unsigned long long>((w * 3 + 3) & ~3) * h;
      const double per_tick =
          static_cast<double>(jpeg_bytes + static_cast<unsigned long long>(cycle.bitmap().writes() - writes_before) * bmp_bytes) /
          measured;
      const double peak = PeakWorkingSetMb();
      DestroyWindow(wnd);
      Pump();
      g_shown = nullptr;
      cycle.bitmap().Delete();
      DeleteFileW(jpg.c_str());
      const double lib = LibraryCpu(source, qualities);
      const double cpu = cpu_total / measured;
      char first[32];
      std::snprintf(first, sizeof(first), "%.1f/%.1f", first_wall, first_cpu);
      std::printf("%4dx%-5d %3d %13s %6d %8.1f %8.1f %8.1f %8.1f %8.1f %8.1f %8.1f %8.1f %7.2f %9.0f %11.0f\n", w, h,
                  degree, first, measured, Median(tick), cpu, Median(bitmap), Median(convert), Median(load),
                  Median(caption), Median(paint), lib, lib > 0 ? cpu / lib : 0, peak, per_tick);
      std::printf("           peak working set so far = %.2f frames of this size\n", peak * 1024 * 1024 / (4.0 * w * h));
      std::fflush(stdout);
    }
  }
  return 0;
}
