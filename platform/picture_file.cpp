#include "platform/picture_file.h"

#include <wincodec.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "platform/file_facts.h"
#include "platform/gdi.h"
#include "platform/jpeg_error.h"

namespace zarnik {

namespace {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (p_) p_->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  T* operator->() const { return p_; }
  T** put() { return &p_; }
  T* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

// COM may not be set up on this thread (a test, a helper thread): do it for the call.
class ComScope {
 public:
  ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  HRESULT hr_;
};

bool Decode(IWICImagingFactory* factory, IWICBitmapDecoder* decoder, Surface& out) {
  ComPtr<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, frame.put()))) return false;
  UINT width = 0, height = 0;
  if (FAILED(frame->GetSize(&width, &height)) || width == 0 || height == 0) return false;
  if (width > 0x7FFFFFFF || height > 0x7FFFFFFF ||
      static_cast<long long>(width) * height > Surface::kMaxPixels)
    return false;

  ComPtr<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(converter.put()))) return false;
  if (FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom)))
    return false;

  std::vector<uint32_t> pixels;
  try {
    pixels.resize(static_cast<size_t>(width) * height);
  } catch (...) {
    return false;
  }
  const UINT stride = width * 4;
  if (FAILED(converter->CopyPixels(nullptr, stride, stride * height,
                                   reinterpret_cast<BYTE*>(pixels.data()))))
    return false;
  for (auto& p : pixels) p &= 0x00FFFFFF;
  return out.AssignPixels(pixels.data(), static_cast<int>(width), static_cast<int>(height));
}

// libjpeg reading the file through a small buffer: no copy of the whole file.
struct FileSource {
  jpeg_source_mgr base;
  HANDLE file;
  JOCTET buffer[64 * 1024];
};

void SourceInit(j_decompress_ptr) {}
void SourceTerm(j_decompress_ptr) {}

boolean SourceFill(j_decompress_ptr cinfo) {
  static const JOCTET kEnd[2] = {0xFF, JPEG_EOI};
  auto* s = reinterpret_cast<FileSource*>(cinfo->src);
  DWORD got = 0;
  if (!ReadFile(s->file, s->buffer, sizeof(s->buffer), &got, nullptr) || got == 0) {
    // A file cut short ends as if complete; libjpeg fills in the rest.
    s->base.next_input_byte = kEnd;
    s->base.bytes_in_buffer = sizeof(kEnd);
    return TRUE;
  }
  s->base.next_input_byte = s->buffer;
  s->base.bytes_in_buffer = got;
  return TRUE;
}

void SourceSkip(j_decompress_ptr cinfo, long bytes) {
  auto* s = reinterpret_cast<FileSource*>(cinfo->src);
  while (bytes > static_cast<long>(s->base.bytes_in_buffer)) {
    bytes -= static_cast<long>(s->base.bytes_in_buffer);
    SourceFill(cinfo);
  }
  if (bytes > 0) {
    s->base.next_input_byte += bytes;
    s->base.bytes_in_buffer -= static_cast<size_t>(bytes);
  }
}

enum class Decoded { kNotJpeg, kDone, kBroken };

// Decodes straight into the surface's rows, a few at a time. The surface is touched only
// once the headers were read and the picture's size accepted.
Decoded DecodeJpegOnto(FileSource& source, Surface& out, std::vector<uint32_t>& wide_row) {
  jpeg_decompress_struct cinfo{};
  JpegErrorTrap trap;
  cinfo.err = trap.Install();
  volatile bool touched = false;
  if (setjmp(trap.escape)) {
    jpeg_destroy_decompress(&cinfo);
    return touched ? Decoded::kBroken : Decoded::kNotJpeg;
  }
  jpeg_create_decompress(&cinfo);
  source.base.init_source = SourceInit;
  source.base.fill_input_buffer = SourceFill;
  source.base.skip_input_data = SourceSkip;
  source.base.resync_to_restart = jpeg_resync_to_restart;
  source.base.term_source = SourceTerm;
  source.base.bytes_in_buffer = 0;
  source.base.next_input_byte = nullptr;
  cinfo.src = &source.base;
  jpeg_read_header(&cinfo, TRUE);
  if (static_cast<long long>(cinfo.image_width) * cinfo.image_height > Surface::kMaxPixels) {
    jpeg_destroy_decompress(&cinfo);
    return Decoded::kNotJpeg;
  }
  cinfo.out_color_space = JCS_EXT_BGRX;
  jpeg_start_decompress(&cinfo);
  const int w = static_cast<int>(cinfo.output_width), h = static_cast<int>(cinfo.output_height);
  if (w <= 0 || h <= 0 || cinfo.output_components != 4) {
    jpeg_destroy_decompress(&cinfo);
    return Decoded::kNotJpeg;
  }
  const bool wider = w > out.width();
  if (wider) wide_row.resize(static_cast<size_t>(w));
  touched = true;
  GdiFlush();
  if (w < out.width() || h < out.height()) out.Clear();
  const int rows = std::min(h, out.height());
  const int cols = std::min(w, out.width());
  constexpr int kBatch = 16;
  JSAMPROW batch[kBatch];
  while (static_cast<int>(cinfo.output_scanline) < rows) {
    const int y = static_cast<int>(cinfo.output_scanline);
    const int ask = wider ? 1 : std::min(kBatch, rows - y);
    for (int i = 0; i < ask; ++i)
      batch[i] = reinterpret_cast<JSAMPROW>(wider ? wide_row.data() : out.pixels() + static_cast<size_t>(y + i) * out.width());
    const int got = static_cast<int>(jpeg_read_scanlines(&cinfo, batch, static_cast<JDIMENSION>(ask)));
    if (got <= 0) break;
    // Each pixel's fourth byte stays as libjpeg sets it (opaque): the screen takes the colour
    // alone, and clearing it was one more pass over the frame every tick.
    if (wider)
      std::memcpy(out.pixels() + static_cast<size_t>(y) * out.width(), wide_row.data(), static_cast<size_t>(cols) * 4);
  }
  jpeg_destroy_decompress(&cinfo);
  return Decoded::kDone;
}

}  // namespace

