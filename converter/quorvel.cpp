// Quorvel.dll: ConvertBMPtoJPG turns a Windows bitmap file into a baseline JPEG file.
//
//   int16_t ConvertBMPtoJPG(const char* bitmap_path, const char* jpeg_path,
//                           int32_t reserved1, int16_t quality, int32_t reserved2);
//
// Paths are in the system's ANSI code page. The quality is libjpeg's usual 1..100 scale;
// values outside it are taken as the nearest end. The two reserved arguments (callers pass
// -1) are ignored. Result: 1 when the JPEG file was written, 0 when not; on failure no JPEG
// file is left behind and a JPEG file already at the path is untouched.
#include <windows.h>

#include <algorithm>
#include <csetjmp>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "converter/bitmap_reader.h"
#include "platform/code_page.h"
#include "platform/jpeg_error.h"
#include "platform/kernel_handle.h"

namespace {

// The library keeps no count of its handles: that is the program's bookkeeping.
using FileHandle = zarnik::KernelHandle<>;

// A path as the caller's ANSI code page spells it; empty when its bytes are no text there.
std::wstring Wide(const char* ansi) {
  return ansi ? zarnik::FromCodePage(CP_ACP, ansi, MB_ERR_INVALID_CHARS) : std::wstring();
}

// Buffers kept from one conversion to the next. A caller converts twice a second; memory of
// this size freed and asked for again comes fresh from the system each time, to be cleared
// page by page. Callers on several threads at once each take their own.
class BufferPool {
 public:
  struct Block {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
  };

  // The smallest kept block of at least this size (its contents are left over), else a new
  // one; empty when there is no memory.
  Block Take(size_t size) {
    Block block;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto best = free_.end();
      for (auto it = free_.begin(); it != free_.end(); ++it)
        if (it->size >= size && (best == free_.end() || it->size < best->size)) best = it;
      if (best != free_.end()) {
        block = std::move(*best);
        free_.erase(best);
        return block;
      }
    }
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
  static constexpr size_t kKept = 16;  // two buffers a monitor, for more monitors than most have
  std::mutex mutex_;
  std::vector<Block> free_;
};

BufferPool& Buffers() {
  static BufferPool pool;
  return pool;
}

// A pooled block, given back when done with.
class PooledBuffer {
 public:
  explicit PooledBuffer(size_t size) : block_(Buffers().Take(size)) {}
  ~PooledBuffer() { Buffers().Give(std::move(block_)); }
  PooledBuffer(const PooledBuffer&) = delete;
  PooledBuffer& operator=(const PooledBuffer&) = delete;

  // Grows to at least size, keeping nothing; false when there is no memory for it.
  bool Reserve(size_t size) {
    if (block_.size >= size) return true;
    Buffers().Give(std::move(block_));
    block_ = Buffers().Take(size);
    return block_.size >= size;
  }
  uint8_t* data() const { return block_.bytes.get(); }
  size_t size() const { return block_.size; }

 private:
  BufferPool::Block block_;
};

// The bitmap file seen a strip of rows at a time, so the converter's memory stays small
// whatever the picture's size. Strips are read into one buffer rather than mapped: a strip
// that fits the cache costs less than a fault on every page of a view, and a file cut short
// under the reader is a short read, not a fault.
class BitmapFile {
 public:
  explicit BitmapFile(const std::wstring& path) {
    file_.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!file_ || !GetFileSizeEx(file_.get(), &size) || size.QuadPart <= 0 ||
        size.QuadPart > (1LL << 31))
      return;
    size_ = static_cast<size_t>(size.QuadPart);
  }
  BitmapFile(const BitmapFile&) = delete;
  BitmapFile& operator=(const BitmapFile&) = delete;

  // Reads the headers and checks them.
  bool Open(quorvel::BitmapReader& reader) {
    if (size_ == 0) return false;
    uint8_t first[18] = {};
    const size_t first_size = std::min(size_, sizeof(first));
    if (!ReadAt(0, first, first_size)) return false;
    const size_t head = std::min(size_, quorvel::BitmapReader::HeadBytesNeeded(first, first_size));
    if (head == 0 || head > kMaxHeadBytes) return false;
    try {
      head_.resize(head);
    } catch (...) {
      return false;
    }
    return ReadAt(0, head_.data(), head) && reader.OpenHeader(head_.data(), head, size_);
  }

  // Row y of the picture (from the top) as blue, green, red; rows are read a strip at a time
  // in the order asked, top first.
  const uint8_t* Row(quorvel::BitmapReader& reader, int y) {
    if (y < strip_first_ || y >= strip_first_ + strip_rows_) {
      if (!ReadStrip(reader, y)) return nullptr;
    }
    const size_t at = reader.RowOffset(y) - strip_offset_;
    return reader.RowBgrFrom(strip_.data() + at);
  }

 private:
  static constexpr size_t kMaxHeadBytes = 64u << 20;
  static constexpr size_t kStripBytes = 1u << 20;

