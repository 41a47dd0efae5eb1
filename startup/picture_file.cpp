#include "startup/picture_file.h"

#include <wincodec.h>

#include <vector>

#include "startup/gdi.h"

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

}  // namespace

bool LoadPictureFile(const std::wstring& path, Surface& out) {
  WIN32_FILE_ATTRIBUTE_DATA attrs{};
  if (path.empty() || !GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attrs))
    return false;
  if (attrs.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
  const long long size = (static_cast<long long>(attrs.nFileSizeHigh) << 32) | attrs.nFileSizeLow;
  if (size <= 0 || size > kMaxPictureFileBytes) return false;

  ComScope com;
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(factory.put()))))
    return false;
  ComPtr<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnDemand, decoder.put())))
    return false;
  return Decode(factory.get(), decoder.get(), out);
}

bool LoadPictureBytes(const void* data, size_t size, Surface& out) {
  if (!data || size == 0 || size > 0xFFFFFFFFu) return false;
  ComScope com;
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(factory.put()))))
    return false;
  ComPtr<IWICStream> stream;
  if (FAILED(factory->CreateStream(stream.put()))) return false;
  if (FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(data)),
                                          static_cast<DWORD>(size))))
    return false;
  ComPtr<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr,
                                              WICDecodeMetadataCacheOnDemand, decoder.put())))
    return false;
  return Decode(factory.get(), decoder.get(), out);
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
