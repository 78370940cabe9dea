# The Debian package, built by CPack from this build's own install rules (scripts/make-package.sh):
# build/ombrisk_<version>_amd64.deb with both programs, the menu entry, the icons, the manual pages
# and the software centre's entry. The libraries it needs are found by dpkg-shlibdeps in the
# stripped programs; packaging/deb/stage.cmake adds what Debian asks of every package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ombrisk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${OMBRISK_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turn a picture into a sound whose spectrogram shows it")
set(CPACK_PACKAGE_DESCRIPTION
    "Ombrisk reads a picture as a spectrogram and makes the sound that has it:\n"
    "every column becomes a slice of time, every row a frequency, every grey a\n"
    "loudness. It also draws any wave file as a spectrogram and plays it with a\n"
    "playhead over the picture.\n"
    "\n"
    "This package holds the desktop program (ombrisk) and the command-line\n"
    "program (ombrisk-cli), which runs the same synthesis and analysis for batch\n"
    "work.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Added to what dpkg-shlibdeps finds: the figures' text is drawn with DejaVu Sans, a file no
# binary links. The Japanese messages need a CJK face to show as more than boxes.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/deb/stage.cmake)
# Read by stage.cmake (CPack passes on the CPACK_ variables only).
set(CPACK_OMBRISK_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging/deb)
set(CPACK_OMBRISK_RELEASE_DATE ${OMBRISK_RELEASE_DATE})
set(CPACK_OMBRISK_LICENSE ${OMBRISK_LICENSE})
include(CPack)
