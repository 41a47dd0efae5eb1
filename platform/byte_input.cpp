#include "platform/byte_input.h"

#include <atomic>
#include <cstring>

namespace zarnik {

std::optional<ByteInput> ByteInput::OpenFile(const std::wstring& path) {
  if (path.empty()) return std::nullopt;
  // Others may read it meanwhile, but not write, rename or delete it: what was checked is
  // what is decoded.
  auto file = std::make_shared<ScopedHandle>(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                         OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  LARGE_INTEGER size{};
  if (!*file || GetFileType(file->get()) != FILE_TYPE_DISK || !GetFileSizeEx(file->get(), &size) ||
      size.QuadPart < 0)
    return std::nullopt;
  ByteInput in;
  in.file_ = std::move(file);
  in.size_ = static_cast<uint64_t>(size.QuadPart);
  return in;
}

ByteInput ByteInput::Memory(const void* data, size_t size) {
  ByteInput in;
  in.memory_ = static_cast<const uint8_t*>(data);
  in.size_ = data ? size : 0;
  return in;
}

size_t ByteInput::ReadAt(uint64_t offset, void* into, size_t count) const {
  if (offset >= size_ || count == 0) return 0;
  count = static_cast<size_t>(std::min<uint64_t>(count, size_ - offset));
  if (memory_) {
    std::memcpy(into, memory_ + offset, count);
    return count;
  }
  size_t done = 0;
  while (done < count) {
    OVERLAPPED at{};
    const uint64_t where = offset + done;
    at.Offset = static_cast<DWORD>(where);
    at.OffsetHigh = static_cast<DWORD>(where >> 32);
    const DWORD ask = static_cast<DWORD>(std::min<size_t>(count - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(file_->get(), static_cast<uint8_t*>(into) + done, ask, &got, &at) || got == 0) break;
    done += got;
  }
  return done;
}

namespace {

// A read-only COM stream over the first bytes of an input and a few bytes after them. The
// system's decoders read, seek and ask for the length; nothing else is offered.
class InputStream final : public IStream {
 public:
  InputStream(ByteInput input, uint64_t length, std::string_view tail)
      : input_(std::move(input)), length_(std::min(length, input_.size())), tail_(tail) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream) {
      *out = static_cast<IStream*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE Read(void* into, ULONG count, ULONG* read) override {
    if (!into && count) return STG_E_INVALIDPOINTER;
    const uint64_t total = length_ + tail_.size();
    ULONG done = 0;
    while (done < count && position_ < total) {
      auto* to = static_cast<uint8_t*>(into) + done;
      size_t got = 0;
      if (position_ < length_) {
        got = input_.ReadAt(position_, to,
                            static_cast<size_t>(std::min<uint64_t>(count - done, length_ - position_)));
        if (got == 0) break;
      } else {
        got = static_cast<size_t>(std::min<uint64_t>(count - done, total - position_));
        std::memcpy(to, tail_.data() + (position_ - length_), got);
      }
      done += static_cast<ULONG>(got);
      position_ += got;
    }
    if (read) *read = done;
    return done == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* now) override {
    const int64_t total = static_cast<int64_t>(length_ + tail_.size());
    int64_t base = 0;
    if (origin == STREAM_SEEK_CUR)
      base = static_cast<int64_t>(position_);
    else if (origin == STREAM_SEEK_END)
      base = total;
    else if (origin != STREAM_SEEK_SET)
      return STG_E_INVALIDFUNCTION;
    const int64_t to = base + move.QuadPart;
    if (to < 0) return STG_E_INVALIDFUNCTION;
    position_ = static_cast<uint64_t>(to);
    if (now) now->QuadPart = position_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
    if (!stat) return STG_E_INVALIDPOINTER;
    *stat = STATSTG{};
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = length_ + tail_.size();
    stat->grfMode = STGM_READ;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

 private:
  ~InputStream() = default;

  std::atomic<ULONG> refs_{1};
  ByteInput input_;
  uint64_t length_;
  std::string tail_;
  uint64_t position_ = 0;
};

}  // namespace

IStream* ByteInput::NewStream(uint64_t length, std::string_view tail) const {
  return new (std::nothrow) InputStream(*this, length, tail);
}

}  // namespace zarnik
