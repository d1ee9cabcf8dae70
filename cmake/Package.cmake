# The Debian package of the Linux programs (cpack -G DEB in a native build
# tree): velmora and velmora-render in /usr/bin, the settings description for
# XScreenSaver, the manual page, the copyright file and the changelog; the
# Depends line computed from the shared libraries (dpkg-shlibdeps).
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "velmora")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "Velmora developers <velmora@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "plasma-cloud screen saver, also for XScreenSaver")
set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")  # velmora_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION "x11")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xscreensaver")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# CPack puts the summary first and indents every line of this by one space.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Velmora draws plasma clouds: random height fields made by recursive midpoint
displacement, shown through palettes built as smooth ramps between a few key
colours. The colours can flow through a picture, and pictures can scroll
seamlessly into one another or fade into the next.
.
The velmora program shows them in a window, full screen over every monitor,
or inside XScreenSaver, whose settings dialog offers its options; it also
records them as MP4 or WebM videos or animated GIFs. velmora-render writes
still pictures as PNG files.")
# The package's files carry the source's time, not the build's (CPack reads
# SOURCE_DATE_EPOCH; a builder's own value wins).
configure_file(${CMAKE_CURRENT_LIST_DIR}/PackageTime.cmake.in ${CMAKE_BINARY_DIR}/PackageTime.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/PackageTime.cmake)
include(CPack)
