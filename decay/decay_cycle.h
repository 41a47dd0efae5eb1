// One run's decay: the source picture written out, compressed at a falling quality, loaded
// back and captioned. The saver window owns the timer and calls Tick twice a second; tests
// call it directly. A tick may run on a worker thread: everything it needs is given to the
// cycle when the run starts.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/gdi.h"
#include "platform/surface.h"

namespace zarnik {

// Compresses the bitmap file into the JPEG file at the quality; nothing when the converter
// could not be called at all.
using Converter = std::function<std::optional<int16_t>(const std::wstring& bmp,
                                                       const std::wstring& jpg, int32_t quality)>;

// The bitmap work file, written again only when it is missing or no longer the file this run
// wrote: the source picture never changes during a run.
class BitmapWorkFile {
 public:
  explicit BitmapWorkFile(std::wstring path) : path_(std::move(path)) {}
  const std::wstring& path() const { return path_; }
  // Makes sure the file holds the surface's image. False when it could not be written.
  bool Ensure(const Surface& picture);
  bool Delete();
  int writes() const { return writes_; }

 private:
  bool Unchanged() const;

  std::wstring path_;
  bool written_ = false;
  unsigned long long size_ = 0;
  FILETIME last_write_{};
  int writes_ = 0;
};

// Where a tick's time went, in milliseconds of wall time; read by the benchmark.
struct TickSteps {
  double bitmap = 0;
  double convert = 0;
  double load = 0;
  double caption = 0;
};

class DecayCycle {
 public:
  // degree: the quality points each tick loses, fixed for the run.
  DecayCycle(std::wstring bitmap_path, std::wstring jpeg_path, Converter converter, int32_t degree);

  // One tick, every step attempted in order whatever the earlier ones did.
  void Tick(const Surface& source, Surface& display);

  int32_t quality() const { return quality_; }
  int32_t degree() const { return degree_; }
  // What the converter answered last; ticks may run off the window thread, so the window
  // passes it on to the shared result itself.
  std::optional<int16_t> last_result() const { return last_result_; }
  void set_quality(int32_t q) { quality_ = q; }
  const std::wstring& caption() const { return caption_; }
  BitmapWorkFile& bitmap() { return bitmap_; }
  const std::wstring& jpeg_path() const { return jpeg_path_; }
  const TickSteps& last_steps() const { return steps_; }

 private:
  void DrawCaption(Surface& display);

  BitmapWorkFile bitmap_;
  std::wstring jpeg_path_;
  Converter converter_;
  int32_t degree_;
  int32_t quality_ = 100;
  std::optional<int16_t> last_result_;
  std::wstring caption_;
  TickSteps steps_;
  ScopedFont font_;
};

}  // namespace zarnik
