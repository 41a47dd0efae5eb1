// The whole decay tick in-process (bitmap step, conversion, load, caption, paint to a real
// window) against tjCompress2 + tjDecompress2 of the same frame at the same quality.
//
//   tick_bench.exe frame.bmp [frame.bmp ...]
//
// Each frame is a 24-bit bitmap (run-tick-bench.sh makes photo-like ones). The tick runs at
// quality 50 every time (or TICK_QUALITY from the environment), so the JPEG work is the same as
// the library's.
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

struct Cost {
  double wall_ms = 0;  // median
  double cpu_ms = 0;   // mean: the process's CPU clock is coarse
};

// Compress from 24-bit as the bitmap file holds it, decompress to 32-bit as the screen takes it.
Cost LibraryCost(const Surface& frame, int runs, int quality) {
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
  std::vector<double> times;
  const double cpu0 = ProcessCpuMs();
  for (int i = 0; i < runs; ++i) {
    const double t0 = NowMs();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    if (tjCompress2(c, bgr.data(), w, w * 3, h, TJPF_BGR, &jpeg, &size, TJSAMP_420, quality, 0) != 0) break;
    tjDecompress2(d, jpeg, size, bgrx.data(), w, w * 4, h, TJPF_BGRX, 0);
    tjFree(jpeg);
    times.push_back(NowMs() - t0);
  }
  const double cpu = (ProcessCpuMs() - cpu0) / runs;
  tjDestroy(c);
  tjDestroy(d);
  return {Median(times), cpu};
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::printf("usage: tick_bench frame.bmp [frame.bmp ...]\n");
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  int quality = 50;
  if (const char* q = std::getenv("TICK_QUALITY")) quality = std::clamp(std::atoi(q), 1, 100);
  WNDCLASSW wc{};
  wc.lpfnWndProc = ShowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ZarnikTickBench";
  RegisterClassW(&wc);

  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring bmp = std::wstring(temp) + L"zarnik_tick_bench.bmp";
  const std::wstring jpg = std::wstring(temp) + L"zarnik_tick_bench.jpg";

  std::printf("wall ms are medians per tick; cpu ms are this process's CPU per tick (mean); ratio = cpu / tj cpu\n");
  std::printf("%-10s %8s %8s %8s %8s %8s %8s %8s %8s %8s %7s %9s %11s\n", "frame", "tick ms", "cpu ms", "bitmap",
              "convert", "load", "caption", "paint", "tj ms", "tj cpu", "ratio", "peak MB", "bytes/tick");
  for (int a = 1; a < argc; ++a) {
    Surface source;
    if (!zarnik::LoadPictureFile(argv[a], source)) {
      std::printf("cannot load %ls\n", argv[a]);
      return 1;
    }
    const int w = source.width(), h = source.height();
    const int runs = w * h > 20'000'000 ? 8 : w * h > 5'000'000 ? 14 : 30;
    {
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
          [](const std::wstring& b, const std::wstring& j, int32_t q) { return zarnik::ConvertBMPtoJPG(b, j, q); }, 1);
      double cpu_total = 0;
      std::vector<double> tick, bitmap, convert, load, caption, paint;
      unsigned long long jpeg_bytes = 0;
      const int writes_before = cycle.bitmap().writes();
      for (int i = 0; i < runs + 3; ++i) {
        cycle.set_quality(quality + 1);  // the tick then encodes at this quality
        const double c0 = ProcessCpuMs(), t0 = NowMs();
        cycle.Tick(source, display);
        const double t1 = NowMs();
        InvalidateRect(wnd, nullptr, FALSE);
        UpdateWindow(wnd);
        GdiFlush();
        const double t2 = NowMs(), c1 = ProcessCpuMs();
        Pump();
        if (i < 3) continue;  // the first ticks write the bitmap file and warm the caches
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
      const unsigned long long bmp_bytes = 54 + static_cast<unsigned long long>((w * 3 + 3) & ~3) * h;
      const double per_tick =
          static_cast<double>(jpeg_bytes + (cycle.bitmap().writes() - writes_before > 1 ? bmp_bytes : 0)) / runs;
      const double peak = PeakWorkingSetMb();
      DestroyWindow(wnd);
      Pump();
      g_shown = nullptr;
      cycle.bitmap().Delete();
      const Cost lib = LibraryCost(source, runs, quality);
      const double cpu = cpu_total / runs;
      std::printf("%4dx%-5d %8.1f %8.1f %8.1f %8.1f %8.1f %8.1f %8.1f %8.1f %8.1f %7.2f %9.0f %11.0f\n", w, h,
                  Median(tick), cpu, Median(bitmap), Median(convert), Median(load), Median(caption),
                  Median(paint), lib.wall_ms, lib.cpu_ms, lib.cpu_ms > 0 ? cpu / lib.cpu_ms : 0, peak, per_tick);
      std::printf("           peak working set so far = %.2f frames of this size\n",
                  peak * 1024 * 1024 / (4.0 * w * h));
      std::fflush(stdout);
    }
  }
  DeleteFileW(jpg.c_str());
  return 0;
}
