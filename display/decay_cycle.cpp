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

}  // namespace

bool BitmapWorkFile::Unchanged() const {
  unsigned long long size = 0;
  FILETIME when{};
  if (!written_ || !FileFacts(path_, &size, &when)) return false;
  return size == size_ && CompareFileTime(&when, &last_write_) == 0;
}

bool BitmapWorkFile::Ensure(const Surface& picture) {
  if (Unchanged()) return true;
  std::string bytes = picture.BmpBytes();
  if (bytes.empty() || bytes.size() > 0xFFFFFFFFull) return false;
  // A temporary file: the system may keep it in memory, as it is read again every tick.
  ScopedHandle file(CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
  if (!file) return false;
  DWORD wrote = 0;
  bool ok = WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr) &&
            wrote == bytes.size();
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

  bitmap_.Ensure(source);

  if (auto next = NextQuality(quality_, Zarnik_B::DegradeLevel)) quality_ = *next;

  DeleteFileW(jpeg_path_.c_str());

  if (converter_) {
    if (auto result = converter_(bitmap_.path(), jpeg_path_, quality_))
      Zarnik_B::LastResult = *result;
  }

  // The JPEG replaces the picture, at the top-left and unscaled; with no JPEG the previous
  // picture and its caption stay.
  Surface jpeg;
  if (LoadPictureFile(jpeg_path_, jpeg)) {
    display.Clear();
    BitBlt(display.dc(), 0, 0, jpeg.width(), jpeg.height(), jpeg.dc(), 0, 0, SRCCOPY);
    GdiFlush();
  }

  unsigned long long size = 0;
  if (!FileFacts(jpeg_path_, &size, nullptr)) return;  // no caption without a JPEG
  caption_ = CaptionText(quality_, static_cast<long long>(size));
  DrawCaption(display);
}

void DecayCycle::DrawCaption(Surface& display) const {
  if (display.empty() || !display.dc()) return;
  HDC dc = display.dc();
  ScopedFont font(CreateFontW(ScreenScaleNow().FontHeight(10), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE,
                              DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                              DEFAULT_QUALITY, DEFAULT_PITCH | FF_ROMAN, L"Times New Roman"));
  ScopedSelectObject select(dc, font.get());
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
