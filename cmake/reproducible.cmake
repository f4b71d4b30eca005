# Builds that write the same bytes from the same sources, in any folder, at any time
# (tools/release.sh relies on it; docs/release.md). Included from the top-level
# CMakeLists.txt before any target.
#
# - No build folder in what the compilers write (__FILE__ in the code, the
#   compilation folder and file names in debug information): the source folder is
#   written as ".", the build folder as "build". Only in the build types that are
#   shipped (Release, MinSizeRel): in the others, which are debugged, the debugger
#   finds the sources by their full names.
# - No link time in the Windows program: mingw's ld otherwise writes the time of the
#   link into the PE header (and with it the checksum).
# Everything else that could differ is named in docs/release.md with what removes it:
# archive times and order (SOURCE_DATE_EPOCH, strip-nondeterminism), gzip's name and
# time (gzip -n), file modes (install permissions).
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  # (Not for the resource compiler, which takes no such option.)
  foreach(map ${PROJECT_SOURCE_DIR}=. ${PROJECT_BINARY_DIR}=build)
    add_compile_options("$<$<AND:$<COMPILE_LANGUAGE:C,CXX>,$<CONFIG:Release,MinSizeRel>>:-ffile-prefix-map=${map}>")
  endforeach()
endif()
if(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_link_options(-Wl,--no-insert-timestamp)
endif()
