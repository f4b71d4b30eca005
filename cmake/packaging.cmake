# Installation and packages; included once from the top-level CMakeLists.txt after the
# program targets exist.
#
#   Linux:   `dreieck` in bin/ and, as XScreenSaver's display mode, in libexec/xscreensaver/;
#            its option description for xscreensaver-settings and its man page; its
#            entries in the application menu with its icon and metainfo (appmenu.cmake).
#            `cpack -G DEB` makes dreieck_<version>_<arch>.deb, installed under /usr.
#   Windows: `cpack -G ZIP` makes Dreieck-<version>-win64.zip with Dreieck.scr, README.txt
#            and LICENSE.txt.
#   Browser: `cpack` makes Dreieck-<version>-web.zip: the page (build/web/site) for any
#            static web server, dreieck.html (the page in one file, opened without a
#            server), README.txt and LICENSE.txt.

set(DREIECK_PACKAGE_VERSION ${PROJECT_VERSION})

set(CPACK_PACKAGE_NAME dreieck)
set(CPACK_PACKAGE_VENDOR "The Dreieck developers")
set(CPACK_PACKAGE_VERSION ${DREIECK_PACKAGE_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screensaver of plane triangle geometry")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(DREIECK_MAINTAINER "The Dreieck developers <dreieck@example.org>"
    CACHE STRING "Maintainer named in the Debian package")
set(CPACK_PACKAGE_CONTACT "${DREIECK_MAINTAINER}")
# Directories the installation creates are world-readable whatever the umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
  # One folder in the ZIP: the program and the two texts a Windows user opens with a
  # double click, hence LICENSE.txt and Windows line ends.
  set(DREIECK_PACKAGING_DIR ${PROJECT_BINARY_DIR}/packaging)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/README.txt
                 ${DREIECK_PACKAGING_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${DREIECK_PACKAGING_DIR}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  install(TARGETS dreieck_scr RUNTIME DESTINATION .)
  install(FILES ${DREIECK_PACKAGING_DIR}/README.txt ${DREIECK_PACKAGING_DIR}/LICENSE.txt DESTINATION .)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME Dreieck-${DREIECK_PACKAGE_VERSION}-win64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
elseif(EMSCRIPTEN)
  # The page's files, named one by one (cmake/web.cmake makes them), each in its folder
  # of the site (icons/); dreieck.html beside them, which is what the README tells a
  # user to open, and Dreieck's own licence; the page loads neither of the last two.
  foreach(file ${DREIECK_WEB_SITE_FILES})
    file(RELATIVE_PATH site_path ${DREIECK_WEB_SITE} ${file})
    get_filename_component(site_folder ./${site_path} DIRECTORY)
    install(FILES ${file} DESTINATION ${site_folder})
  endforeach()
  set(DREIECK_PACKAGING_DIR ${PROJECT_BINARY_DIR}/packaging)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/web/README.txt ${DREIECK_PACKAGING_DIR}/README.txt @ONLY)
  install(FILES ${DREIECK_WEB_SINGLE} ${DREIECK_PACKAGING_DIR}/README.txt DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME Dreieck-${DREIECK_PACKAGE_VERSION}-web)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  include(GNUInstallDirs)
  set(DREIECK_PACKAGING_DIR ${PROJECT_BINARY_DIR}/packaging)

  install(TARGETS dreieck RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # XScreenSaver runs display modes from its own folder (/usr/libexec/xscreensaver on
  # Debian), which comes first in their PATH. The program there is a relative link to
  # the one in bin/, so a package or a staged install moves as a whole.
  file(RELATIVE_PATH DREIECK_HACK_LINK
       ${CMAKE_INSTALL_FULL_LIBEXECDIR}/xscreensaver ${CMAKE_INSTALL_FULL_BINDIR}/dreieck)
  file(MAKE_DIRECTORY ${DREIECK_PACKAGING_DIR}/xscreensaver)
  file(CREATE_LINK ${DREIECK_HACK_LINK} ${DREIECK_PACKAGING_DIR}/xscreensaver/dreieck SYMBOLIC)
  install(FILES ${DREIECK_PACKAGING_DIR}/xscreensaver/dreieck
          DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver)
  # xscreensaver-settings finds a mode's options by the mode's name.
  install(FILES ${PROJECT_SOURCE_DIR}/frontends/linux/dreieck.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/dreieck RENAME copyright)
  # The desktop entries, the icon theme's icons and the AppStream metainfo.
  include(${PROJECT_SOURCE_DIR}/cmake/appmenu.cmake)

  # The man page, its options from the option table and the version filled in, beside
  # the program (man -l build/host/dreieck.6), and compressed as Debian ships them:
  # gzip -9, without name and time stamp, so that the same source gives the same package.
  add_custom_command(
    OUTPUT ${PROJECT_BINARY_DIR}/dreieck.6
    COMMAND dreieck_manual ${PROJECT_SOURCE_DIR}/frontends/linux/dreieck.6.in ${PROJECT_BINARY_DIR}/dreieck.6
            ${PROJECT_VERSION}
    DEPENDS dreieck_manual ${PROJECT_SOURCE_DIR}/frontends/linux/dreieck.6.in
    VERBATIM)
  add_custom_target(dreieck_page ALL DEPENDS ${PROJECT_BINARY_DIR}/dreieck.6)
  find_program(DREIECK_GZIP gzip)
  if(DREIECK_GZIP)
    add_custom_command(
      OUTPUT ${DREIECK_PACKAGING_DIR}/man/dreieck.6.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${DREIECK_PACKAGING_DIR}/man
      COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_BINARY_DIR}/dreieck.6 ${DREIECK_PACKAGING_DIR}/man/dreieck.6
      COMMAND ${DREIECK_GZIP} -9 -n -f ${DREIECK_PACKAGING_DIR}/man/dreieck.6
      DEPENDS ${PROJECT_BINARY_DIR}/dreieck.6
      VERBATIM)
    add_custom_target(dreieck_man ALL DEPENDS ${DREIECK_PACKAGING_DIR}/man/dreieck.6.gz)
    install(FILES ${DREIECK_PACKAGING_DIR}/man/dreieck.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  else()
    install(FILES ${PROJECT_BINARY_DIR}/dreieck.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  endif()

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_DEBIAN_PACKAGE_NAME dreieck)
  set(CPACK_DEBIAN_PACKAGE_SECTION x11)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${DREIECK_MAINTAINER}")
  string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "Dreieck shows the classical constructions of plane triangle geometry, one\n"
      "at a time: a random triangle, then its medians with the centroid, the\n"
      "incircle, the circumcircle, the altitudes with the orthocenter, the\n"
      "nine-point circle, the Euler line and the three excircles, each in its\n"
      "own colour and labelled with its German name.\n"
      ".\n"
      "It is an XScreenSaver display mode, the screensaver of Wayland desktops\n"
      "(every output covered until a key or the pointer moves; swayidle starts\n"
      "it), runs in a window or full screen on X11 and Wayland, and writes\n"
      "single pictures as PNG, SVG or PDF.")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xscreensaver)
  # What starts the saver after a while without input on a Wayland desktop.
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS swayidle)

  find_program(DREIECK_DPKG dpkg)
  if(DREIECK_DPKG)
    execute_process(COMMAND ${DREIECK_DPKG} --print-architecture
                    OUTPUT_VARIABLE DREIECK_DEB_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE)
  endif()
  if(NOT DREIECK_DEB_ARCH)
    set(DREIECK_DEB_ARCH amd64)
  endif()
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${DREIECK_DEB_ARCH})
  set(CPACK_DEBIAN_FILE_NAME dreieck_${DREIECK_PACKAGE_VERSION}_${DREIECK_DEB_ARCH}.deb)

  # The libraries come from the linked program (Cairo, Xlib, libwayland-client and
  # -cursor, xkbcommon, the C and C++ runtimes, with the versions it needs). Fontconfig, which finds the labels' font, and the font
  # itself are named here: the program reaches them only through Cairo, so no linker
  # sees them.
  find_program(DREIECK_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(DREIECK_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libfontconfig1, fonts-liberation")
  else()
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcairo2, libpixman-1-0, libx11-6, libwayland-client0, libwayland-cursor0, libxkbcommon0, libfontconfig1, fonts-liberation")
  endif()
endif()

include(CPack)
