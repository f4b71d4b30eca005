# The Wayland backend (platform/wayland): its client code made from the protocols' XML
# by wayland-scanner at build time, and the library the Linux program links. Included
# from CMakeLists.txt in the host build.
#
# The protocols: xdg-shell and viewporter (stable) and fractional-scale-v1 (staging)
# come from Debian's wayland-protocols, as installed; the layer shell, which Debian does
# not package on its own (only inside the wlroots source package), is the part Dreieck
# uses, written from the protocol's documented interface
# (platform/wayland/protocols/wlr-layer-shell-unstable-v1.xml). Taking it from the
# wlroots sources at configure time, as the browser build takes its libraries, would
# make every build of the Linux program, the X11 one and the tests included, reach for
# the network (or a deb-src mirror) once; written here, the whole host build stays
# offline, and what the file has to say is small: two interfaces, nine requests and
# two events whose numbers and types are fixed by the protocol's version 1.
pkg_check_modules(WAYLAND REQUIRED IMPORTED_TARGET wayland-client wayland-cursor xkbcommon)
pkg_check_modules(WAYLAND_PROTOCOLS REQUIRED wayland-protocols)
pkg_get_variable(WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
pkg_get_variable(WAYLAND_SCANNER wayland-scanner wayland_scanner)
if(NOT WAYLAND_SCANNER)
  find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)
endif()
# The scanner writes C.
enable_language(C)

set(DREIECK_WAYLAND_DIR ${DREIECK_GENERATED_DIR}/wayland)
# dreieck_wayland_protocol(XML VAR): the client header and code of the protocol XML,
# made into the generated folder; their paths are appended to VAR.
function(dreieck_wayland_protocol xml var)
  get_filename_component(name ${xml} NAME_WE)
  set(header ${DREIECK_WAYLAND_DIR}/${name}-client-protocol.h)
  set(code ${DREIECK_WAYLAND_DIR}/${name}-protocol.c)
  add_custom_command(OUTPUT ${header} ${code}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${DREIECK_WAYLAND_DIR}
    COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${header}
    COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${code}
    DEPENDS ${xml}
    COMMENT "Writing the client code of ${name}.xml")
  set(${var} ${${var}} ${header} ${code} PARENT_SCOPE)
endfunction()

set(DREIECK_WAYLAND_CODE "")
foreach(xml ${WAYLAND_PROTOCOLS_DIR}/stable/xdg-shell/xdg-shell.xml
            ${WAYLAND_PROTOCOLS_DIR}/stable/viewporter/viewporter.xml
            ${WAYLAND_PROTOCOLS_DIR}/staging/fractional-scale/fractional-scale-v1.xml
            ${CMAKE_CURRENT_SOURCE_DIR}/platform/wayland/protocols/wlr-layer-shell-unstable-v1.xml)
  dreieck_wayland_protocol(${xml} DREIECK_WAYLAND_CODE)
endforeach()

add_library(waylandbackend STATIC platform/wayland/backend.cpp platform/wayland/input.cpp
                                  platform/wayland/shm_image.cpp ${DREIECK_WAYLAND_CODE})
target_include_directories(waylandbackend PUBLIC ${DREIECK_WAYLAND_DIR})
target_link_libraries(waylandbackend PUBLIC cairocanvas PkgConfig::WAYLAND)
