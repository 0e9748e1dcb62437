# Installation and the Debian package. `cmake --install` places the analyzer
# and the converter simulator with their manual pages, the desktop entry and
# the file types it opens, the AppStream metadata, the program's icon in the
# hicolor theme, and the copyright and changelog; `cpack -G DEB` packs the same tree with its
# shared-library dependencies computed by dpkg-shlibdeps.
include(GNUInstallDirs)

set(TALVOX_RESOURCES ${CMAKE_SOURCE_DIR}/resources)
set(TALVOX_COMPRESSED ${CMAKE_BINARY_DIR}/resources)

if(TARGET talvox-analyzer)
  install(TARGETS talvox-analyzer RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${TALVOX_COMPRESSED}/man/talvox-analyzer.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${TALVOX_RESOURCES}/talvox-analyzer.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${TALVOX_RESOURCES}/com.quorvane.talvox_analyzer.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  # The ".ctd" and ".dbc" file types the desktop entry opens. dpkg's trigger
  # on this folder rebuilds the system's MIME cache; a prefix install needs
  # `update-mime-database <prefix>/share/mime` by hand.
  install(FILES ${TALVOX_RESOURCES}/talvox-analyzer-mime.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
          RENAME talvox-analyzer.xml)
  foreach(size 16 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/talvox-analyzer-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME talvox-analyzer.png)
  endforeach()
endif()
if(TARGET talvox-sim)
  install(TARGETS talvox-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${TALVOX_COMPRESSED}/man/talvox-sim.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  # The signal database of the simulator's traffic, for trying the decoding and the plot.
  install(FILES ${CMAKE_SOURCE_DIR}/sim/talvox-sim.dbc
    DESTINATION ${CMAKE_INSTALL_DATADIR}/talvox-analyzer)
endif()
# Debian's names for them, in the package's own folder whatever the project's
# name.
install(FILES ${TALVOX_RESOURCES}/debian/copyright ${TALVOX_COMPRESSED}/debian/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/talvox-analyzer)

set(CPACK_PACKAGE_NAME "talvox-analyzer")
set(CPACK_PACKAGE_VENDOR "Quorvane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Analyzer for the Talvox serial-to-CAN converter")
# Lines within 80 columns: the package tools show them as they are.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Configures the Talvox converter, a box that bridges a serial port and a CAN
bus (bit rate, receive mode, receive ID and mask, error reports, UART speed),
shows received CAN frames by line and by identifier with the converter's
events, sends frames once or periodically from a kept list, and logs received
frames and events to files. The user interface is in Korean.

Includes talvox-sim, a converter simulator on a pseudo-terminal.")
set(CPACK_PACKAGE_CONTACT "Talvox Analyzer developers <talvox@quorvane.invalid>")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "talvox-analyzer")
set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's Korean translations, for Qt's own dialogs; the computed library
# dependencies are added to this.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
# The list font's Korean glyphs; without it Hangul draws as boxes.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-nanum")
set(CPACK_STRIP_FILES ON)
include(CPack)
