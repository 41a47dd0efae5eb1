// Small owners for window-system handles: each gives back what it took, copies are deleted.
//
// Every owner here (and Surface) counts what it holds in a process-wide live count, always on:
// Windows' own count (GetGuiResources) answers 0 under Wine, so this count is the witness that
// a window's drawing gives back everything it takes. Tests read LiveGdiObjects() before and
// after a run of work and expect no growth.
//
// A selection must be undone before its object is deleted (Windows refuses to delete a bitmap
// that is still selected, and it leaks): declare a ScopedSelectObject after the DC and the
// object it selects, so it is destroyed first.
#pragma once

#include <windows.h>

#include <atomic>
#include <utility>

#include "platform/kernel_handle.h"

namespace zarnik {

namespace gdi_count {
inline std::atomic<long> live_gdi{0};
inline std::atomic<long> live_handles{0};
inline void Took(const void* object) {
  if (object) live_gdi.fetch_add(1, std::memory_order_relaxed);
}
inline void Gave(const void* object) {
  if (object) live_gdi.fetch_sub(1, std::memory_order_relaxed);
}
}  // namespace gdi_count

// DCs, GDI objects and cursors held now by the owners of this header and by surfaces.
inline long LiveGdiObjects() { return gdi_count::live_gdi.load(std::memory_order_relaxed); }
// Kernel handles held now by ScopedHandle.
inline long LiveKernelHandles() { return gdi_count::live_handles.load(std::memory_order_relaxed); }

class ScopedGetDC {
 public:
  explicit ScopedGetDC(HWND wnd) : wnd_(wnd), dc_(GetDC(wnd)) { gdi_count::Took(dc_); }
  ~ScopedGetDC() { Release(); }
  // Gives the DC back now: ReleaseDC's answer, 0 when there was none.
  int Release() {
    if (!dc_) return 0;
    const int released = ReleaseDC(wnd_, dc_);
    gdi_count::Gave(dc_);
    dc_ = nullptr;
    return released;
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
  explicit MemoryDC(HDC compatible = nullptr) : dc_(CreateCompatibleDC(compatible)) { gdi_count::Took(dc_); }
  ~MemoryDC() {
    if (dc_) DeleteDC(dc_);
    gdi_count::Gave(dc_);
  }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  HDC get() const { return dc_; }
  operator HDC() const { return dc_; }

 private:
  HDC dc_;
};

// How each kind of object is given back.
inline void FreeGdi(HGDIOBJ obj) { DeleteObject(obj); }
inline void FreeGdi(HCURSOR cursor) { DestroyCursor(cursor); }

template <typename T>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(T obj) : obj_(obj) { gdi_count::Took(obj_); }
  ~GdiObject() { reset(); }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  GdiObject(GdiObject&& other) noexcept : obj_(std::exchange(other.obj_, nullptr)) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) {
      reset();
      obj_ = std::exchange(other.obj_, nullptr);
    }
    return *this;
  }
  void reset(T obj = nullptr) {
    if (obj_) {
      FreeGdi(obj_);
      gdi_count::Gave(obj_);
    }
    obj_ = obj;
    gdi_count::Took(obj_);
  }
  T get() const { return obj_; }
  // The caller takes over the object and its deletion.
  T release() {
    gdi_count::Gave(obj_);
    return std::exchange(obj_, nullptr);
  }
  explicit operator bool() const { return obj_ != nullptr; }

 private:
  T obj_ = nullptr;
};

using ScopedBitmap = GdiObject<HBITMAP>;
using ScopedFont = GdiObject<HFONT>;
using ScopedBrush = GdiObject<HBRUSH>;
using ScopedPen = GdiObject<HPEN>;
using ScopedRegion = GdiObject<HRGN>;
using ScopedCursor = GdiObject<HCURSOR>;

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

// A clipping region selected for the scope; the DC keeps its own copy, so ours goes at once.
class ScopedClip {
 public:
  ScopedClip(HDC dc, const RECT& area) : dc_(dc) {
    ScopedRegion region(CreateRectRgnIndirect(&area));
    if (region) SelectClipRgn(dc_, region.get());
  }
  ~ScopedClip() { SelectClipRgn(dc_, nullptr); }
  ScopedClip(const ScopedClip&) = delete;
  ScopedClip& operator=(const ScopedClip&) = delete;

 private:
  HDC dc_;
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

// Kernel handles of the program, counted.
struct LiveHandleTally {
  static void Count(long delta) { gdi_count::live_handles.fetch_add(delta, std::memory_order_relaxed); }
};
using ScopedHandle = KernelHandle<LiveHandleTally>;

}  // namespace zarnik
