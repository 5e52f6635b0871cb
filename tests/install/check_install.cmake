# Installs the build into a fresh prefix and checks the files a desktop
# install needs; the menu entry must pass desktop-file-validate.
set(prefix "${BUILD_DIR}/install-check")
file(REMOVE_RECURSE "${prefix}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}"
                OUTPUT_QUIET RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed")
endif()
foreach(file bin/telvora share/applications/telvora.desktop
             share/icons/hicolor/scalable/apps/telvora.svg share/man/man1/telvora.1.gz
             share/doc/telvora/copyright share/doc/telvora/changelog.gz)
  if(NOT EXISTS "${prefix}/${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
find_program(VALIDATE desktop-file-validate)
if(VALIDATE)
  execute_process(COMMAND ${VALIDATE} "${prefix}/share/applications/telvora.desktop"
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "desktop-file-validate rejects the menu entry")
  endif()
endif()
file(REMOVE_RECURSE "${prefix}")
