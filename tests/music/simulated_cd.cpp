#include "tests/music/simulated_cd.h"

#include <cstdio>
#include <cwchar>

namespace zarnik::test {

namespace {
constexpr long long kFrames = 75;  // CD frames a second
}

SimulatedCd::SimulatedCd(Disc disc, std::vector<int> track_seconds, bool drive)
    : disc_(disc), tracks_(std::move(track_seconds)), drive_(drive) {}

SimulatedCd::~SimulatedCd() {
  if (installed_) SetMediaService(SystemMediaService());
}

void SimulatedCd::Install() {
  installed_ = true;
  MediaService service = SystemMediaService();
  service.send = [this](const std::wstring& command, std::wstring* reply, uint32_t reply_size) {
    std::wstring text;
    const int32_t code = Handle(command, &text);
    if (reply && code == 0) *reply = text.substr(0, reply_size ? reply_size - 1 : 0);
    return code;
  };
  service.error_text = [](int32_t code, std::wstring* text, uint32_t) {
    if (code == kUnrecognized) return false;  // a code the service cannot describe
    if (text) *text = L"simulated error " + std::to_wstring(code);
    return true;
  };
  SetMediaService(service);
}

long long SimulatedCd::TrackStart(int track) const {
  long long frames = 0;
  for (int i = 1; i < track; ++i) frames += tracks_[i - 1] * kFrames;
  return frames;
}

long long SimulatedCd::DiscEnd() const { return TrackStart(static_cast<int>(tracks_.size()) + 1); }

int SimulatedCd::CurrentTrack() const {
  for (int t = static_cast<int>(tracks_.size()); t >= 1; --t)
    if (position_ >= TrackStart(t)) return t;
  return 1;
}

int SimulatedCd::plays() const { return plays_; }

std::wstring SimulatedCd::Tmsf(int track, long long frames) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%02d:%02lld:%02lld:%02lld", track, frames / kFrames / 60, frames / kFrames % 60,
                frames % kFrames);
  return text;
}

bool SimulatedCd::ParseTmsf(const std::wstring& text, long long* frames) const {
  int t = 0, m = 0, s = 0, f = 0;
  wchar_t extra = 0;
  const int n = std::swscanf(text.c_str(), L"%d:%d:%d:%d%lc", &t, &m, &s, &f, &extra);
  if (n < 1 || n > 4 || t < 1 || t > static_cast<int>(tracks_.size())) return false;
  *frames = TrackStart(t) + (m * 60LL + s) * kFrames + f;
  return true;
}

void SimulatedCd::Advance(int milliseconds) {
  if (mode_ != Mode::Playing) return;
  position_ += milliseconds * kFrames / 1000;
  if (position_ >= DiscEnd()) {
    position_ = DiscEnd();
    mode_ = Mode::Stopped;
  }
}

int32_t SimulatedCd::Handle(const std::wstring& command, std::wstring* reply) {
  commands_.push_back(command);
  if (!drive_) return kNoDevice;
  if (command == L"open cdaudio") {
    open_ = true;
    return 0;
  }
  if (!open_) return kNoDevice;
  if (command == L"close cdaudio") {
    open_ = false;
    mode_ = Mode::Stopped;
    return 0;
  }
  if (command == L"set cdaudio time format tmsf") return 0;
  if (disc_ == Disc::None) return kNotReady;
  if (command == L"status cdaudio mode") {
    *reply = mode_ == Mode::Playing ? L"playing" : mode_ == Mode::Paused ? L"paused" : L"stopped";
    return 0;
  }
  // A data disc answers the device but has no audio tracks to report or play.
  if (disc_ == Disc::Data) return kNotReady;
  if (command == L"status cdaudio current track") {
    *reply = std::to_wstring(CurrentTrack());
    return 0;
  }
  if (command == L"status cdaudio number of tracks") {
    *reply = std::to_wstring(tracks_.size());
    return 0;
  }
  const std::wstring position = L"status cdaudio position track ";
  if (command.rfind(position, 0) == 0) {
    const int track = std::wcstol(command.c_str() + position.size(), nullptr, 10);
    if (track < 1 || track > static_cast<int>(tracks_.size())) return kOutOfRange;
    *reply = Tmsf(track, 0);
    return 0;
  }
  if (command == L"stop cdaudio") {
    mode_ = Mode::Stopped;
    return 0;
  }
  if (command == L"play cdaudio") {
    if (position_ >= DiscEnd()) position_ = 0;
    mode_ = Mode::Playing;
    ++plays_;
    return 0;
  }
  const std::wstring from = L"play cdaudio from ";
  if (command.rfind(from, 0) == 0) {
    long long frames = 0;
    if (!ParseTmsf(command.substr(from.size()), &frames)) return kBadTime;
    position_ = frames;
    mode_ = Mode::Playing;
    ++plays_;
    return 0;
  }
  return kUnrecognized;
}

}  // namespace zarnik::test
