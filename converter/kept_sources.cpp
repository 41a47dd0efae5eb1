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
  jpeg_bytes_ = 0;
  budget_ = static_cast<size_t>(std::max(width, 0)) * static_cast<size_t>(std::max(height, 0)) * 4;
}

void KeptSource::Keep(int quality, const std::vector<uint8_t>& jpeg) {
  const size_t room = budget_ > blocks.bytes() ? budget_ - blocks.bytes() : 0;
  if (jpegs.count(quality) || jpeg.size() > room) return;
  // Larger kept files make way, largest first, as long as they are larger than this one.
  while (jpeg_bytes_ + jpeg.size() > room) {
    auto largest = std::max_element(jpegs.begin(), jpegs.end(),
                                    [](const auto& a, const auto& b) { return a.second.size() < b.second.size(); });
    if (largest == jpegs.end() || largest->second.size() <= jpeg.size()) return;
    jpeg_bytes_ -= largest->second.size();
    jpegs.erase(largest);
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
