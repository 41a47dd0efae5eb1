// Where a picture's or a sound's bytes come from: a file opened so that nobody writes, renames
// or deletes it while it is read, or bytes in memory (a resource). Both are read at any
// offset: a header reader is fed the start of it as far as it asks, and a decoder gets a
// stream over what the reader accepted, never the file again by its name.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi.h"

namespace zarnik {

class ByteInput {
 public:
  // Nothing for a folder, a device, a missing or locked file.
  static std::optional<ByteInput> OpenFile(const std::wstring& path);
  static ByteInput Memory(const void* data, size_t size);

  uint64_t size() const { return size_; }
  // The bytes at offset: fewer at the end, none on a failure.
  size_t ReadAt(uint64_t offset, void* into, size_t count) const;

  // The start of the input, read as the judge asks: judge(data, size, whole_size) returns a
  // result whose `needed` names how many bytes from the start it wants when it wants more.
  template <typename Judge>
  auto ReadHead(std::vector<uint8_t>& head, Judge&& judge) const {
    head.resize(static_cast<size_t>(std::min<uint64_t>(size_, kFirstRead)));
    head.resize(ReadAt(0, head.data(), head.size()));
    auto result = judge(head.data(), head.size(), size_);
    // Until the judge has what it asked for; a read that falls short leaves it asking.
    while (result.needed > head.size() && result.needed <= size_) {
      const size_t had = head.size();
      // At least double each time: the judge reads from the start on each call.
      const uint64_t next =
          std::min<uint64_t>(size_, std::max<uint64_t>(result.needed, 2 * static_cast<uint64_t>(had)));
      head.resize(static_cast<size_t>(next));
      head.resize(had + ReadAt(had, head.data() + had, head.size() - had));
      if (head.size() < next) break;
      result = judge(head.data(), head.size(), size_);
    }
    return result;
  }

  // A stream over the first `length` bytes followed by `tail` (a terminator the decoder
  // should find there). The caller releases it; it keeps the input open meanwhile.
  IStream* NewStream(uint64_t length, std::string_view tail = {}) const;

 private:
  static constexpr uint64_t kFirstRead = 64 * 1024;

  std::shared_ptr<ScopedHandle> file_;
  const uint8_t* memory_ = nullptr;
  uint64_t size_ = 0;
};

}  // namespace zarnik
