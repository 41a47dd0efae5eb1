#include "decay/monitor_set.h"

#include <algorithm>

#include "platform/gdi.h"
#include "platform/newer_api.h"
#include "platform/picture_file.h"

namespace zarnik {

namespace {

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFOEXW info{};
  info.cbSize = sizeof(info);
  if (GetMonitorInfoW(monitor, &info)) {
    const RECT& r = info.rcMonitor;
    reinterpret_cast<std::vector<MonitorArea>*>(list)->push_back({r.left, r.top, r.right, r.bottom,
                                                                  (info.dwFlags & MONITORINFOF_PRIMARY) != 0,
                                                                  info.szDevice, MonitorDpi(monitor)});
  }
  return TRUE;
}

}  // namespace

std::vector<MonitorArea> AttachedMonitors() {
  std::vector<MonitorArea> found;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&found));
  if (found.empty()) {
    // No answer: the primary screen alone, as the single-screen saver had it.
    found.push_back({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), true, L"",
                     MonitorDpi(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY))});
  }
  return InMonitorOrder(std::move(found));
}

MonitorSet::MonitorSet(std::vector<std::wstring> folders, Converter converter, int32_t degree)
    : folders_(std::move(folders)), converter_(std::move(converter)), degree_(degree) {}

MonitorSet::~MonitorSet() { WaitForTick(); }

std::unique_ptr<MonitorDecay> MonitorSet::Make(const MonitorArea& area, int number) const {
  return std::make_unique<MonitorDecay>(area, number, folders_, converter_, degree_);
}

void MonitorSet::Reset(const std::vector<MonitorArea>& monitors) {
  WaitForTick();
  monitors_.clear();
  // No black to start with: the capture or the picture comes next, and two frames a monitor
  // made only to be replaced would double the start's memory.
  Arrange(monitors, false);
}

void MonitorSet::Update(const std::vector<MonitorArea>& monitors) { Arrange(monitors, true); }

void MonitorSet::Arrange(const std::vector<MonitorArea>& monitors, bool black_for_new) {
  WaitForTick();
  std::vector<NumberedMonitor> running;
  for (const auto& m : monitors_) running.push_back({m->area(), m->number()});
  const std::vector<MonitorAssignment> numbers = AssignNumbers(running, monitors);
  const int32_t quality = monitors_.empty() ? 100 : monitors_.front()->cycle().quality();

  // Everything that may fail comes first, so that a failure leaves the set as it was.
  std::vector<std::unique_ptr<MonitorDecay>> added(monitors.size());
  for (size_t i = 0; i < monitors.size(); ++i) {
    if (numbers[i].kept) continue;
    added[i] = Make(monitors[i], numbers[i].number);
    if (black_for_new) added[i]->ShowBlack();
    added[i]->cycle().set_quality(quality);  // in step with the others from its first tick
    for (const WorkPaths& place : WorkPathsIn(folders_, BitmapWorkName(numbers[i].number), L"")) {
      if (std::find(bitmaps_.begin(), bitmaps_.end(), place.bitmap) == bitmaps_.end()) bitmaps_.push_back(place.bitmap);
    }
  }
  std::vector<std::unique_ptr<MonitorDecay>> next;
  next.reserve(monitors.size());

  for (size_t i = 0; i < monitors.size(); ++i) {
    if (added[i]) {
      next.push_back(std::move(added[i]));
      continue;
    }
    auto kept = std::find_if(monitors_.begin(), monitors_.end(), [&](const auto& m) {
      return m && m->number() == numbers[i].number;
    });
    (*kept)->SetDpi(monitors[i].dpi);
    next.push_back(std::move(*kept));
  }
  // What is left has gone from the desktop.
  for (auto& gone : monitors_)
    if (gone) gone->cycle().bitmap().Delete();
  monitors_ = std::move(next);
  bounds_ = BoundsOf(monitors);
}

bool MonitorSet::Covers(const std::vector<MonitorArea>& monitors) const {
  if (monitors.size() != monitors_.size()) return false;
  for (size_t i = 0; i < monitors.size(); ++i)
    if (!(monitors[i] == monitors_[i]->area())) return false;
  return true;
}

int MonitorSet::CaptureDesktop() {
  WaitForTick();
  ScopedGetDC desktop(GetDesktopWindow());
  for (auto& m : monitors_) m->CaptureFrom(desktop.get(), false);
  const int released = desktop.Release();
  // Only now the pictures to decay: the system may hold a copy of the screen until the
  // desktop's context is given back.
  for (auto& m : monitors_) m->ShowSource();
  return released;
}

bool MonitorSet::ShowPictureFile(const std::wstring& path) {
  WaitForTick();
  auto picture = std::make_shared<Surface>();
  if (!LoadPictureFile(path, *picture)) return false;
  for (auto& m : monitors_) m->ShowPicture(picture);
  return true;
}

void MonitorSet::ShowBlack() {
  WaitForTick();
  for (auto& m : monitors_) m->ShowBlack();
}

void MonitorSet::ShowNothing() {
  WaitForTick();
  auto nothing = std::make_shared<const Surface>();
  for (auto& m : monitors_) m->ShowPicture(nothing);
}

void MonitorSet::SetQuality(int32_t quality) {
  for (auto& m : monitors_) m->cycle().set_quality(quality);
}

bool MonitorSet::StartTick(std::function<void()> done) {
  if (!TickEnded() || monitors_.empty()) return false;
  working_ = static_cast<int>(monitors_.size());
  auto finish = std::make_shared<std::function<void()>>(std::move(done));
  std::vector<std::function<void()>> jobs;
  for (auto& m : monitors_) {
    MonitorDecay* monitor = m.get();
    jobs.push_back([this, monitor, finish] {
      try {
        monitor->Tick();
      } catch (...) {
      }
      if (--working_ == 0 && *finish) {
        try {
          (*finish)();
        } catch (...) {
        }
      }
    });
  }
  workers_.Start(std::move(jobs));
  return true;
}

bool MonitorSet::TickEnded() {
  if (working_ != 0) return false;
  WaitForTick();
  return true;
}

void MonitorSet::WaitForTick() { workers_.Wait(); }

void MonitorSet::Paint(HDC dc, POINT shift, const RECT& area) {
  // Gaps between monitors: black, and ours.
  const int saved = SaveDC(dc);
  for (const auto& m : monitors_) {
    const MonitorArea& a = m->area();
    ExcludeClipRect(dc, a.left + shift.x, a.top + shift.y, a.right + shift.x, a.bottom + shift.y);
  }
  FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  RestoreDC(dc, saved);
  for (auto& m : monitors_) m->Paint(dc, shift);
}

void MonitorSet::DeleteBitmaps() {
  WaitForTick();
  for (auto& m : monitors_) m->cycle().bitmap().Delete();
  for (const std::wstring& path : bitmaps_) DeleteFileW(path.c_str());
}

}  // namespace zarnik
