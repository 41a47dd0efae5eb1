#include "platform/surface.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gdi.h"

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

void Surface::Swap(Surface& other) noexcept {
  std::swap(dc_, other.dc_);
  std::swap(bitmap_, other.bitmap_);
  std::swap(old_bitmap_, other.old_bitmap_);
  std::swap(bits_, other.bits_);
  std::swap(width_, other.width_);
  std::swap(height_, other.height_);
}

bool Surface::AssignPixels(const uint32_t* pixels, int width, int height) {
  // Same size: the pixels are overwritten in place, with no second frame alive meanwhile.
  const bool same = bits_ && width == width_ && height == height_;
  if (same) GdiFlush();
  if (!same && !Resize(width, height)) return false;
  if (bits_ && pixels) {
    std::memcpy(bits_, pixels, static_cast<size_t>(width) * height * 4);
  }
  return true;
}

void Surface::PaintTo(HDC dest, int x, int y) const {
  if (!dc_ || empty()) return;
  BitBlt(dest, x, y, width_, height_, dc_, 0, 0, SRCCOPY);
}

template <typename Sink>
bool Surface::EmitBmp(Sink&& sink) const {
  GdiFlush();
  const size_t row = (static_cast<size_t>(width_) * 3 + 3) & ~size_t{3};
  const size_t image = row * height_;
  const size_t offset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  if (offset + image > 0xFFFFFFFFull) return false;

  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfSize = static_cast<DWORD>(offset + image);
  file.bfOffBits = static_cast<DWORD>(offset);
  BITMAPINFOHEADER info{};
  info.biSize = sizeof(info);
  info.biWidth = width_;
  info.biHeight = height_;  // bottom-up
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = static_cast<DWORD>(image);
  char header[sizeof(file) + sizeof(info)];
  std::memcpy(header, &file, sizeof(file));
  std::memcpy(header + sizeof(file), &info, sizeof(info));
  if (!sink(header, sizeof(header))) return false;

  // Rows go out in pieces of about a megabyte.
  const int rows_per_piece = static_cast<int>(std::max<size_t>(1, (1u << 20) / std::max<size_t>(row, 1)));
  std::vector<unsigned char> piece;
  for (int y = 0; y < height_ && bits_; y += rows_per_piece) {
    const int rows = std::min(rows_per_piece, height_ - y);
    piece.assign(row * rows, 0);
    for (int r = 0; r < rows; ++r) {
      const uint32_t* src = bits_ + static_cast<size_t>(height_ - 1 - (y + r)) * width_;
      unsigned char* dst = piece.data() + row * r;
      for (int x = 0; x < width_; ++x) {
        const uint32_t v = src[x];
        dst[3 * x] = v & 0xFF;
        dst[3 * x + 1] = (v >> 8) & 0xFF;
        dst[3 * x + 2] = (v >> 16) & 0xFF;
      }
    }
    if (!sink(reinterpret_cast<const char*>(piece.data()), piece.size())) return false;
  }
  return true;
}

std::string Surface::BmpBytes() const {
  std::string out;
  out.reserve(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) +
              ((static_cast<size_t>(width_) * 3 + 3) & ~size_t{3}) * height_);
  if (!EmitBmp([&](const char* data, size_t size) {
        out.append(data, size);
        return true;
      }))
    return {};
  return out;
}

bool Surface::WriteBmp(HANDLE file) const {
  return EmitBmp([&](const char* data, size_t size) {
    DWORD written = 0;
    return WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
  });
}

bool Surface::SaveBmp(const std::wstring& path) const {
  ScopedHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  return file && WriteBmp(file.get());
}

}  // namespace zarnik
