// Hosts compile the public header on its own, as C++17.
#include "tessaloom/tessaloom.h"

static_assert(__cplusplus >= 201703L && __cplusplus < 202002L, "built as C++17");
