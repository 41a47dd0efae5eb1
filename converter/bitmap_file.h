// The bitmap file the converter reads: its headers, its rows a strip at a time, and what tells
// this file's present content from what it held before.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "converter/bitmap_reader.h"
#include "platform/kernel_handle.h"

namespace quorvel {

// Which file, on which volume, how long and when written and changed, as the file system says.
// A change time of 0 means the file system keeps none (and so vouches for less).
struct FileIdentity {
  DWORD volume = 0;
  uint64_t index = 0;
  uint64_t size = 0;
  uint64_t written = 0;
  int64_t changed = 0;
  bool operator==(const FileIdentity&) const = default;
};

// Memory for strips kept from one conversion to the next: a caller converts twice a second,
// and memory of this size freed and asked for again comes fresh from the system each time, to
// be cleared page by page. Callers on several threads at once each take their own.
class PooledBuffer {
 public:
  explicit PooledBuffer(size_t size);
  ~PooledBuffer();
  PooledBuffer(const PooledBuffer&) = delete;
  PooledBuffer& operator=(const PooledBuffer&) = delete;

  // Grows to at least size, keeping nothing; false when there is no memory for it.
  bool Reserve(size_t size);
  uint8_t* data() const { return bytes_.get(); }
  size_t size() const { return size_; }

 private:
  std::unique_ptr<uint8_t[]> bytes_;
  size_t size_ = 0;
};

// The file seen a strip of rows at a time, so the converter's memory stays small whatever the
// picture's size. Strips are read into one buffer rather than mapped: a strip that fits the
// cache costs less than a fault on every page of a view, and a file cut short under the
// reader is a short read, not a fault.
class BitmapFile {
 public:
  explicit BitmapFile(const std::wstring& path);
  BitmapFile(const BitmapFile&) = delete;
  BitmapFile& operator=(const BitmapFile&) = delete;

  // Reads the headers and checks them.
  bool Open(BitmapReader& reader);
  std::optional<FileIdentity> Identity() const;

  // Row y of the picture (from the top) as blue, green, red; rows are read a strip at a time
  // in the order asked, top first.
  const uint8_t* Row(BitmapReader& reader, int y);

  // A digest of the headers and of the stored rows: every row when all is true, else a few
  // spread over the picture. Only after Open; nothing when a read fails.
  std::optional<uint64_t> Digest(BitmapReader& reader, bool all);

 private:
  bool ReadAt(size_t offset, uint8_t* out, size_t bytes);
  bool ReadStrip(BitmapReader& reader, int y);

  zarnik::KernelHandle<> file_;  // the program counts its handles; the library does not
  size_t size_ = 0;
  std::vector<uint8_t> head_;
  PooledBuffer strip_;
  int strip_first_ = 0;
  int strip_rows_ = 0;
  size_t strip_offset_ = 0;
};

}  // namespace quorvel
