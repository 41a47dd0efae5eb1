// A picture box's persistent image: a 32-bit top-down DIB section selected into its own memory
// DC. What is drawn into it stays until replaced, so windows repaint from it and tests read
// its pixels back. Used by the saver, the dialog's panels and thumbnail, and the preview.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace zarnik {

class Surface {
 public:
  // Largest image a surface takes (about 80 megapixels, 320 MB): a picture file claiming more
  // is refused instead of exhausting memory.
  static constexpr long long kMaxPixels = 80LL * 1000 * 1000;

  Surface() = default;
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  // New size, filled with the background colour. A zero side makes an empty surface. False
  // (and the old image kept) when the size is refused or the system has no memory for it.
  bool Resize(int width, int height);
  void SetBackground(COLORREF colour) { background_ = colour; }
  COLORREF background() const { return background_; }
  void Clear();

  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return width_ == 0 || height_ == 0; }
  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }

  // Pixels as 0x00RRGGBB, row after row from the top; null when empty.
  uint32_t* pixels() { return bits_; }
  const uint32_t* pixels() const { return bits_; }
  COLORREF PixelAt(int x, int y) const;

  // Takes the other surface's whole image and size.
  bool Assign(const Surface& other);
  // Takes width x height 0x00RRGGBB pixels, top row first.
  bool AssignPixels(const uint32_t* pixels, int width, int height);
  // Exchanges images (and sizes) with the other surface, without a copy; each keeps its
  // background colour.
  void Swap(Surface& other) noexcept;

  // Copies the whole image to dest at (x, y).
  void PaintTo(HDC dest, int x, int y) const;

  // Writes the image as a 24-bit bottom-up Windows bitmap. False on any failure.
  bool SaveBmp(const std::wstring& path) const;
  // The same into an open file, a few rows at a time: no copy of the whole image.
  bool WriteBmp(HANDLE file) const;
  // The bytes SaveBmp writes.
  std::string BmpBytes() const;

 private:
  void Release();
  // Hands the bitmap file's bytes to sink(data, size) in pieces; false when the sink refuses.
  template <typename Sink>
  bool EmitBmp(Sink&& sink) const;

  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_bitmap_ = nullptr;
  uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  COLORREF background_ = RGB(0, 0, 0);
};

}  // namespace zarnik
