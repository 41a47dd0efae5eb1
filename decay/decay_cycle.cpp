#include "decay/decay_cycle.h"

#include <cmath>

#include "decay/quality_schedule.h"
#include "platform/file_facts.h"
#include "platform/gdi.h"
#include "platform/picture_file.h"
#include "platform/screen_scale.h"

namespace zarnik {

namespace {

// Milliseconds since the previous lap.
class Laps {
 public:
  Laps() { QueryPerformanceCounter(&last_); }
  double Next() {
    LARGE_INTEGER now, freq;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&freq);
    const double ms = 1000.0 * static_cast<double>(now.QuadPart - last_.QuadPart) / static_cast<double>(freq.QuadPart);
    last_ = now;
    return ms;
  }

 private:
  LARGE_INTEGER last_;
};

}  // namespace

bool BitmapWorkFile::Unchanged() const {
  if (!written_) return false;
  const std::optional<FileFacts> now = FactsOf(path_);
  return now && now->size == size_ && CompareFileTime(&now->last_write, &last_write_) == 0;
}

bool BitmapWorkFile::Ensure(const Surface& picture) {
  if (Unchanged()) return true;
  // A temporary file: the system may keep it in memory, as it is read again every tick.
  ScopedHandle file(CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
  if (!file) return false;
  bool ok = picture.WriteBmp(file.get());
  FILETIME when{};
  ok = ok && GetFileTime(file.get(), nullptr, nullptr, &when);
  file.reset();
  const std::optional<FileFacts> facts = ok ? FactsOf(path_) : std::nullopt;
  if (facts) {
    size_ = facts->size;
    last_write_ = facts->last_write;
  }
  written_ = facts.has_value();
  if (ok) ++writes_;
  return ok;
}

bool BitmapWorkFile::Delete() {
  written_ = false;
  return DeleteFileW(path_.c_str()) != 0;
}

DecayCycle::DecayCycle(std::wstring bitmap_path, std::wstring jpeg_path, Converter converter, int32_t degree)
    : bitmap_(std::move(bitmap_path)),
      jpeg_path_(std::move(jpeg_path)),
      converter_(std::move(converter)),
      degree_(degree) {}

void DecayCycle::Tick(const Surface& source, Surface& display) {
  caption_.clear();
  steps_ = {};
  Laps laps;

  bitmap_.Ensure(source);
  steps_.bitmap = laps.Next();

  if (auto next = NextQuality(quality_, degree_)) quality_ = *next;

  DeleteFileW(jpeg_path_.c_str());

  if (converter_) {
    if (auto result = converter_(bitmap_.path(), jpeg_path_, quality_)) last_result_ = *result;
  }
  steps_.convert = laps.Next();

  // The JPEG replaces the picture, at the top-left and unscaled; with no JPEG the previous
  // picture and its caption stay.
  DrawPictureFile(jpeg_path_, display);
  steps_.load = laps.Next();

  const std::optional<FileFacts> jpeg = FactsOf(jpeg_path_);
  if (!jpeg) return;  // no caption without a JPEG
  caption_ = CaptionText(quality_, static_cast<long long>(jpeg->size));
  DrawCaption(display);
  steps_.caption = laps.Next();
}

void DecayCycle::DrawCaption(Surface& display) {
  if (display.empty() || !display.dc()) return;
  HDC dc = display.dc();
  // Made once a run: the screen's resolution does not change under a running saver.
  if (!font_) {
    font_.reset(CreateFontW(ScreenScaleNow().FontHeight(10), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_ROMAN,
                            L"Times New Roman"));
  }
  ScopedSelectObject select(dc, font_.get());
  SIZE text{};
  if (!GetTextExtentPoint32W(dc, caption_.c_str(), static_cast<int>(caption_.size()), &text)) return;
  const double x = (static_cast<double>(display.width()) - text.cx) / 2;
  const double y = (static_cast<double>(display.height()) - text.cy) / 2;
  const int px = static_cast<int>(std::lrint(x));
  SetBkMode(dc, TRANSPARENT);
  SetTextAlign(dc, TA_LEFT | TA_TOP);
  SetTextColor(dc, RGB(255, 255, 255));
  TextOutW(dc, px, static_cast<int>(std::lrint(y)), caption_.c_str(), static_cast<int>(caption_.size()));
  SetTextColor(dc, RGB(0, 0, 0));
  TextOutW(dc, px, static_cast<int>(std::lrint(y + text.cy)), caption_.c_str(),
           static_cast<int>(caption_.size()));
  GdiFlush();
}

}  // namespace zarnik
