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
#include <vector>

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
  // folder: made, when missing, before the file is written (empty: none to make).
  explicit BitmapWorkFile(std::wstring path, std::wstring folder = {})
      : path_(std::move(path)), folder_(std::move(folder)) {}
  const std::wstring& path() const { return path_; }
  // Makes sure the file holds the surface's image. False when it could not be written whole;
  // what was written of it is then removed.
  bool Ensure(const Surface& picture);
  bool Delete();
  // The file is to be written at another path from now on.
  void MoveTo(std::wstring path, std::wstring folder);
  int writes() const { return writes_; }
  int tries() const { return tries_; }

 private:
  bool Unchanged() const;

  std::wstring path_;
  std::wstring folder_;
  bool written_ = false;
  unsigned long long size_ = 0;
  FILETIME last_write_{};
  int writes_ = 0;
  int tries_ = 0;
};

// Where one monitor's two work files can go.
struct WorkPaths {
  std::wstring folder;
  std::wstring bitmap;
  std::wstring jpeg;
};

// The work file names in each folder, in the order given.
std::vector<WorkPaths> WorkPathsIn(const std::vector<std::wstring>& folders, const std::wstring& bitmap_name,
                                   const std::wstring& jpeg_name);

// Where a tick's time went, in milliseconds of wall time; read by the benchmark.
struct TickSteps {
  double bitmap = 0;
  double convert = 0;
  double load = 0;
  double caption = 0;
};

class DecayCycle {
 public:
  // A failed bitmap write is tried again no sooner than this: a full disk is not written to
  // twice a second.
  static constexpr unsigned long long kBitmapRetryMs = 10000;

  // places: where the work files may go, in the order tried; a bitmap that cannot be written
  // whole at one moves both files on to the next. degree: the quality points each tick loses,
  // fixed for the run.
  DecayCycle(std::vector<WorkPaths> places, Converter converter, int32_t degree);
  DecayCycle(std::wstring bitmap_path, std::wstring jpeg_path, Converter converter, int32_t degree)
      : DecayCycle({WorkPaths{L"", std::move(bitmap_path), std::move(jpeg_path)}}, std::move(converter), degree) {}

  // One tick, every step attempted in order whatever the earlier ones did, except that a
  // tick with no bitmap to convert, or with a JPEG work file someone else holds, leaves the
  // picture, its caption and the quality as they are.
  void Tick(const Surface& source, Surface& display);

  // The caption's dots per inch: the monitor's. 0, the default, is the system's.
  void set_caption_dpi(int dpi);
  // Milliseconds from any fixed point; tests put a clock of their own in.
  void set_clock(std::function<unsigned long long()> clock) { clock_ = std::move(clock); }

  int32_t quality() const { return quality_; }
  int32_t degree() const { return degree_; }
  // What the converter answered last; ticks may run off the window thread, so the window
  // passes it on to the shared result itself.
  std::optional<int16_t> last_result() const { return last_result_; }
  void set_quality(int32_t q) { quality_ = q; }
  const std::wstring& caption() const { return caption_; }
  BitmapWorkFile& bitmap() { return bitmap_; }
  const std::wstring& jpeg_path() const { return places_[place_].jpeg; }
  const std::wstring& folder() const { return places_[place_].folder; }
  const TickSteps& last_steps() const { return steps_; }

 private:
  bool EnsureBitmap(const Surface& source);
  void MoveToPlace(size_t place);
  void DrawCaption(Surface& display);

  std::vector<WorkPaths> places_;
  size_t place_ = 0;
  BitmapWorkFile bitmap_;
  std::function<unsigned long long()> clock_;
  std::optional<unsigned long long> retry_at_;  // set while no place could take the bitmap
  int caption_dpi_ = 0;
  Converter converter_;
  int32_t degree_;
  int32_t quality_ = 100;
  std::optional<int16_t> last_result_;
  std::wstring caption_;
  TickSteps steps_;
  ScopedFont font_;
};

}  // namespace zarnik
