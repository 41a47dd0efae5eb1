// The preview drawn in this process, so that its pixels can be read from the host.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "platform/picture_file.h"
#include "platform/surface.h"
#include "preview/preview_window.h"
#include "preview/resource_ids.h"
#include "tests/support/test_support.h"

namespace zarnik {
namespace {

using namespace std::chrono_literals;

HWND MakeHost(int width, int height) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ZarnikPreviewHost";
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  RegisterClassW(&wc);
  return CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"host", WS_POPUP | WS_VISIBLE, 0, 0, width,
                         height, nullptr, nullptr, wc.hInstance, nullptr);
}

int Distance(COLORREF a, COLORREF b) {
  return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
         std::abs(GetBValue(a) - GetBValue(b));
}

TEST(PreviewWindow, BuiltInPictureIs152By112) {
  Surface picture;
  ASSERT_TRUE(LoadPictureResource(GetModuleHandleW(nullptr), IDR_PREVIEW_PICTURE, picture));
  EXPECT_EQ(picture.width(), 152);
  EXPECT_EQ(picture.height(), 112);
}

TEST(PreviewWindow, ShowsThePictureAtItsOwnSizeOrStretched) {
  Surface picture;
  ASSERT_TRUE(LoadPictureResource(GetModuleHandleW(nullptr), IDR_PREVIEW_PICTURE, picture));
  for (int scale : {1, 2}) {
    const int w = 152 * scale, h = 112 * scale;
    HWND host = MakeHost(w, h);
    ASSERT_TRUE(ShowPreviewWindow(GetModuleHandleW(nullptr),
                                  static_cast<int32_t>(reinterpret_cast<intptr_t>(host))));
    HWND preview = FindWindowExW(host, nullptr, kPreviewClass, nullptr);
    ASSERT_NE(preview, nullptr);
    RECT r{};
    GetClientRect(preview, &r);
    EXPECT_EQ(r.right, w);
    EXPECT_EQ(r.bottom, h);

    // Read back once painted.
    int far_off = 0, samples = 0;
    test::PumpUntil([&] {
      HDC dc = GetDC(preview);
      far_off = samples = 0;
      for (int y = 4; y < 112; y += 9) {
        for (int x = 4; x < 152; x += 11) {
          COLORREF want = picture.PixelAt(x, y);
          COLORREF got = GetPixel(dc, x * scale + scale / 2, y * scale + scale / 2);
          if (Distance(want, got) > 30) ++far_off;
          ++samples;
        }
      }
      ReleaseDC(preview, dc);
      return far_off < samples / 20;
    }, 10s);
    EXPECT_LT(far_off, samples / 20) << "scale " << scale;
    DestroyWindow(host);  // takes its children with it at once
    EXPECT_FALSE(IsWindow(preview));
    test::DrainMessages();
  }
}

// The preview reads no settings and no picture file: whatever a user chose, it shows its own
// picture. The one thing it loads, that picture, goes through the loader every picture goes
// through; given the regression set's bytes instead, that loader refuses each hostile one and
// leaves the preview's picture as it was.
TEST(PreviewWindow, ItsLoaderTurnsAwayTheRegressionSetAndKeepsItsPicture) {
  Surface picture;
  ASSERT_TRUE(LoadPictureResource(GetModuleHandleW(nullptr), IDR_PREVIEW_PICTURE, picture));
  std::vector<uint32_t> own(picture.pixels(), picture.pixels() + 152 * 112);
  for (const wchar_t* name : {L"hostile-jpeg-60000x60000.jpg", L"hostile-png-bomb.png", L"hostile-png-lies.png",
                              L"hostile-gif-screen-bomb.gif", L"hostile-bmp-sizes-lie.bmp", L"hostile-empty.jpg",
                              L"hostile-noise.jpg"}) {
    const std::string bytes = test::ReadBytes(test::BinFolder() + L"\\picture-corpus\\" + name);
    EXPECT_FALSE(LoadPictureBytes(bytes.data(), bytes.size(), picture)) << name;
    ASSERT_EQ(picture.width(), 152) << name;
    EXPECT_TRUE(std::equal(own.begin(), own.end(), picture.pixels())) << name;
  }
  // The two that are pictures after all load at their own size.
  for (const auto& [name, w, h] : {std::tuple{L"hostile-png-named.jpg", 31, 17}, std::tuple{L"hostile-gif-frames-bomb.gif", 8, 8}}) {
    const std::string bytes = test::ReadBytes(test::BinFolder() + L"\\picture-corpus\\" + name);
    Surface other;
    EXPECT_TRUE(LoadPictureBytes(bytes.data(), bytes.size(), other)) << name;
    EXPECT_EQ(other.width(), w) << name;
    EXPECT_EQ(other.height(), h) << name;
  }
}

}  // namespace
}  // namespace zarnik
