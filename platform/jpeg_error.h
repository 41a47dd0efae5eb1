// libjpeg's errors, caught. libjpeg reports a fatal error by calling error_exit, which must not
// return; this one jumps back to the caller's setjmp on escape, and its messages go nowhere:
//
//   JpegErrorTrap trap;
//   cinfo.err = trap.Install();
//   if (setjmp(trap.escape)) { jpeg_destroy_...(&cinfo); return failure; }
#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace zarnik {

struct JpegErrorTrap {
  jpeg_error_mgr base;
  jmp_buf escape;

  jpeg_error_mgr* Install() {
    jpeg_std_error(&base);
    base.error_exit = Escape;
    base.emit_message = Quiet;
    return &base;
  }

 private:
  static void Escape(j_common_ptr cinfo) { longjmp(reinterpret_cast<JpegErrorTrap*>(cinfo->err)->escape, 1); }
  static void Quiet(j_common_ptr, int) {}
};

}  // namespace zarnik
