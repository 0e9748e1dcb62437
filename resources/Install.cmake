# Installation and the Debian package. `cmake --install` places the analyzer
# and the converter simulator, the desktop entry and the program's icon in the
# hicolor theme; `cpack -G DEB` packs the same tree with its shared-library
# dependencies computed by dpkg-shlibdeps.
include(GNUInstallDirs)

if(TARGET talvox-analyzer)
  install(TARGETS talvox-analyzer RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/resources/talvox-analyzer.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  foreach(size 16 32 48 64 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/resources/icons/talvox-analyzer-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME talvox-analyzer.png)
  endforeach()
endif()
if(TARGET talvox-sim)
  install(TARGETS talvox-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(CPACK_PACKAGE_NAME "talvox-analyzer")
set(CPACK_PACKAGE_VENDOR "Quorvane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Analyzer for the Talvox serial-to-CAN converter")
set(CPACK_PACKAGE_DESCRIPTION
  "Configures the Talvox converter (bit rate, receive mode, filter, UART speed), shows received CAN frames and converter events, sends frames from a kept list and logs both streams to files. Includes talvox-sim, a converter simulator on a pseudo-terminal.")
set(CPACK_PACKAGE_CONTACT "Talvox Analyzer developers <talvox@quorvane.invalid>")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "talvox-analyzer")
set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The list font's Korean glyphs; without it Hangul draws as boxes.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-nanum")
set(CPACK_STRIP_FILES ON)
include(CPack)
