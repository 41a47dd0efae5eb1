#include "platform/picture_file.h"

#include <wincodec.h>

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/byte_input.h"
#include "platform/gdi.h"
#include "platform/jpeg_decode.h"
#include "platform/picture_header.h"

namespace zarnik {

static_assert(DecodeBounds{}.pixels == Surface::kMaxPixels, "a picture within the bounds fits a surface");

namespace {

template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  explicit ComPtr(T* adopted) : p_(adopted) {}
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

// The input's header, judged before anything else reads the input.
PictureHeader Judge(const ByteInput& in, const DecodeBounds& bounds) {
  if (in.size() == 0 || in.size() > static_cast<uint64_t>(kMaxPictureFileBytes)) return PictureHeader{};
  std::vector<uint8_t> head;
  const PictureLimits limits = bounds.Limits();
  return in.ReadHead(head, [&](const uint8_t* data, size_t size, uint64_t whole) {
    return ReadPictureHeader(data, size, whole, limits);
  });
}

// Rows the system's decoder hands over at once, between two looks at the deadline.
constexpr size_t kBandBytes = 4 << 20;

// BMP, PNG and GIF through the system's imaging component: the decoder of the kind the header
// named (not one it picks by the bytes), given a stream over what the header reader accepted
// (a GIF cut after its first picture, with its trailer), the frame it decodes matched against
// the header, and the pixels copied a band of rows at a time.
bool DecodeWithSystem(const ByteInput& in, const PictureHeader& header, const Deadline& deadline,
                      Surface& out) {
  ComScope com;
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(factory.put()))))
    return false;
  const GUID& container = header.kind == PictureKind::kBmp   ? GUID_ContainerFormatBmp
                          : header.kind == PictureKind::kPng ? GUID_ContainerFormatPng
                                                             : GUID_ContainerFormatGif;
  ComPtr<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoder(container, nullptr, decoder.put()))) return false;
  ComPtr<IStream> stream(in.NewStream(header.decoder_input, header.kind == PictureKind::kGif ? ";" : ""));
  if (!stream || FAILED(decoder->Initialize(stream.get(), WICDecodeMetadataCacheOnDemand))) return false;
  ComPtr<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, frame.put()))) return false;
  UINT width = 0, height = 0;
  if (FAILED(frame->GetSize(&width, &height)) || width != header.width || height != header.height)
    return false;

  // Blue, green, red in three or four bytes a pixel are taken as the decoder gives them;
  // everything else through the system's converter, which is slower.
  WICPixelFormatGUID native{};
  frame->GetPixelFormat(&native);
  const bool bgr24 = native == GUID_WICPixelFormat24bppBGR;
  const bool direct =
      bgr24 || native == GUID_WICPixelFormat32bppBGR || native == GUID_WICPixelFormat32bppBGRA;
  ComPtr<IWICFormatConverter> converter;
  if (!direct &&
      (FAILED(factory->CreateFormatConverter(converter.put())) ||
       FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone,
                                    nullptr, 0.0, WICBitmapPaletteTypeCustom))))
    return false;
  IWICBitmapSource* source = direct ? static_cast<IWICBitmapSource*>(frame.get()) : converter.get();
  if (deadline.Passed() || !out.Resize(static_cast<int>(width), static_cast<int>(height))) return false;
  const UINT stride = width * 4;
  const UINT band = static_cast<UINT>(std::max<size_t>(1, kBandBytes / stride));
  for (UINT y = 0; y < height; y += band) {
    if (deadline.Passed()) return false;
    const UINT rows = std::min(band, height - y);
    const WICRect rect{0, static_cast<INT>(y), static_cast<INT>(width), static_cast<INT>(rows)};
    uint32_t* first = out.pixels() + static_cast<size_t>(y) * width;
    if (FAILED(source->CopyPixels(&rect, stride, stride * rows, reinterpret_cast<BYTE*>(first))))
      return false;
    for (UINT r = 0; r < rows; ++r) {
      uint32_t* row = first + static_cast<size_t>(r) * width;
      if (bgr24) {
        // Three bytes a pixel at the row's start, spread to four from the right.
        const auto* packed = reinterpret_cast<const uint8_t*>(row);
        for (UINT x = width; x-- > 0;)
          row[x] =
              packed[3 * x] | (packed[3 * x + 1] << 8) | (static_cast<uint32_t>(packed[3 * x + 2]) << 16);
      } else {
        for (UINT x = 0; x < width; ++x) row[x] &= 0x00FFFFFF;
      }
    }
  }
  return true;
}

// Into a picture of its own; the surface takes it only once it decoded.
bool LoadInput(const ByteInput& in, const DecodeBounds& bounds, Surface& out) {
  const Deadline deadline(bounds.time);
  const PictureHeader header = Judge(in, bounds);
  if (header.verdict != HeaderVerdict::kAccepted) return false;
  Surface picture;
  if (header.kind == PictureKind::kJpeg) {
    const JpegDecoded decoded = DecodeJpeg(in, header, bounds, deadline, JpegPlacement::kOwnSize, picture);
    if (decoded != JpegDecoded::kDone && decoded != JpegDecoded::kBroken) return false;
  } else if (!DecodeWithSystem(in, header, deadline, picture)) {
    return false;
  }
  out.Swap(picture);
  return true;
}

}  // namespace

bool LoadPictureFile(const std::wstring& path, Surface& out, const DecodeBounds& bounds) {
  try {
    const std::optional<ByteInput> in = ByteInput::OpenFile(path);
    return in && LoadInput(*in, bounds, out);
  } catch (...) {
    return false;  // no memory for a buffer
  }
}

bool LoadPictureBytes(const void* data, size_t size, Surface& out, const DecodeBounds& bounds) {
  try {
    return data && size && LoadInput(ByteInput::Memory(data, size), bounds, out);
  } catch (...) {
    return false;
  }
}

bool DrawPictureFile(const std::wstring& path, Surface& out, const DecodeBounds& bounds) {
  if (out.empty()) return false;
  try {
    const std::optional<ByteInput> in = ByteInput::OpenFile(path);
    if (!in) return false;
    const Deadline deadline(bounds.time);
    const PictureHeader header = Judge(*in, bounds);
    if (header.verdict != HeaderVerdict::kAccepted) return false;
    if (header.kind == PictureKind::kJpeg) {
      const JpegDecoded decoded = DecodeJpeg(*in, header, bounds, deadline, JpegPlacement::kOntoSurface, out);
      return decoded == JpegDecoded::kDone || decoded == JpegDecoded::kBroken;
    }
    Surface picture;
    if (!DecodeWithSystem(*in, header, deadline, picture)) return false;
    out.Clear();
    BitBlt(out.dc(), 0, 0, picture.width(), picture.height(), picture.dc(), 0, 0, SRCCOPY);
    GdiFlush();
    return true;
  } catch (...) {
    return false;
  }
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
