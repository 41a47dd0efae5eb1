#include "startup/surface.h"

#include <cstring>

#include "startup/gdi.h"

namespace zarnik {

Surface::~Surface() { Release(); }

void Surface::Release() {
  // The bitmap leaves the DC before either goes: a selected bitmap cannot be deleted.
  if (dc_) {
    if (old_bitmap_) SelectObject(dc_, old_bitmap_);
    DeleteDC(dc_);
    gdi_count::Gave(dc_);
  }
  if (bitmap_) {
    DeleteObject(bitmap_);
    gdi_count::Gave(bitmap_);
  }
  dc_ = nullptr;
  bitmap_ = nullptr;
  old_bitmap_ = nullptr;
  bits_ = nullptr;
  width_ = height_ = 0;
}

bool Surface::Resize(int width, int height) {
  if (width < 0 || height < 0) return false;
  if (static_cast<long long>(width) * height > kMaxPixels) return false;
  if (width == 0 || height == 0) {
    Release();
    dc_ = CreateCompatibleDC(nullptr);
    gdi_count::Took(dc_);
    width_ = width;
    height_ = height;
    return true;
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  ScopedBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) return false;
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return false;
  Release();
  dc_ = dc;
  gdi_count::Took(dc_);
  bitmap_ = bitmap.release();
  gdi_count::Took(bitmap_);
  old_bitmap_ = SelectObject(dc_, bitmap_);
  bits_ = static_cast<uint32_t*>(bits);
  width_ = width;
  height_ = height;
  Clear();
  return true;
}

void Surface::Clear() {
  if (!bits_) return;
  GdiFlush();
  uint32_t value = (GetRValue(background_) << 16) | (GetGValue(background_) << 8) | GetBValue(background_);
  size_t count = static_cast<size_t>(width_) * height_;
  for (size_t i = 0; i < count; ++i) bits_[i] = value;
}

COLORREF Surface::PixelAt(int x, int y) const {
  if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
  GdiFlush();
  uint32_t v = bits_[static_cast<size_t>(y) * width_ + x];
  return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
}

bool Surface::Assign(const Surface& other) {
  if (&other == this) return true;
  GdiFlush();
  return AssignPixels(other.bits_, other.width_, other.height_);
}

bool Surface::AssignPixels(const uint32_t* pixels, int width, int height) {
  if (!Resize(width, height)) return false;
  if (bits_ && pixels) {
    std::memcpy(bits_, pixels, static_cast<size_t>(width) * height * 4);
  }
  return true;
}

void Surface::PaintTo(HDC dest, int x, int y) const {
  if (!dc_ || empty()) return;
  BitBlt(dest, x, y, width_, height_, dc_, 0, 0, SRCCOPY);
}

std::string Surface::BmpBytes() const {
  GdiFlush();
  const size_t row = (static_cast<size_t>(width_) * 3 + 3) & ~size_t{3};
  const size_t image = row * height_;
  const size_t offset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  std::string out(offset + image, '\0');

  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfSize = static_cast<DWORD>(out.size());
  file.bfOffBits = static_cast<DWORD>(offset);
  BITMAPINFOHEADER info{};
  info.biSize = sizeof(info);
  info.biWidth = width_;
  info.biHeight = height_;  // bottom-up
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = static_cast<DWORD>(image);
  std::memcpy(out.data(), &file, sizeof(file));
  std::memcpy(out.data() + sizeof(file), &info, sizeof(info));

  for (int y = 0; y < height_ && bits_; ++y) {
    const uint32_t* src = bits_ + static_cast<size_t>(height_ - 1 - y) * width_;
    auto* dst = reinterpret_cast<unsigned char*>(out.data() + offset + row * y);
    for (int x = 0; x < width_; ++x) {
      uint32_t v = src[x];
      dst[3 * x] = v & 0xFF;
      dst[3 * x + 1] = (v >> 8) & 0xFF;
      dst[3 * x + 2] = (v >> 16) & 0xFF;
    }
  }
  return out;
}

bool Surface::SaveBmp(const std::wstring& path) const {
  std::string bytes = BmpBytes();
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

}  // namespace zarnik
