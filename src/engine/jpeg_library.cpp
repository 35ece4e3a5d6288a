// libjpeg error handling shared by the decoder and the encoder.
#include "engine/jpeg_library.h"

#include <cstdlib>

namespace qv {

namespace {

[[noreturn]] void JumpBack(j_common_ptr cinfo) {
  auto* trap = reinterpret_cast<LibraryErrorTrap*>(cinfo->err);
  std::longjmp(trap->returnPoint, 1);
}

void SuppressMessage(j_common_ptr) {}

}  // namespace

jpeg_error_mgr* InstallLibraryErrorTrap(LibraryErrorTrap& trap) {
  jpeg_error_mgr* manager = jpeg_std_error(&trap.manager);
  manager->error_exit = JumpBack;
  manager->output_message = SuppressMessage;
  return manager;
}

void RaiseLibraryError(j_common_ptr cinfo, int code) {
  cinfo->err->msg_code = code;
  cinfo->err->error_exit(cinfo);
  std::abort();  // error_exit never returns
}

}  // namespace qv
