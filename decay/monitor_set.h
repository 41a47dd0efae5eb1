// Every monitor's decay, side by side. The window thread owns the set: it starts each tick,
// which runs on one worker thread per monitor, and learns that the tick ended from a posted
// message; meanwhile it only paints. Ticks never overlap, so all monitors keep one quality.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "decay/decay_cycle.h"
#include "decay/monitor_decay.h"
#include "decay/monitor_layout.h"
#include "decay/tick_workers.h"

namespace zarnik {

// The monitors attached now, in monitor order, in real pixels, each with its resolution.
std::vector<MonitorArea> AttachedMonitors();

class MonitorSet {
 public:
  // folders: where the work files may go, in the order tried. degree: the quality points each
  // tick loses, fixed for the run.
  MonitorSet(std::vector<std::wstring> folders, Converter converter, int32_t degree);
  ~MonitorSet();
  MonitorSet(const MonitorSet&) = delete;
  MonitorSet& operator=(const MonitorSet&) = delete;

  // Starts afresh on these monitors (numbered 1, 2, ... in the order given).
  void Reset(const std::vector<MonitorArea>& monitors);
  // Follows a display change: monitors still there at the same place go on (at their new
  // resolution); a new one shows black and decays that; a gone one stops and its bitmap work
  // file goes.
  void Update(const std::vector<MonitorArea>& monitors);

  // Every monitor's part of the desktop, all from one device context. The system's last
  // answer: ReleaseDC's for the desktop's context, 0 when there was none to copy from.
  int CaptureDesktop();
  // The picture file centred on every monitor; false, with nothing shown, when it cannot be
  // decoded.
  bool ShowPictureFile(const std::wstring& path);
  // Black of each monitor's size, decaying as a picture would.
  void ShowBlack();
  // Black with nothing to decay: the picture that was chosen is gone.
  void ShowNothing();
  void SetQuality(int32_t quality);

  // Starts a tick on every monitor unless one is still running; done runs on the last worker
  // to finish. False when none was started.
  bool StartTick(std::function<void()> done);
  // Whether the tick started last has ended on every monitor (its workers then idle).
  bool TickEnded();
  // Waits for the running tick, if any, to end.
  void WaitForTick();

  // The window's pixels: each monitor, and black where no monitor is. shift turns virtual
  // screen coordinates into the DC's.
  void Paint(HDC dc, POINT shift, const RECT& area);

  // Deletes every bitmap work file this set wrote. The JPEGs stay.
  void DeleteBitmaps();

  // Whether these are the monitors the set covers now, in the same order.
  bool Covers(const std::vector<MonitorArea>& monitors) const;

  Bounds bounds() const { return bounds_; }
  size_t size() const { return monitors_.size(); }
  MonitorDecay& monitor(size_t i) { return *monitors_[i]; }

 private:
  std::unique_ptr<MonitorDecay> Make(const MonitorArea& area, int number) const;
  void Arrange(const std::vector<MonitorArea>& monitors, bool black_for_new);

  std::vector<std::wstring> folders_;
  Converter converter_;
  int32_t degree_;
  std::vector<std::unique_ptr<MonitorDecay>> monitors_;
  std::vector<std::wstring> bitmaps_;  // every bitmap work file the run may have written
  Bounds bounds_;
  std::atomic<int> working_{0};
  TickWorkers workers_;  // last: its threads end before the monitors they tick go
};

}  // namespace zarnik
