# The hardening Debian builds its packages with (dpkg-buildflags, hardening=+all), in
# every Linux build but the sanitizers' and the fuzzers': the stack protector, glibc's
# checked functions (_FORTIFY_SOURCE, which needs the optimiser: not in Debug builds),
# format checks, and the whole relocation table read-only once loaded (RELRO with
# BIND_NOW). So the .deb that `cpack` makes in build/host is hardened as the release's
# is; tools/release.sh gives the same flags through dpkg-buildflags, and a fortify level
# given in CXXFLAGS is left as given.
if(NOT WIN32 AND NOT EMSCRIPTEN AND NOT DREIECK_SANITIZE AND NOT DREIECK_FUZZ)
  add_compile_options(-fstack-protector-strong -Wformat -Wformat-security)
  if(NOT CMAKE_CXX_FLAGS MATCHES "_FORTIFY_SOURCE")
    add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  endif()
  add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