  // A seek and a plain read: a read given its offset in an OVERLAPPED is one more round trip
  // to the system's server for each strip under Wine, which must ask whether the handle
  // reports to a completion port.
  bool ReadAt(size_t offset, uint8_t* out, size_t bytes) {
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

  bool ReadStrip(quorvel::BitmapReader& reader, int y) {
    const int rows = static_cast<int>(std::max<size_t>(1, kStripBytes / std::max<size_t>(1, reader.RowBytes())));
    const int last = std::min(reader.height() - 1, y + rows - 1);
    // Bottom-up or top-down, the strip's rows are one run of bytes in the file.
    const size_t a = reader.RowOffset(y), b = reader.RowOffset(last);
    const size_t begin = std::min(a, b);
    const size_t end = std::max(a, b) + reader.RowBytes();
    if (!strip_.Reserve(end - begin) || !ReadAt(begin, strip_.data(), end - begin)) return false;
    strip_first_ = y;
    strip_rows_ = last - y + 1;
    strip_offset_ = begin;
    return true;
  }

  FileHandle file_;
  size_t size_ = 0;
  std::vector<uint8_t> head_;
  PooledBuffer strip_{kStripBytes};
  int strip_first_ = 0;
  int strip_rows_ = 0;
  size_t strip_offset_ = 0;
};

// libjpeg's output written straight to the file through a small buffer.
struct FileDestination {
  static constexpr size_t kBufferBytes = 256 * 1024;
  jpeg_destination_mgr base{};
  FileHandle file;
  bool failed = false;
  PooledBuffer buffer{kBufferBytes};
};

void DestinationInit(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<FileDestination*>(cinfo->dest);
  d->base.next_output_byte = d->buffer.data();
  d->base.free_in_buffer = FileDestination::kBufferBytes;
}

bool WriteAll(FileDestination* d, size_t bytes) {
  DWORD wrote = 0;
  if (bytes == 0) return true;
  if (d->failed ||
      !WriteFile(d->file.get(), d->buffer.data(), static_cast<DWORD>(bytes), &wrote, nullptr) || wrote != bytes)
    d->failed = true;
  return !d->failed;
}

boolean DestinationFull(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<FileDestination*>(cinfo->dest);
  WriteAll(d, FileDestination::kBufferBytes);
  d->base.next_output_byte = d->buffer.data();
  d->base.free_in_buffer = FileDestination::kBufferBytes;
  return TRUE;
}

void DestinationTerm(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<FileDestination*>(cinfo->dest);
  WriteAll(d, FileDestination::kBufferBytes - d->base.free_in_buffer);
}

// Encodes into the open file; false on any libjpeg or write error.
bool Encode(BitmapFile& file, quorvel::BitmapReader& bitmap, int quality, FileDestination& dest) {
  jpeg_compress_struct cinfo{};
  zarnik::JpegErrorTrap trap;
  cinfo.err = trap.Install();
  if (setjmp(trap.escape)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  dest.base.init_destination = DestinationInit;
  dest.base.empty_output_buffer = DestinationFull;
  dest.base.term_destination = DestinationTerm;
  cinfo.dest = &dest.base;
  cinfo.image_width = static_cast<JDIMENSION>(bitmap.width());
  cinfo.image_height = static_cast<JDIMENSION>(bitmap.height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);  // baseline tables
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(file.Row(bitmap, static_cast<int>(cinfo.next_scanline)));
    if (!row || dest.failed) {
      jpeg_destroy_compress(&cinfo);
      return false;
    }
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return !dest.failed;
}

// Encodes beside the target and moves the file over it only when complete.
bool EncodeWhole(BitmapFile& file, quorvel::BitmapReader& bitmap, int quality, const std::wstring& target) {
  const std::wstring temp = target + L".~" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  auto dest = std::make_unique<FileDestination>();
  if (dest->buffer.size() < FileDestination::kBufferBytes) return false;
  // A work file rewritten every tick: temporary, so the system may keep it in memory.
  dest->file.reset(
      CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
  if (!dest->file) return false;
  bool ok = Encode(file, bitmap, quality, *dest);
  ok = dest->file.Close() && ok;
  if (ok) ok = MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  if (!ok) DeleteFileW(temp.c_str());
  return ok;
}

int16_t Convert(const char* bitmap_path, const char* jpeg_path, int16_t quality) {
  const std::wstring source = Wide(bitmap_path);
  const std::wstring target = Wide(jpeg_path);
  if (source.empty() || target.empty()) return 0;
  const DWORD target_attrs = GetFileAttributesW(target.c_str());
  if (target_attrs != INVALID_FILE_ATTRIBUTES && (target_attrs & FILE_ATTRIBUTE_DIRECTORY)) return 0;

  BitmapFile file(source);
  quorvel::BitmapReader bitmap;
  if (!file.Open(bitmap)) return 0;

  const int q = quality < 1 ? 1 : quality > 100 ? 100 : quality;
  return EncodeWhole(file, bitmap, q, target) ? 1 : 0;
}

}  // namespace

extern "C" __declspec(dllexport) int16_t WINAPI ConvertBMPtoJPG(const char* bitmap_path, const char* jpeg_path,
                                                                int32_t /*reserved1*/, int16_t quality,
                                                                int32_t /*reserved2*/) {
  try {
    return Convert(bitmap_path, jpeg_path, quality);
  } catch (...) {
    return 0;
  }
}
