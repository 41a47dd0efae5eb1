#include "display/decay_cycle.h"

#include <cmath>

#include "display/quality_schedule.h"
#include "startup/gdi.h"
#include "startup/picture_file.h"
#include "startup/screen_scale.h"
#include "startup/shared_state.h"

namespace zarnik {

namespace {

bool FileFacts(const std::wstring& path, unsigned long long* size, FILETIME* last_write) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  if (size) *size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  if (last_write) *last_write = data.ftLastWriteTime;
  return true;
}

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
  unsigned long long size = 0;
  FILETIME when{};
  if (!written_ || !FileFacts(path_, &size, &when)) return false;
  return size == size_ && CompareFileTime(&when, &last_write_) == 0;
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
  written_ = ok && FileFacts(path_, &size_, &last_write_);
  if (ok) ++writes_;
  return ok;
}

bool BitmapWorkFile::Delete() {
  written_ = false;
  return DeleteFileW(path_.c_str()) != 0;
}

DecayCycle::DecayCycle(std::wstring bitmap_path, std::wstring jpeg_path, Converter converter)
    : bitmap_(std::move(bitmap_path)), jpeg_path_(std::move(jpeg_path)), converter_(std::move(converter)) {}

void DecayCycle::Tick(const Surface& source, Surface& display) {
  caption_.clear();
  steps_ = {};
  Laps laps;

  bitmap_.Ensure(source);
  steps_.bitmap = laps.Next();

  if (auto next = NextQuality(quality_, Zarnik_B::DegradeLevel)) quality_ = *next;

  DeleteFileW(jpeg_path_.c_str());

  if (converter_) {
    if (auto result = converter_(bitmap_.path(), jpeg_path_, quality_)) last_result_ = *result;
  }
  steps_.convert = laps.Next();

  // The JPEG replaces the picture, at the top-left and unscaled; with no JPEG the previous
  // picture and its caption stay.
  DrawPictureFile(jpeg_path_, display);
  steps_.load = laps.Next();

  unsigned long long size = 0;
  if (!FileFacts(jpeg_path_, &size, nullptr)) return;  // no caption without a JPEG
  caption_ = CaptionText(quality_, static_cast<long long>(size));
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
