// How long the largest pictures the bounds let through take to load, and what memory the load
// takes: JPEG (baseline and progressive, through libjpeg-turbo), PNG and BMP (through the
// system's imaging component), each at a few sizes up to the pixel limit. Every load must
// finish inside the time bound, or the picture a user chose is given up as black.
// Each load runs in a process of its own, so that its peak memory is its own.
// Run by hand under Wine: wine build/bin/picture_load_bench.exe [megapixels...]
#include <windows.h>
#include <psapi.h>
#include <turbojpeg.h>
#include <wincodec.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/picture_file.h"
#include "platform/surface.h"

namespace {

using zarnik::Surface;

// Soft colour fields with grain, as photographs have.
void Scene(Surface& s, int w, int h) {
  s.Resize(w, h);
  uint32_t seed = 7;
  for (int y = 0; y < h; ++y) {
    uint32_t* row = s.pixels() + static_cast<size_t>(y) * w;
    for (int x = 0; x < w; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int grain = static_cast<int>(seed >> 29);
      row[x] = ((static_cast<uint32_t>(128 + 100 * std::sin(x / 97.0)) + grain) & 0xFF) << 16 |
               ((static_cast<uint32_t>(128 + 90 * std::cos(y / 61.0)) + grain) & 0xFF) << 8 |
               ((x ^ y) & 0xFF);
    }
  }
}

bool WriteFile(const std::wstring& path, const void* data, size_t size) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = true;
  for (size_t done = 0; ok && done < size; done += written)
    ok = ::WriteFile(f, static_cast<const char*>(data) + done,
                     static_cast<DWORD>(std::min<size_t>(size - done, 1u << 30)), &written, nullptr);
  CloseHandle(f);
  return ok;
}

bool SaveJpeg(const Surface& s, const std::wstring& path, bool progressive) {
  tjhandle tj = tjInitCompress();
  unsigned char* out = nullptr;
  unsigned long size = 0;
  const int rc =
      tjCompress2(tj, reinterpret_cast<const unsigned char*>(s.pixels()), s.width(), s.width() * 4,
                  s.height(), TJPF_BGRX, &out, &size, TJSAMP_420, 85, progressive ? TJFLAG_PROGRESSIVE : 0);
  const bool ok = rc == 0 && WriteFile(path, out, size);
  tjFree(out);
  tjDestroy(tj);
  return ok;
}

bool SavePng(const Surface& s, const std::wstring& path) {
  IWICImagingFactory* factory = nullptr;
  IWICStream* stream = nullptr;
  IWICBitmapEncoder* encoder = nullptr;
  IWICBitmapFrameEncode* frame = nullptr;
  bool ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_PPV_ARGS(&factory))) &&
            SUCCEEDED(factory->CreateStream(&stream)) &&
            SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
            SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
            SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
            SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
            SUCCEEDED(frame->SetSize(s.width(), s.height()));
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGR;
  ok = ok && SUCCEEDED(frame->SetPixelFormat(&format));
  if (ok && format == GUID_WICPixelFormat32bppBGR) {
    ok = SUCCEEDED(frame->WritePixels(s.height(), s.width() * 4, s.width() * 4 * s.height(),
                                      reinterpret_cast<BYTE*>(const_cast<uint32_t*>(s.pixels()))));
  } else if (ok) {  // the encoder asked for 24-bit rows
    std::vector<BYTE> row(static_cast<size_t>(s.width()) * 3);
    for (int y = 0; ok && y < s.height(); ++y) {
      for (int x = 0; x < s.width(); ++x)
        std::memcpy(&row[x * 3], &s.pixels()[static_cast<size_t>(y) * s.width() + x], 3);
      ok = SUCCEEDED(
          frame->WritePixels(1, static_cast<UINT>(row.size()), static_cast<UINT>(row.size()), row.data()));
    }
  }
  ok = ok && SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
  for (IUnknown* u : {static_cast<IUnknown*>(frame), static_cast<IUnknown*>(encoder),
                      static_cast<IUnknown*>(stream), static_cast<IUnknown*>(factory)})
    if (u) u->Release();
  return ok;
}

size_t PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS c{};
  c.cb = sizeof(c);
  return GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof(c)) ? c.PeakWorkingSetSize : 0;
}

// One load in this process: its time, whether it loaded, and how far the peak memory rose.
int LoadOne(const std::wstring& file) {
  const size_t before = PeakWorkingSet();
  Surface picture;
  const auto t0 = std::chrono::steady_clock::now();
  const bool loaded = zarnik::LoadPictureFile(file, picture);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
  printf("%10lld %8s %12zu\n", static_cast<long long>(ms), loaded ? "yes" : "NO",
         (PeakWorkingSet() - before) >> 20);
  return 0;
}

void RunLoad(const std::wstring& file) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" --load \"" + file + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  fflush(stdout);
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    printf("  (no process)\n");
    return;
  }
  WaitForSingleObject(pi.hProcess, INFINITE);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wstring(argv[1]) == L"--load") return LoadOne(argv[2]);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::vector<double> megapixels = {12, 48, 80};
  if (argc > 1) {
    megapixels.clear();
    for (int i = 1; i < argc; ++i) megapixels.push_back(_wtof(argv[i]));
  }
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp);
  printf("time bound %lld ms, pixel bound %lld\n",
         static_cast<long long>(zarnik::DecodeBounds{}.time.count()), zarnik::DecodeBounds{}.pixels);
  printf("%-22s %6s %12s %10s %8s %12s\n", "picture", "MP", "file bytes", "load ms", "loaded", "peak +MB");
  for (double mp : megapixels) {
    const int w = static_cast<int>(std::sqrt(mp * 1e6 * 4 / 3)), h = static_cast<int>(mp * 1e6 / w);
    Surface scene;
    Scene(scene, w, h);
    struct Kind {
      const char* name;
      std::wstring file;
      bool written;
    };
    Kind kinds[] = {
        {"JPEG baseline 4:2:0", folder + L"zk-bench.jpg", SaveJpeg(scene, folder + L"zk-bench.jpg", false)},
        {"JPEG progressive", folder + L"zk-bench-p.jpg", SaveJpeg(scene, folder + L"zk-bench-p.jpg", true)},
        {"PNG", folder + L"zk-bench.png", SavePng(scene, folder + L"zk-bench.png")},
        {"BMP 24-bit", folder + L"zk-bench.bmp", scene.SaveBmp(folder + L"zk-bench.bmp")}};
    scene.Resize(0, 0);
    for (Kind& k : kinds) {
      if (!k.written) {
        printf("%-22s %6.0f  (could not be written)\n", k.name, mp);
        continue;
      }
      WIN32_FILE_ATTRIBUTE_DATA facts{};
      GetFileAttributesExW(k.file.c_str(), GetFileExInfoStandard, &facts);
      printf("%-22s %6.0f %12lu ", k.name, mp, facts.nFileSizeLow);
      RunLoad(k.file);
      DeleteFileW(k.file.c_str());
    }
  }
  return 0;
}
