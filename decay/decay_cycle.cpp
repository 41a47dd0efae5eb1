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
  ++tries_;
  // The user's own folder is made on first use; the program's is there already.
  if (!folder_.empty()) CreateDirectoryW(folder_.c_str(), nullptr);
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
  if (ok) {
    ++writes_;
  } else {
    // A short file (a full disk) is no picture for the converter, and holds room others need.
    DeleteFileW(path_.c_str());
  }
  return ok;
}

bool BitmapWorkFile::Delete() {
  written_ = false;
  return DeleteFileW(path_.c_str()) != 0;
}

void BitmapWorkFile::MoveTo(std::wstring path, std::wstring folder) {
  path_ = std::move(path);
  folder_ = std::move(folder);
  written_ = false;
}

std::vector<WorkPaths> WorkPathsIn(const std::vector<std::wstring>& folders, const std::wstring& bitmap_name,
                                   const std::wstring& jpeg_name) {
  std::vector<WorkPaths> places;
  for (const std::wstring& folder : folders) places.push_back({folder, folder + bitmap_name, folder + jpeg_name});
  return places;
}

DecayCycle::DecayCycle(std::vector<WorkPaths> places, Converter converter, int32_t degree)
    : places_(places.empty() ? std::vector<WorkPaths>(1) : std::move(places)),
      bitmap_(places_.front().bitmap, places_.front().folder),
      clock_(GetTickCount64),
      converter_(std::move(converter)),
      degree_(degree) {}

void DecayCycle::MoveToPlace(size_t place) {
  if (place == place_) return;
  // The JPEG left where the files were is a picture of the desktop nobody will look at.
  DeleteFileW(places_[place_].jpeg.c_str());
  place_ = place;
  bitmap_.MoveTo(places_[place_].bitmap, places_[place_].folder);
}

// The bitmap at the first place, from the one in use on, that takes it whole. When none does,
// the picture has no bitmap until the wait is over; then the places are tried again.
bool DecayCycle::EnsureBitmap(const Surface& source) {
  if (retry_at_ && clock_() < *retry_at_) return false;
  retry_at_.reset();
  for (size_t tried = 0; tried < places_.size(); ++tried) {
    if (bitmap_.Ensure(source)) return true;
    MoveToPlace((place_ + 1) % places_.size());
  }
  retry_at_ = clock_() + kBitmapRetryMs;
  return false;
}

void DecayCycle::set_caption_dpi(int dpi) {
  if (dpi == caption_dpi_) return;
  caption_dpi_ = dpi;
  font_.reset();
}

void DecayCycle::Tick(const Surface& source, Surface& display) {
  caption_.clear();
  steps_ = {};
  Laps laps;

  const bool have_bitmap = EnsureBitmap(source);
  steps_.bitmap = laps.Next();
  // Nothing to convert: the picture stays as it is, with no new caption, and the quality too.
  if (!have_bitmap) return;

  const int32_t before = quality_;
  if (auto next = NextQuality(quality_, degree_)) quality_ = *next;

  // A JPEG another program holds open can be neither deleted nor replaced: the file there is
  // the last tick's, and this tick's caption would go under the wrong picture. The tick is
  // left out, and the next tries again at the same quality.
  const std::wstring& jpeg_path = places_[place_].jpeg;
  if (!DeleteFileW(jpeg_path.c_str()) && FactsOf(jpeg_path)) {
    quality_ = before;
    return;
  }

  if (converter_) {
    if (auto result = converter_(bitmap_.path(), jpeg_path, quality_)) last_result_ = *result;
  }
  steps_.convert = laps.Next();

  // The JPEG replaces the picture, at the top-left and unscaled; with no JPEG the previous
  // picture and its caption stay.
  DrawPictureFile(jpeg_path, display);
  steps_.load = laps.Next();

  const std::optional<FileFacts> jpeg = FactsOf(jpeg_path);
  if (!jpeg) return;  // no caption without a JPEG
  caption_ = CaptionText(quality_, static_cast<long long>(jpeg->size));
  DrawCaption(display);
  steps_.caption = laps.Next();
}

void DecayCycle::DrawCaption(Surface& display) {
  if (display.empty() || !display.dc()) return;
  HDC dc = display.dc();
  // Made once a run: a monitor's resolution does not change under a running saver.
  if (!font_) {
    const ScreenScale scale = caption_dpi_ > 0 ? ScreenScale::Of(caption_dpi_, caption_dpi_) : ScreenScaleNow();
    font_.reset(CreateFontW(scale.FontHeight(10), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
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
