# The Debian package `nimbrel`: the programs, the engine libraries, the CMake package and
# headers, the manual pages, the bash completion, the menu entry, the AppStream entry and the
# icon. Its dependencies come from the binaries (dpkg-shlibdeps).
set(CPACK_PACKAGE_NAME nimbrel)
set(CPACK_PACKAGE_VENDOR "Nimbrel")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Bluetooth device manager")
set(CPACK_PACKAGE_CONTACT "${NIMBREL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Stripped, as Debian ships binaries (the build tree keeps the debug information).
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${NIMBREL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The long description; CPack puts the summary above it and indents it as Debian wants.
set(CPACK_PACKAGE_DESCRIPTION "Nimbrel finds the Bluetooth devices around and shows which of four profiles
each offers (Serial Port, Dial-up Networking, OBEX Object Push, OBEX File
Transfer). It pairs with a PIN and answers PIN requests, turns a remote serial
or dial-up service into a local serial port, pushes, browses and fetches
files, receives files, offers a serial-port service of its own, keeps
shortcuts and re-establishes lost links, on the machine's adapter through
BlueZ or on a simulated neighbourhood.

This package holds the desktop program nimbrel (Qt 6), the console host
nimbrelctl, the settings tool nimbrel-reg, and the engine libraries with
their headers and CMake package.")
if(NOT NIMBREL_HOMEPAGE_URL MATCHES "^https?://example\\.org")
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${NIMBREL_HOMEPAGE_URL}")
endif()
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Our own libraries, which our programs need, are in the package itself: dpkg-shlibdeps runs in
# the package's root, so the folder is given from there (it follows $ORIGIN in RUNPATH too).
string(REGEX REPLACE "^/" "" packaged_prefix "${CPACK_PACKAGING_INSTALL_PREFIX}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${packaged_prefix}/${CMAKE_INSTALL_LIBDIR})
# A shlibs file, so that packages built against the engine depend on this one.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# The program's icons are SVG pictures, which Qt draws through the plugins of libqt6svg6 (the
# program links no symbol of it, so dpkg-shlibdeps cannot find it).
if(TARGET nimbrel-program)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
endif()
# Real Bluetooth needs bluetoothd; the simulated radio works without it. Qt's own translations
# put the standard buttons and key names of the program's dialogs in the user's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "bluez, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "obexftp")

set(CPACK_GENERATOR DEB)
include(CPack)
