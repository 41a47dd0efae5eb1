// An owned kernel handle (file, process, event): closed on destruction, copies deleted. The
// tally hears of each handle taken and given back; the program counts its own (gdi.h), the
// converter library keeps none.
#pragma once

#include <windows.h>

#include <utility>

namespace zarnik {

struct NoTally {
  static void Count(long) {}
};

// Both null and INVALID_HANDLE_VALUE mean none.
template <typename Tally = NoTally>
class KernelHandle {
 public:
  KernelHandle() = default;
  explicit KernelHandle(HANDLE h) : h_(h) { Count(+1); }
  ~KernelHandle() { reset(); }
  KernelHandle(const KernelHandle&) = delete;
  KernelHandle& operator=(const KernelHandle&) = delete;
  KernelHandle(KernelHandle&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
  KernelHandle& operator=(KernelHandle&& other) noexcept {
    if (this != &other) {
      reset();
      h_ = std::exchange(other.h_, nullptr);
    }
    return *this;
  }
  void reset(HANDLE h = nullptr) {
    Close();
    h_ = h;
    Count(+1);
  }
  // Closes now; false when the system reported a failure (a write it could not finish).
  bool Close() {
    if (!valid()) return true;
    const bool ok = CloseHandle(h_) != 0;
    Count(-1);
    h_ = nullptr;
    return ok;
  }
  bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  explicit operator bool() const { return valid(); }

 private:
  void Count(long delta) const {
    if (valid()) Tally::Count(delta);
  }

  HANDLE h_ = nullptr;
};

}  // namespace zarnik
