# What a technician installs. On Linux the files of a desktop program
# (make install) and the Debian package made of them (make package, CPack's
# DEB generator); on Windows the setup program and the portable zip (make
# package, the windows-packages target).
include(GNUInstallDirs)
install(TARGETS telvora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

if(WIN32)
  set(TELVORA_SETUP ${CMAKE_BINARY_DIR}/telvora-${PROJECT_VERSION}-win64-setup.exe)
  set(TELVORA_ZIP ${CMAKE_BINARY_DIR}/telvora-${PROJECT_VERSION}-win64.zip)
  set(TELVORA_NSIS_SCRIPT ${CMAKE_SOURCE_DIR}/dist/windows/telvora.nsi)
  # All but the version and the output file: the package tests make an older
  # setup program with the same.
  set(TELVORA_SETUP_DEFINES -DPUBLISHER=${TELVORA_PUBLISHER} -DCOPYRIGHT=${TELVORA_COPYRIGHT}
      -DEXE=$<TARGET_FILE:telvora> -DICON=${TELVORA_ICON} -DREADME=${CMAKE_SOURCE_DIR}/README.md
      -DLICENSE=${CMAKE_SOURCE_DIR}/LICENSE)
  # makensis by name: make package installs it after this build may have been configured.
  add_custom_command(OUTPUT ${TELVORA_SETUP}
                     COMMAND makensis -V2 -DVERSION=${PROJECT_VERSION} ${TELVORA_SETUP_DEFINES}
                             -DOUTFILE=${TELVORA_SETUP} ${TELVORA_NSIS_SCRIPT}
                     DEPENDS telvora ${TELVORA_ICON} ${TELVORA_NSIS_SCRIPT} README.md LICENSE
                     VERBATIM)
  add_custom_command(OUTPUT ${TELVORA_ZIP}
                     COMMAND ${CMAKE_COMMAND} -E tar cf ${TELVORA_ZIP} --format=zip telvora.exe
                     DEPENDS telvora VERBATIM)
  add_custom_target(windows-packages DEPENDS ${TELVORA_SETUP} ${TELVORA_ZIP})
  return()
endif()

install(FILES dist/telvora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES dist/telvora.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The manual page and the changelog go compressed, without a time stamp in
# them, so the same tree makes the same package.
configure_file(dist/telvora.1.in telvora.1 @ONLY)
set(changelog_script ${CMAKE_SOURCE_DIR}/scripts/debian-changelog.sh)
add_custom_command(OUTPUT telvora.1.gz COMMAND gzip -9nkf telvora.1
                   DEPENDS ${CMAKE_BINARY_DIR}/telvora.1 VERBATIM)
add_custom_command(OUTPUT changelog.gz
                   COMMAND ${changelog_script} telvora ${TELVORA_CONTACT} ${CMAKE_SOURCE_DIR}/CHANGELOG.md
                           changelog
                   COMMAND gzip -9nf changelog
                   DEPENDS ${changelog_script} CHANGELOG.md VERBATIM)
add_custom_target(compressed-docs ALL DEPENDS telvora.1.gz changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/telvora.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
set(docdir ${CMAKE_INSTALL_DATADIR}/doc/telvora)
install(FILES ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${docdir})
install(FILES LICENSE DESTINATION ${docdir} RENAME copyright)

execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE architecture
                OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
set(TELVORA_DEB ${CMAKE_BINARY_DIR}/telvora_${PROJECT_VERSION}_${architecture}.deb)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME telvora)
set(CPACK_PACKAGE_VENDOR ${TELVORA_PUBLISHER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "test whether a dial-up modem can serve the 4700 and 5700 rovers")
set(CPACK_PACKAGE_DESCRIPTION
    "Telvora tells whether the dial-up modem on a serial port can serve rover\n\
equipment of models 4700 and 5700 through cable 37779, and how the modem must\n\
be set up. It detects the modem, runs the scripted Rover Test and the Saving\n\
Settings Test and logs every step, in its window or in the terminal\n\
(telvora --run). A simulated modem lets every procedure run without hardware.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TELVORA_CONTACT})
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the binary links (Qt 6, the C++ runtime), as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
