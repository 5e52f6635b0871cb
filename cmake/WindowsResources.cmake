# telvora.exe as Windows shows it: its icon (dist/telvora.svg drawn at the
# sizes Explorer, the Start menu and the taskbar ask for), the version and
# copyright in Properties > Details, and the manifest: themed controls,
# per-monitor DPI awareness, no elevation, Windows 10 and 11, long paths.
enable_language(RC)
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_program(ICOTOOL icotool REQUIRED)

set(TELVORA_ICON ${CMAKE_BINARY_DIR}/telvora.ico)
set(icon_dir ${CMAKE_BINARY_DIR}/icon)
file(MAKE_DIRECTORY ${icon_dir})
set(draw)
set(small)
foreach(size 16 24 32 48 256)
  list(APPEND draw COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${icon_dir}/${size}.png
                           ${CMAKE_SOURCE_DIR}/dist/telvora.svg)
  if(size LESS 256)
    list(APPEND small ${icon_dir}/${size}.png)
  endif()
endforeach()
# The 256-pixel image stays PNG inside the icon, as Windows keeps large ones.
add_custom_command(OUTPUT ${TELVORA_ICON} ${draw}
                   COMMAND ${ICOTOOL} -c -o ${TELVORA_ICON} ${small} --raw=${icon_dir}/256.png
                   DEPENDS ${CMAKE_SOURCE_DIR}/dist/telvora.svg VERBATIM)

string(REPLACE "." "," TELVORA_VERSION_COMMAS "${PROJECT_VERSION},0")
set(TELVORA_VERSION4 "${PROJECT_VERSION}.0")
set(TELVORA_MANIFEST ${CMAKE_BINARY_DIR}/telvora.manifest)
configure_file(dist/windows/telvora.manifest.in ${TELVORA_MANIFEST} @ONLY)
configure_file(dist/windows/telvora.rc.in ${CMAKE_BINARY_DIR}/telvora.rc @ONLY)
set_source_files_properties(${CMAKE_BINARY_DIR}/telvora.rc PROPERTIES
                            OBJECT_DEPENDS "${TELVORA_ICON};${TELVORA_MANIFEST}")

function(telvora_windows_resources target)
  target_sources(${target} PRIVATE ${CMAKE_BINARY_DIR}/telvora.rc)
endfunction()
