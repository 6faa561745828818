# Warnings for the project's own targets (not for third-party code). They are
# errors only with TESSALOOM_WERROR, which the project's scripts and CI turn
# on; a user's own build of a release is not stopped by a newer compiler's
# opinion.
option(TESSALOOM_WERROR "Treat warnings as errors (the project's scripts and CI turn it on)" OFF)

function(tessaloom_strict_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wconversion -Wsign-conversion -Wshadow
    -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
    -Wdouble-promotion -Wformat=2)
  if(TESSALOOM_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  # GCC 12 at -O3 reports a false -Wrestrict inside libstdc++'s string
  # concatenation (GCC bug 105329, fixed in 13).
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()
