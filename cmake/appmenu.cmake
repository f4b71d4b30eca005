# Dreieck in the application menu of a Linux desktop; included from
# cmake/packaging.cmake in the host build, so that `cmake --install` and the .deb
# install the same files (paths under the installation prefix, /usr in the .deb):
#
#   share/applications/ID.desktop         the explorer, "Dreieck": dreieck --explore
#   share/applications/ID.saver.desktop   the screensaver in a window of its own
#   share/icons/hicolor/NxN/apps/dreieck.png, scalable/apps/dreieck.svg
#                                          the icon (cmake/icons.cmake makes them)
#   share/metainfo/ID.metainfo.xml        what software centres show (AppStream)
#
# ID is DREIECK_APP_ID, a reverse domain name. The program's own windows carry the class
# "Dreieck" on X11 (platform/x11/own_window.cpp), which the explorer's entry names, and
# the app id ID on Wayland, so that a desktop shows them under its icon.
set(DREIECK_APP_ID org.example.dreieck
    CACHE STRING "Reverse domain name of the desktop entries and the AppStream metainfo")
set(DREIECK_HOMEPAGE https://dreieck.example.org
    CACHE STRING "Where the project is published: the metainfo's homepage; its screenshot is docs/dreieck.png there")
if(NOT DREIECK_APP_ID MATCHES "^[a-z][a-z0-9_]*(\\.[a-z][a-z0-9_]*)+$")
  message(FATAL_ERROR "DREIECK_APP_ID is no reverse domain name of lower-case words: '${DREIECK_APP_ID}'")
endif()
if(NOT DREIECK_HOMEPAGE MATCHES "^https?://[^/ ]+(/[^ ]*[^/ ])?$")
  message(FATAL_ERROR "DREIECK_HOMEPAGE is no web address without a final slash: '${DREIECK_HOMEPAGE}'")
endif()

# On Wayland a window names its application by the desktop entry's name (xdg_toplevel's
# app id), which the program takes from here (frontends/linux/wayland.cpp).
target_compile_definitions(linuxprogram PRIVATE DREIECK_APP_ID="${DREIECK_APP_ID}")

set(DREIECK_APPMENU_DIR ${PROJECT_BINARY_DIR}/packaging/appmenu)
configure_file(${PROJECT_SOURCE_DIR}/packaging/linux/explorer.desktop.in
               ${DREIECK_APPMENU_DIR}/${DREIECK_APP_ID}.desktop COPYONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/linux/saver.desktop.in
               ${DREIECK_APPMENU_DIR}/${DREIECK_APP_ID}.saver.desktop COPYONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/linux/metainfo.xml.in
               ${DREIECK_APPMENU_DIR}/${DREIECK_APP_ID}.metainfo.xml @ONLY)
install(FILES ${DREIECK_APPMENU_DIR}/${DREIECK_APP_ID}.desktop ${DREIECK_APPMENU_DIR}/${DREIECK_APP_ID}.saver.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${DREIECK_APPMENU_DIR}/${DREIECK_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size ${DREIECK_ICON_SIZES})
  install(FILES ${DREIECK_ICON_THEME_DIR}/${size}x${size}/apps/dreieck.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${DREIECK_ICON_THEME_DIR}/scalable/apps/dreieck.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
