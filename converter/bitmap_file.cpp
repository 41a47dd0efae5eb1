#include "converter/bitmap_file.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>

namespace quorvel {

namespace {

constexpr size_t kMaxHeadBytes = 64u << 20;
constexpr size_t kStripBytes = 1u << 20;
constexpr int kSampledRows = 17;

struct Block {
  std::unique_ptr<uint8_t[]> bytes;
  size_t size = 0;
};

class BufferPool {
 public:
  // The smallest kept block of at least this size (its contents are left over), else a new
  // one; empty when there is no memory.
  Block Take(size_t size) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto best = free_.end();
      for (auto it = free_.begin(); it != free_.end(); ++it)
        if (it->size >= size && (best == free_.end() || it->size < best->size)) best = it;
      if (best != free_.end()) {
        Block block = std::move(*best);
        free_.erase(best);
        return block;
      }
    }
    Block block;
    block.bytes.reset(new (std::nothrow) uint8_t[size]);
    block.size = block.bytes ? size : 0;
    return block;
  }

  void Give(Block block) {
    if (!block.bytes) return;
    std::lock_guard<std::mutex> lock(mutex_);
    if (free_.size() < kKept) free_.push_back(std::move(block));
  }

 private:
  static constexpr size_t kKept = 16;  // a strip a monitor, for more monitors than most have
  std::mutex mutex_;
  std::vector<Block> free_;
};

BufferPool& Buffers() {
  static BufferPool pool;
  return pool;
}

// Eight bytes at a time, each mixed in by a multiplication: fast enough to run over a whole
// bitmap, and any change of content shows.
uint64_t Mix(uint64_t hash, const uint8_t* data, size_t size) {
  constexpr uint64_t kPrime = 0x9E3779B97F4A7C15ull;
  while (size >= 8) {
    uint64_t word;
    std::memcpy(&word, data, 8);
    hash = (hash ^ word) * kPrime;
    hash ^= hash >> 29;
    data += 8;
    size -= 8;
  }
  uint64_t tail = size;
  for (size_t i = 0; i < size; ++i) tail = (tail << 8) | data[i];
  hash = (hash ^ tail) * kPrime;
  return hash ^ (hash >> 32);
}

}  // namespace

PooledBuffer::PooledBuffer(size_t size) {
  Block block = Buffers().Take(size);
  bytes_ = std::move(block.bytes);
  size_ = block.size;
}

PooledBuffer::~PooledBuffer() { Buffers().Give(Block{std::move(bytes_), size_}); }

bool PooledBuffer::Reserve(size_t size) {
  if (size_ >= size) return true;
  Buffers().Give(Block{std::move(bytes_), size_});
  Block block = Buffers().Take(size);
  bytes_ = std::move(block.bytes);
  size_ = block.size;
  return size_ >= size;
}

BitmapFile::BitmapFile(const std::wstring& path) : strip_(kStripBytes) {
  file_.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, 0, nullptr));
  LARGE_INTEGER size{};
  if (!file_ || !GetFileSizeEx(file_.get(), &size) || size.QuadPart <= 0 || size.QuadPart > (1LL << 31)) return;
  size_ = static_cast<size_t>(size.QuadPart);
}

bool BitmapFile::Open(BitmapReader& reader) {
  if (size_ == 0) return false;
  uint8_t first[18] = {};
  const size_t first_size = std::min(size_, sizeof(first));
  if (!ReadAt(0, first, first_size)) return false;
  const size_t head = std::min(size_, BitmapReader::HeadBytesNeeded(first, first_size));
  if (head == 0 || head > kMaxHeadBytes) return false;
  try {
    head_.resize(head);
  } catch (...) {
    return false;
  }
  return ReadAt(0, head_.data(), head) && reader.OpenHeader(head_.data(), head, size_);
}

std::optional<FileIdentity> BitmapFile::Identity() const {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file_ || !GetFileInformationByHandle(file_.get(), &info)) return std::nullopt;
  FileIdentity id;
  id.volume = info.dwVolumeSerialNumber;
  id.index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  id.size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  id.written = (static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
  // Unlike the write time, the change time follows every change and no ordinary call sets it.
  FILE_BASIC_INFO basic{};
  if (GetFileInformationByHandleEx(file_.get(), FileBasicInfo, &basic, sizeof(basic)))
    id.changed = basic.ChangeTime.QuadPart;
  return id;
}

const uint8_t* BitmapFile::Row(BitmapReader& reader, int y) {
  if (y < strip_first_ || y >= strip_first_ + strip_rows_) {
    if (!ReadStrip(reader, y)) return nullptr;
  }
  const size_t at = reader.RowOffset(y) - strip_offset_;
  return reader.RowBgrFrom(strip_.data() + at);
}

std::optional<uint64_t> BitmapFile::Digest(BitmapReader& reader, bool all) {
  uint64_t hash = Mix(size_, head_.data(), head_.size());
  const int h = reader.height();
  if (all) {
    for (int y = 0; y < h; ++y) {
      if (y < strip_first_ || y >= strip_first_ + strip_rows_) {
        if (!ReadStrip(reader, y)) return std::nullopt;
      }
      hash = Mix(hash, strip_.data() + (reader.RowOffset(y) - strip_offset_), reader.RowBytes());
    }
    return hash;
  }
  // A row at a time: a strip read for each would cost far more than the rows it checks.
  strip_rows_ = 0;
  if (!strip_.Reserve(reader.RowBytes())) return std::nullopt;
  for (int i = 0; i < kSampledRows; ++i) {
    const int y = static_cast<int>(static_cast<long long>(h - 1) * i / (kSampledRows - 1));
    if (!ReadAt(reader.RowOffset(y), strip_.data(), reader.RowBytes())) return std::nullopt;
    hash = Mix(hash, strip_.data(), reader.RowBytes());
  }
  return hash;
}

// A seek and a plain read: a read given its offset in an OVERLAPPED is one more round trip to
// the system's server for each strip under Wine, which must ask whether the handle reports to
// a completion port.
bool BitmapFile::ReadAt(size_t offset, uint8_t* out, size_t bytes) {
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN)) return false;
  while (bytes > 0) {
    const DWORD ask = static_cast<DWORD>(std::min<size_t>(bytes, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(file_.get(), out, ask, &got, nullptr) || got == 0) return false;
    out += got;
    bytes -= got;
  }
  return true;
}

bool BitmapFile::ReadStrip(BitmapReader& reader, int y) {
  const int rows = static_cast<int>(std::max<size_t>(1, kStripBytes / std::max<size_t>(1, reader.RowBytes())));
  const int last = std::min(reader.height() - 1, y + rows - 1);
  // Bottom-up or top-down, the strip's rows are one run of bytes in the file.
  const size_t a = reader.RowOffset(y), b = reader.RowOffset(last);
  const size_t begin = std::min(a, b);
  const size_t end = std::max(a, b) + reader.RowBytes();
  strip_rows_ = 0;
  if (!strip_.Reserve(end - begin) || !ReadAt(begin, strip_.data(), end - begin)) return false;
  strip_first_ = y;
  strip_rows_ = last - y + 1;
  strip_offset_ = begin;
  return true;
}

}  // namespace quorvel
