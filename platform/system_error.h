// The system's message texts for error codes, as the access check's readers
// report their failures. Pure functions; any thread.
#pragma once

#include <string>

namespace tessaloom {

// The C library's description of the errno value `code` ("No such file or
// directory" for ENOENT), independent of the locale. A code the system has no
// text for gives "The system cannot find error message for error number %d"
// with %d replaced by the code.
std::string SystemErrorText(int code);

}  // namespace tessaloom