bool DrawPictureFile(const std::wstring& path, Surface& out) {
  if (out.empty()) return false;
  {
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return false;
    std::unique_ptr<FileSource> source(new (std::nothrow) FileSource{});
    if (!source) return false;
    source->file = file.get();
    std::vector<uint32_t> wide_row;
    try {
      if (DecodeJpegOnto(*source, out, wide_row) != Decoded::kNotJpeg) return true;
    } catch (...) {
      return false;  // no memory for a row wider than the surface
    }
  }
  Surface picture;
  if (!LoadPictureFile(path, picture)) return false;
  out.Clear();
  BitBlt(out.dc(), 0, 0, picture.width(), picture.height(), picture.dc(), 0, 0, SRCCOPY);
  GdiFlush();
  return true;
}

namespace {

// A factory of its own for one picture; make_decoder(factory, &decoder) opens it.
template <typename MakeDecoder>
bool DecodeWith(MakeDecoder&& make_decoder, Surface& out) {
  ComScope com;
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(factory.put()))))
    return false;
  ComPtr<IWICBitmapDecoder> decoder;
  if (!make_decoder(factory.get(), decoder.put())) return false;
  return Decode(factory.get(), decoder.get(), out);
}

}  // namespace

bool LoadPictureFile(const std::wstring& path, Surface& out) {
  const std::optional<FileFacts> facts = FactsOf(path);
  if (!facts || facts->size == 0 || facts->size > static_cast<unsigned long long>(kMaxPictureFileBytes)) return false;
  return DecodeWith(
      [&](IWICImagingFactory* factory, IWICBitmapDecoder** decoder) {
        return SUCCEEDED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                            WICDecodeMetadataCacheOnDemand, decoder));
      },
      out);
}

bool LoadPictureBytes(const void* data, size_t size, Surface& out) {
  if (!data || size == 0 || size > 0xFFFFFFFFu) return false;
  ComScope com;               // outlives the stream
  ComPtr<IWICStream> stream;  // outlives the decoder that reads it
  return DecodeWith(
      [&](IWICImagingFactory* factory, IWICBitmapDecoder** decoder) {
        return SUCCEEDED(factory->CreateStream(stream.put())) &&
               SUCCEEDED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(data)),
                                                      static_cast<DWORD>(size))) &&
               SUCCEEDED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                                          decoder));
      },
      out);
}

bool LoadPictureResource(HINSTANCE module, int id, Surface& out) {
  HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!info) return false;
  HGLOBAL res = LoadResource(module, info);
  const void* data = res ? LockResource(res) : nullptr;
  return LoadPictureBytes(data, SizeofResource(module, info), out);
}

bool LoadBitmapResource(HINSTANCE module, int id, Surface& out) {
  ScopedBitmap bitmap(static_cast<HBITMAP>(
      LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!bitmap) return false;
  BITMAP info{};
  GetObjectW(bitmap.get(), sizeof(info), &info);
  if (!out.Resize(info.bmWidth, info.bmHeight)) return false;
  MemoryDC source(out.dc());
  ScopedSelectObject select(source, bitmap.get());  // undone before the bitmap goes
  BitBlt(out.dc(), 0, 0, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
  GdiFlush();
  return true;
}

}  // namespace zarnik
