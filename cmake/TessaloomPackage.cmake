# The Debian package, made by CPack from the same install rules as a prefix
# install (tools/package builds it with the prefix /usr): library, headers,
# pkg-config and CMake files, the CLI, and the Python module in the system
# Python's dist-packages. The CLI is the static `tessaloom` with
# `tessaloom-full` in /usr/libexec/tessaloom: the static one carries its own
# FreeType, fontconfig, libpng, zlib, brotli, libjpeg and expat, so their security
# updates reach it with a rebuild of this package (a build with
# TESSALOOM_STATIC_TOOL off has a shared-only tool). The library, the full
# tool and the Python module use the system's libraries, which
# dpkg-shlibdeps adds as dependencies;
# the fonts and the Python version are named here. Installing registers the
# class and prepares the chart faces' font cache; removing unregisters it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessaloom)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "server-side chart component (GraphGenerator)")
set(CPACK_PACKAGE_CONTACT "Tessaloom developers <developers@tessaloom.invalid>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The chart face, the System font, the fallback faces for other scripts and
# the modern themes' face (deps/debian-packages.txt says why these).
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-liberation, fonts-wine, fonts-wqy-microhei, fonts-dejavu-core, fonts-lohit-deva, fonts-symbola, fonts-inter")
if(TESSALOOM_PYTHON_DEPENDS)
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", ${TESSALOOM_PYTHON_DEPENDS}")
endif()
set(TESSALOOM_INSTALLED_FONTS ${CMAKE_INSTALL_FULL_LIBDIR}/fonts)
configure_file(packaging/debian/postinst.in ${PROJECT_BINARY_DIR}/package/postinst @ONLY)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_BINARY_DIR}/package/postinst ${PROJECT_SOURCE_DIR}/packaging/debian/prerm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
