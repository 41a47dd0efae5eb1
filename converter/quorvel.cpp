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

#include <csetjmp>
#include <cstdio>
#include <string>

#include <jpeglib.h>

#include "converter/bitmap_reader.h"
#include "startup/gdi.h"

namespace {

using zarnik::ScopedHandle;

std::wstring Wide(const char* ansi) {
  if (!ansi || !*ansi) return {};
  int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi, -1, nullptr, 0);
  if (n <= 1) return {};
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi, -1, out.data(), n);
  out.resize(static_cast<size_t>(n) - 1);
  return out;
}

// The bitmap file mapped into memory: read once by the system, no copy of ours.
class MappedFile {
 public:
  explicit MappedFile(const std::wstring& path) {
    file_.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file_) return;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_.get(), &size) || size.QuadPart <= 0 || size.QuadPart > (1LL << 31)) return;
    mapping_.reset(CreateFileMappingW(file_.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping_) return;
    data_ = static_cast<const uint8_t*>(MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, 0));
    if (data_) size_ = static_cast<size_t>(size.QuadPart);
  }
  // The view goes first, then the mapping and the file (members end in reverse order).
  ~MappedFile() {
    if (data_) UnmapViewOfFile(data_);
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  ScopedHandle file_;
  ScopedHandle mapping_;
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

struct ErrorManager {
  jpeg_error_mgr base;
  jmp_buf escape;
};

void OnJpegError(j_common_ptr cinfo) {
  longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->escape, 1);
}
void OnJpegMessage(j_common_ptr, int) {}

// Encodes into memory; false on any libjpeg error. The output buffer is libjpeg's and is
// freed by the caller with free().
bool Encode(quorvel::BitmapReader& bitmap, int quality, unsigned char** out, unsigned long* out_size) {
  jpeg_compress_struct cinfo{};
  ErrorManager err{};
  cinfo.err = jpeg_std_error(&err.base);
  err.base.error_exit = OnJpegError;
  err.base.emit_message = OnJpegMessage;
  if (setjmp(err.escape)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, out, out_size);
  cinfo.image_width = static_cast<JDIMENSION>(bitmap.width());
  cinfo.image_height = static_cast<JDIMENSION>(bitmap.height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);  // baseline tables
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(bitmap.RowBgr(static_cast<int>(cinfo.next_scanline)));
    if (!row) {
      jpeg_destroy_compress(&cinfo);
      return false;
    }
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

// Writes the bytes beside the target and moves them over it only when complete.
bool WriteWhole(const std::wstring& target, const unsigned char* bytes, unsigned long size) {
  const std::wstring temp = target + L".~" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  // A work file rewritten every tick: temporary, so the system may keep it in memory.
  ScopedHandle file(
      CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
  if (!file) return false;
  DWORD wrote = 0;
  bool ok = WriteFile(file.get(), bytes, size, &wrote, nullptr) && wrote == size;
  ok = file.Close() && ok;
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

  MappedFile file(source);
  quorvel::BitmapReader bitmap;
  if (!file.data() || !bitmap.Open(file.data(), file.size())) return 0;

  const int q = quality < 1 ? 1 : quality > 100 ? 100 : quality;
  // Room for a JPEG of one byte a pixel up front, so libjpeg seldom has to grow and copy it;
  // pages never written are never touched.
  unsigned long jpeg_size = static_cast<unsigned long>(bitmap.width()) * bitmap.height() + 65536;
  unsigned char* jpeg = static_cast<unsigned char*>(malloc(jpeg_size));
  if (!jpeg) jpeg_size = 0;
  // The mapped view keeps the file from being cut short while it is read.
  unsigned char* const initial = jpeg;
  bool ok = Encode(bitmap, q, &jpeg, &jpeg_size);
  ok = ok && jpeg && jpeg_size > 0 && WriteWhole(target, jpeg, jpeg_size);
  // libjpeg hands back a buffer of its own when ours was too small.
  if (jpeg != initial) free(jpeg);
  free(initial);
  return ok ? 1 : 0;
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
