# The Debian package's changelog: the entries of NEWS.md as a Debian changelog
# (tools/news.sh), installed as /usr/share/doc/dreieck/changelog.gz, where Debian
# keeps a native package's changelog. Included from the top-level CMakeLists.txt after
# cmake/packaging.cmake, which names the maintainer.
if(WIN32 OR EMSCRIPTEN)
  return()
endif()
include(GNUInstallDirs)
set(DREIECK_CHANGELOG ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(
  OUTPUT ${DREIECK_CHANGELOG}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
  COMMAND bash ${PROJECT_SOURCE_DIR}/tools/news.sh debian-changelog ${PROJECT_SOURCE_DIR}/NEWS.md
          ${PROJECT_VERSION} ${DREIECK_MAINTAINER} ${DREIECK_CHANGELOG}
  DEPENDS ${PROJECT_SOURCE_DIR}/NEWS.md ${PROJECT_SOURCE_DIR}/tools/news.sh
  COMMENT "The package's changelog from NEWS.md"
  VERBATIM)
add_custom_target(dreieck_changelog ALL DEPENDS ${DREIECK_CHANGELOG})
install(FILES ${DREIECK_CHANGELOG} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/dreieck)
