// The preview drawn in this process, so that its pixels can be read from the host.
#include <gtest/gtest.h>

#include <cstdlib>

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

}  // namespace
}  // namespace zarnik
