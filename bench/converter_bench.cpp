// Times ConvertBMPtoJPG (bitmap file in, JPEG file out) against tjCompress2 on the same
// pixels in memory, for three screen sizes and three qualities.
#include <windows.h>

#include <turbojpeg.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using ConvertFn = int16_t(WINAPI*)(const char*, const char*, int32_t, int16_t, int32_t);
using Clock = std::chrono::steady_clock;

// Photographic-like: broad gradients, soft blobs, hard edges and a little grain.
std::vector<uint8_t> Scene(int w, int h) {
  std::vector<uint8_t> bgr(static_cast<size_t>(w) * h * 3);
  uint32_t seed = 12345;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const double u = static_cast<double>(x) / w, v = static_cast<double>(y) / h;
      double r = 60 + 150 * u + 30 * std::sin(12 * v + 3 * u);
      double g = 90 + 100 * v + 40 * std::cos(9 * u * v);
      double b = 200 - 120 * v + 25 * std::sin(20 * u);
      if (std::hypot(u - 0.6, v - 0.4) < 0.15) { r = 240; g = 200; b = 80; }
      if (((x / (w / 16)) + (y / (h / 9))) % 7 == 0) { r *= 0.6; g *= 0.6; b *= 0.7; }
      seed = seed * 1664525u + 1013904223u;
      const double grain = static_cast<double>((seed >> 24) % 9) - 4;
      uint8_t* p = &bgr[(static_cast<size_t>(y) * w + x) * 3];
      p[0] = static_cast<uint8_t>(std::clamp(b + grain, 0.0, 255.0));
      p[1] = static_cast<uint8_t>(std::clamp(g + grain, 0.0, 255.0));
      p[2] = static_cast<uint8_t>(std::clamp(r + grain, 0.0, 255.0));
    }
  }
  return bgr;
}

// The program's work file: 24-bit, bottom-up.
bool WriteBitmap(const char* path, const std::vector<uint8_t>& bgr, int w, int h) {
  const uint32_t stride = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
  std::vector<uint8_t> file(54 + static_cast<size_t>(stride) * h, 0);
  auto put32 = [&](size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(v >> (8 * i)); };
  file[0] = 'B'; file[1] = 'M';
  put32(2, static_cast<uint32_t>(file.size())); put32(10, 54); put32(14, 40); put32(18, w); put32(22, h);
  file[26] = 1; file[28] = 24; put32(34, stride * h);
  for (int y = 0; y < h; ++y)
    std::copy_n(&bgr[static_cast<size_t>(h - 1 - y) * w * 3], static_cast<size_t>(w) * 3, &file[54 + static_cast<size_t>(y) * stride]);
  FILE* f = std::fopen(path, "wb");
  if (!f) return false;
  const bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
  return std::fclose(f) == 0 && ok;
}

template <typename F>
double BestMs(int runs, F&& f) {
  double best = 1e18;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = Clock::now();
    if (!f()) return -1;
    best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  return best;
}

}  // namespace

int main() {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string folder(self);
  folder.resize(folder.find_last_of("\\/"));
  HMODULE dll = LoadLibraryA((folder + "\\Quorvel.dll").c_str());
  auto convert = dll ? reinterpret_cast<ConvertFn>(reinterpret_cast<void*>(GetProcAddress(dll, "ConvertBMPtoJPG"))) : nullptr;
  if (!convert) {
    std::printf("Quorvel.dll or its entry not found beside the benchmark\n");
    return 1;
  }
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string bmp = std::string(temp) + "zarnik_bench.bmp", jpg = std::string(temp) + "zarnik_bench.jpg";
  tjhandle tj = tjInitCompress();

  std::printf("%-10s %4s %12s %12s %7s %10s %10s\n", "size", "q", "Quorvel ms", "memory ms", "ratio", "Quorvel MP/s", "bytes");
  const int sizes[][2] = {{1920, 1080}, {3840, 2160}, {7680, 4320}};
  for (const auto& s : sizes) {
    const int w = s[0], h = s[1];
    const auto pixels = Scene(w, h);
    if (!WriteBitmap(bmp.c_str(), pixels, w, h)) return 1;
    for (int q : {95, 50, 11}) {
      const int runs = w >= 7680 ? 3 : 5;
      const double file_ms = BestMs(runs, [&] { return convert(bmp.c_str(), jpg.c_str(), -1, static_cast<int16_t>(q), -1) == 1; });
      unsigned long size = 0;
      const double mem_ms = BestMs(runs, [&] {
        unsigned char* out = nullptr;
        size = 0;
        const int rc = tjCompress2(tj, pixels.data(), w, w * 3, h, TJPF_BGR, &out, &size, TJSAMP_420, q, 0);
        tjFree(out);
        return rc == 0;
      });
      const double mp = static_cast<double>(w) * h / 1e6;
      std::printf("%4dx%-5d %4d %12.1f %12.1f %7.2f %10.1f %10lu\n", w, h, q, file_ms, mem_ms, file_ms / mem_ms,
                  mp / (file_ms / 1000), size);
    }
  }
  tjDestroy(tj);
  DeleteFileA(bmp.c_str());
  DeleteFileA(jpg.c_str());
  return 0;
}
