#include "decay/monitor_decay.h"

#include <algorithm>
#include <cstring>

namespace zarnik {

MonitorDecay::MonitorDecay(const MonitorArea& area, int number, const std::vector<std::wstring>& folders,
                           Converter converter, int32_t degree)
    : area_(area),
      number_(number),
      cycle_(WorkPathsIn(folders, BitmapWorkName(number), JpegWorkName(number)), std::move(converter), degree) {
  cycle_.set_caption_dpi(area.dpi);
}

void MonitorDecay::SetDpi(int dpi) {
  std::lock_guard<std::mutex> hold(work_lock_);
  area_.dpi = dpi;
  cycle_.set_caption_dpi(dpi);
}

bool MonitorDecay::CaptureFrom(HDC desktop, bool show) {
  auto source = std::make_shared<Surface>();
  bool copied = false;
  if (source->Resize(area_.width(), area_.height()) && desktop && source->dc()) {
    // The desktop DC's origin need not be the primary's corner: ask where it is.
    POINT origin{0, 0};
    GetDCOrgEx(desktop, &origin);
    copied = BitBlt(source->dc(), 0, 0, area_.width(), area_.height(), desktop, area_.left - origin.x,
                    area_.top - origin.y, SRCCOPY) != FALSE;
    GdiFlush();
  }
  source_ = std::move(source);
  if (show) PlaceDisplay();
  return copied;
}

void MonitorDecay::ShowPicture(std::shared_ptr<const Surface> picture) {
  source_ = std::move(picture);
  PlaceDisplay();
}

void MonitorDecay::ShowBlack() {
  auto black = std::make_shared<Surface>();
  black->Resize(area_.width(), area_.height());
  source_ = std::move(black);
  PlaceDisplay();
}

void MonitorDecay::PlaceDisplay() {
  const int w = source_ ? source_->width() : 0;
  const int h = source_ ? source_->height() : 0;
  std::lock_guard<std::mutex> hold(work_lock_);
  if (!work_.Resize(w, h) || (source_ && !work_.Assign(*source_))) work_.Resize(0, 0);
  work_at_ = {CentredStart(area_.width(), work_.width()), CentredStart(area_.height(), work_.height())};
  GdiFlush();
}

void MonitorDecay::Tick() {
  const Surface empty;
  std::lock_guard<std::mutex> hold(work_lock_);
  cycle_.Tick(source_ ? *source_ : empty, work_);
  GdiFlush();  // the caption is drawn through this thread's GDI batch
}

// Only what falls on the monitor shows: a picture larger than the monitor shows its middle.
RECT MonitorDecay::ShownRect() const {
  RECT shown{area_.left + work_at_.x, area_.top + work_at_.y, area_.left + work_at_.x + work_.width(),
             area_.top + work_at_.y + work_.height()};
  const RECT monitor{area_.left, area_.top, area_.right, area_.bottom};
  RECT inside{};
  if (!IntersectRect(&inside, &shown, &monitor)) return RECT{area_.left, area_.top, area_.left, area_.top};
  return inside;
}

void MonitorDecay::Paint(HDC dc, POINT shift) {
  RECT monitor{area_.left + shift.x, area_.top + shift.y, area_.right + shift.x, area_.bottom + shift.y};
  std::lock_guard<std::mutex> hold(work_lock_);
  RECT shown = ShownRect();
  OffsetRect(&shown, shift.x, shift.y);
  const int saved = SaveDC(dc);
  ExcludeClipRect(dc, shown.left, shown.top, shown.right, shown.bottom);
  FillRect(dc, &monitor, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  RestoreDC(dc, saved);
  const int kept = SaveDC(dc);
  IntersectClipRect(dc, shown.left, shown.top, shown.right, shown.bottom);
  work_.PaintTo(dc, area_.left + work_at_.x + shift.x, area_.top + work_at_.y + shift.y);
  RestoreDC(dc, kept);
  GdiFlush();
}

}  // namespace zarnik
