# The Debian package, built by CPack from what `cmake --install` installs:
#   cmake -S . -B build -G Ninja && ninja -C build && (cd build && cpack -G DEB)
# gives build/fendix_<version>_<architecture>.deb. Its dependencies come from the shared
# libraries the programs link (dpkg-shlibdeps, from the Debian package dpkg-dev).
set(FENDIX_MAINTAINER "Fendix developers <fendix@localhost>"
    CACHE STRING "Maintainer field of the Debian package")

# The licence, in Debian's machine-readable form, where Debian keeps each package's.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/fendix)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME fendix)
set(CPACK_PACKAGE_VENDOR "Dorvan")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "search the description files of CD-ROM shareware collections")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The program compares its own directory with the one it was built for; a package from a
# build for another prefix would write its settings beside the program in /usr/bin.
if(NOT CMAKE_INSTALL_FULL_BINDIR STREQUAL "${CPACK_PACKAGING_INSTALL_PREFIX}/bin")
  message(WARNING "The programs are built for ${CMAKE_INSTALL_FULL_BINDIR}, the package installs them "
                  "in ${CPACK_PACKAGING_INSTALL_PREFIX}/bin: configure with "
                  "-DCMAKE_INSTALL_PREFIX=${CPACK_PACKAGING_INSTALL_PREFIX} to build the package.")
endif()
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "${FENDIX_MAINTAINER}")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${FENDIX_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# ICU is loaded when a typed text needs composing, so no shared library names it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${FENDIX_ICU_PACKAGE}")
# The description window shows DOS text in DejaVu Sans Mono, which has every box-drawing
# character; without it another monospace font stands in.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-dejavu-core)
# The long description, under the summary.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Fendix searches the plain-text description files that came with CD-ROM
shareware collections: BBS file listings and the catalogues of disk clubs,
DOS text in code page 437, in folders or inside CD images (.iso, and .bin
with their .cue sheet) read without mounting them. Up to three texts, each of which may be negated
and joined by AND or OR, are looked for in the entries of the chosen files,
and every matching entry is shown exactly as the DOS text looked. The
windows are in French.
.
fendix-search runs the same search in a terminal and prints the matching
entries as text, or as one event a line for scripts.")

include(CPack)
