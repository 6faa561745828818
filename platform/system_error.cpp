#include "platform/system_error.h"

#include <cstring>

namespace tessaloom {

std::string SystemErrorText(int code) {
  // strerrordesc_np returns a static text, or null for an unknown code,
  // unlike strerror, which makes up "Unknown error N" in a shared buffer.
  if (const char* text = strerrordesc_np(code)) return text;
  return "The system cannot find error message for error number " + std::to_string(code);
}

}  // namespace tessaloom
