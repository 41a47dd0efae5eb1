// Small owners for window-system handles: each gives back what it took, copies are deleted.
#pragma once

#include <windows.h>

#include <utility>

namespace zarnik {

class ScopedGetDC {
 public:
  explicit ScopedGetDC(HWND wnd) : wnd_(wnd), dc_(GetDC(wnd)) {}
  ~ScopedGetDC() {
    if (dc_) ReleaseDC(wnd_, dc_);
  }
  ScopedGetDC(const ScopedGetDC&) = delete;
  ScopedGetDC& operator=(const ScopedGetDC&) = delete;
  HDC get() const { return dc_; }
  operator HDC() const { return dc_; }

 private:
  HWND wnd_;
  HDC dc_;
};

class MemoryDC {
 public:
  explicit MemoryDC(HDC compatible = nullptr) : dc_(CreateCompatibleDC(compatible)) {}
  ~MemoryDC() {
    if (dc_) DeleteDC(dc_);
  }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  HDC get() const { return dc_; }
  operator HDC() const { return dc_; }

 private:
  HDC dc_;
};

template <typename T>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(T obj) : obj_(obj) {}
  ~GdiObject() { reset(); }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  GdiObject(GdiObject&& other) noexcept : obj_(std::exchange(other.obj_, nullptr)) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) reset(std::exchange(other.obj_, nullptr));
    return *this;
  }
  void reset(T obj = nullptr) {
    if (obj_) DeleteObject(obj_);
    obj_ = obj;
  }
  T get() const { return obj_; }
  T release() { return std::exchange(obj_, nullptr); }
  explicit operator bool() const { return obj_ != nullptr; }

 private:
  T obj_ = nullptr;
};

using ScopedBitmap = GdiObject<HBITMAP>;
using ScopedFont = GdiObject<HFONT>;
using ScopedBrush = GdiObject<HBRUSH>;
using ScopedPen = GdiObject<HPEN>;

class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? SelectObject(dc, obj) : nullptr) {}
  ~ScopedSelectObject() {
    if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

class ScopedPaint {
 public:
  explicit ScopedPaint(HWND wnd) : wnd_(wnd) { dc_ = BeginPaint(wnd, &ps_); }
  ~ScopedPaint() { EndPaint(wnd_, &ps_); }
  ScopedPaint(const ScopedPaint&) = delete;
  ScopedPaint& operator=(const ScopedPaint&) = delete;
  HDC get() const { return dc_; }
  operator HDC() const { return dc_; }
  const RECT& area() const { return ps_.rcPaint; }

 private:
  HWND wnd_;
  HDC dc_ = nullptr;
  PAINTSTRUCT ps_{};
};

// A kernel handle (file, process, event); both null and INVALID_HANDLE_VALUE mean none.
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(HANDLE h) : h_(h) {}
  ~ScopedHandle() { reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ScopedHandle(ScopedHandle&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.h_, nullptr));
    return *this;
  }
  void reset(HANDLE h = nullptr) {
    if (valid()) CloseHandle(h_);
    h_ = h;
  }
  bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  explicit operator bool() const { return valid(); }

 private:
  HANDLE h_ = nullptr;
};

}  // namespace zarnik
