#include "display/monitor_decay.h"

#include <algorithm>
#include <cstring>

#include "startup/shared_state.h"

namespace zarnik {

MonitorDecay::MonitorDecay(const MonitorArea& area, int number, const std::wstring& folder,
                           Converter converter)
    : area_(area),
      number_(number),
      cycle_(folder + BitmapWorkName(number), folder + JpegWorkName(number), std::move(converter)) {}

bool MonitorDecay::CaptureFrom(HDC desktop) {
  auto source = std::make_shared<Surface>();
  bool copied = false;
  if (source->Resize(area_.width(), area_.height()) && desktop && source->dc()) {
    // The desktop DC's origin need not be the primary's corner: ask where it is.
    POINT origin{0, 0};
    GetDCOrgEx(desktop, &origin);
    copied = BitBlt(source->dc(), 0, 0, area_.width(), area_.height(), desktop, area_.left - origin.x,
                    area_.top - origin.y, SRCCOPY) != FALSE;
    Zarnik_B::LastResult = copied ? 1 : 0;
    GdiFlush();
  }
  source_ = std::move(source);
  PlaceDisplay();
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
  if (!work_.Resize(w, h) || (source_ && !work_.Assign(*source_))) work_.Resize(0, 0);
  work_at_ = {CentredStart(area_.width(), work_.width()), CentredStart(area_.height(), work_.height())};

  // Only what falls on the monitor is kept for painting: a picture larger than the monitor
  // shows its middle.
  const int left = std::max(0, static_cast<int>(work_at_.x));
  const int top = std::max(0, static_cast<int>(work_at_.y));
  const int right = std::min(area_.width(), static_cast<int>(work_at_.x) + work_.width());
  const int bottom = std::min(area_.height(), static_cast<int>(work_at_.y) + work_.height());
  std::lock_guard<std::mutex> hold(shown_lock_);
  shown_at_ = {left, top};
  if (!shown_.Resize(std::max(0, right - left), std::max(0, bottom - top))) shown_.Resize(0, 0);
  GdiFlush();
  Publish();
}

// Called with shown_lock_ held or before any painting.
void MonitorDecay::Publish() {
  if (shown_.empty() || work_.empty()) return;
  const int from_x = shown_at_.x - work_at_.x;
  const int from_y = shown_at_.y - work_at_.y;
  const size_t row_bytes = static_cast<size_t>(shown_.width()) * 4;
  for (int y = 0; y < shown_.height(); ++y) {
    const uint32_t* src = work_.pixels() + static_cast<size_t>(from_y + y) * work_.width() + from_x;
    std::memcpy(shown_.pixels() + static_cast<size_t>(y) * shown_.width(), src, row_bytes);
  }
}

void MonitorDecay::Tick() {
  const Surface empty;
  cycle_.Tick(source_ ? *source_ : empty, work_);
  GdiFlush();  // the caption is drawn through this thread's GDI batch
  std::lock_guard<std::mutex> hold(shown_lock_);
  Publish();
}

RECT MonitorDecay::ShownRect() const {
  return {area_.left + shown_at_.x, area_.top + shown_at_.y, area_.left + shown_at_.x + shown_.width(),
          area_.top + shown_at_.y + shown_.height()};
}

void MonitorDecay::Paint(HDC dc, POINT shift) {
  RECT monitor{area_.left + shift.x, area_.top + shift.y, area_.right + shift.x, area_.bottom + shift.y};
  std::lock_guard<std::mutex> hold(shown_lock_);
  RECT shown = ShownRect();
  OffsetRect(&shown, shift.x, shift.y);
  const int saved = SaveDC(dc);
  ExcludeClipRect(dc, shown.left, shown.top, shown.right, shown.bottom);
  FillRect(dc, &monitor, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  RestoreDC(dc, saved);
  shown_.PaintTo(dc, shown.left, shown.top);
  GdiFlush();
}

}  // namespace zarnik
