// Private to the decoder and the encoder: the libjpeg error manager whose error_exit jumps back to the
// routine that created the library object. Between that routine's setjmp and the object's destruction
// only trivially destructible locals may live.
#pragma once

#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

namespace qv {

struct LibraryErrorTrap {
  jpeg_error_mgr manager;  // first member: the library hands back a pointer to it
  std::jmp_buf returnPoint;
};

// Fills `trap` with the standard error manager, error_exit replaced by a jump to trap.returnPoint and
// messages suppressed (they are never shown to the user). Warnings are still counted.
jpeg_error_mgr* InstallLibraryErrorTrap(LibraryErrorTrap& trap);

// Raises library error `code` on `cinfo` (ends in error_exit).
[[noreturn]] void RaiseLibraryError(j_common_ptr cinfo, int code);

}  // namespace qv
