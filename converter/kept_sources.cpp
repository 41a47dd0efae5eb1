#include "converter/kept_sources.h"

#include <algorithm>

namespace quorvel {

namespace {

constexpr size_t kKeptPaths = 4;  // a bitmap a monitor, for more monitors than most have

struct Registry {
  std::mutex mutex;
  std::vector<std::pair<std::wstring, std::shared_ptr<KeptSource>>> entries;  // most recent last
};

Registry& Kept() {
  static Registry registry;
  return registry;
}

}  // namespace

void KeptSource::Reset(int width, int height) {
  known = false;
  blocks = SourceBlocks{};
  jpegs.clear();
  seen.clear();
  jpeg_bytes_ = 0;
  // One frame of 4 bytes a pixel: the blocks take 3, the JPEGs what is left beside them.
  budget_ = static_cast<size_t>(std::max(width, 0)) * static_cast<size_t>(std::max(height, 0)) * 4;
}

void KeptSource::DropLargest() {
  auto largest = std::max_element(jpegs.begin(), jpegs.end(),
                                  [](const auto& a, const auto& b) { return a.second.size() < b.second.size(); });
  if (largest == jpegs.end()) return;
  jpeg_bytes_ -= largest->second.size();
  jpegs.erase(largest);
}

void KeptSource::MakeRoomForBlocks(int width, int height) {
  const size_t blocks_bytes = SourceBlocks::BytesFor(width, height);
  const size_t room = budget_ > blocks_bytes ? budget_ - blocks_bytes : 0;
  while (!jpegs.empty() && jpeg_bytes_ > room) DropLargest();
}

void KeptSource::KeepBlocks(SourceBlocks taken) {
  if (taken.bytes() > budget_) return;
  blocks = std::move(taken);
  while (!jpegs.empty() && jpeg_bytes_ > Room()) DropLargest();
}

void KeptSource::Keep(int quality, const std::vector<uint8_t>& jpeg) {
  if (jpegs.count(quality) || jpeg.size() > Room()) return;
  // A larger kept file makes way; one is enough, as this one is smaller than it.
  if (jpeg_bytes_ + jpeg.size() > Room()) {
    auto largest = std::max_element(jpegs.begin(), jpegs.end(),
                                    [](const auto& a, const auto& b) { return a.second.size() < b.second.size(); });
    if (largest == jpegs.end() || largest->second.size() <= jpeg.size()) return;
    DropLargest();
  }
  try {
    jpegs.emplace(quality, jpeg);
    jpeg_bytes_ += jpeg.size();
  } catch (...) {
    jpegs.erase(quality);  // no memory for it: nothing kept
  }
}

std::shared_ptr<KeptSource> KeptFor(const std::wstring& path) {
  Registry& registry = Kept();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto& entries = registry.entries;
  auto found = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.first == path; });
  std::shared_ptr<KeptSource> kept;
  if (found != entries.end()) {
    kept = found->second;
    entries.erase(found);
  } else {
    kept = std::make_shared<KeptSource>();
  }
  entries.emplace_back(path, kept);
  if (entries.size() > kKeptPaths) entries.erase(entries.begin());
  return kept;
}

}  // namespace quorvel
