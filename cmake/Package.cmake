# SPDX-License-Identifier: GPL-3.0-or-later
# `cpack -G DEB` in the build folder: a Debian package of what cmake --install puts under /usr,
# stripped, with its library dependencies worked out by dpkg-shlibdeps.
set(CARVALET_MAINTAINER "Brindlemoor <carvalet@example.org>" CACHE STRING
    "Maintainer of the Debian package, name and address")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME carvalet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Brindlemoor)
set(CPACK_PACKAGE_CONTACT ${CARVALET_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "hide a short text message behind a password in a BMP picture")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Carvalet hides a short text message behind a password inside a BMP file, and
recovers it later: in a window, or from scripts with carvalet-cli. The message
lives in the least-significant bits of a few hundred bytes of the file, which
looks the same as before.
.
Every message is enciphered under a key built into the program; the password
is only an access check. Carvalet keeps text from casual eyes, not from a
determined reader.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${CARVALET_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The platform library lives in the program's own folder, not in the system's.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CPACK_PACKAGING_INSTALL_PREFIX}/lib/carvalet)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/DebWithoutLdconfig.cmake)
include(CPack)
