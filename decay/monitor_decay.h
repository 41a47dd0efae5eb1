// One monitor's share of the saver: its source picture and the decay cycle working on it.
// Tick runs on a worker thread and touches only memory surfaces and its own work files; Paint
// runs on the window thread. One lock keeps the two apart on the picture the cycle draws, so
// no second frame-sized copy is needed: a paint that comes mid-tick waits for the tick.
#pragma once

#include <windows.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "decay/decay_cycle.h"
#include "decay/monitor_layout.h"
#include "platform/surface.h"

namespace zarnik {

class MonitorDecay {
 public:
  // folders: where its work files may go, in the order tried.
  MonitorDecay(const MonitorArea& area, int number, const std::vector<std::wstring>& folders, Converter converter,
               int32_t degree);
  MonitorDecay(const MonitorDecay&) = delete;
  MonitorDecay& operator=(const MonitorDecay&) = delete;

  const MonitorArea& area() const { return area_; }
  // The same monitor at another resolution: the caption is lettered at it from the next tick.
  void SetDpi(int dpi);
  int number() const { return number_; }
  DecayCycle& cycle() { return cycle_; }

  // The desktop under this monitor, copied from the desktop's device context. False when the
  // copy failed; the source is then black. With show false, ShowSource puts it on later.
  bool CaptureFrom(HDC desktop, bool show = true);
  // The source as the picture to decay.
  void ShowSource() { PlaceDisplay(); }
  // The picture, centred on black; shared by every monitor, as it never changes.
  void ShowPicture(std::shared_ptr<const Surface> picture);
  // Black of the monitor's size: what the saver put on a monitor that came during the run.
  void ShowBlack();

  // One tick of the cycle, then the result handed to the shown picture.
  void Tick();
  // The monitor's pixels: black, with the shown picture at its place. shift turns virtual
  // screen coordinates into the DC's.
  void Paint(HDC dc, POINT shift);

  // The shown picture's rectangle in virtual-screen pixels (within the monitor).
  RECT ShownRect() const;

 private:
  void PlaceDisplay();

  MonitorArea area_;
  int number_;
  std::shared_ptr<const Surface> source_;
  std::mutex work_lock_;
  Surface work_;   // the cycle's display, painted as it stands between ticks
  POINT work_at_{0, 0};  // its top-left, relative to the monitor's
  DecayCycle cycle_;
};

}  // namespace zarnik
