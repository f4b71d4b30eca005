# The browser build, included from the top-level CMakeLists.txt when the toolchain is
# Debian's emscripten (cmake --preset web; binary tree build/web).
#
#   build/web/deps/   pixman, FreeType and Cairo as static wasm libraries, built once
#                     from Debian's sources by tools/build-wasm-deps.sh (its stamp is
#                     the output, so later builds do not run it again)
#   build/web/site/   the static page: its HTML, JavaScript, wasm, font and licences
#
# Debian's emscripten runs on the machine's node, which finds the JavaScript modules
# emcc needs only with NODE_PATH=/usr/share/nodejs: every compile and link step gets it
# here, so that a plain `cmake --build build/web` works as well as the preset.

# (Another build's deps may be named, as tools/release.sh names the checkout's own.)
set(DREIECK_WEB_DEPS ${PROJECT_BINARY_DIR}/deps CACHE PATH "pixman, FreeType and Cairo for WebAssembly")
set(DREIECK_WEB_SITE ${PROJECT_BINARY_DIR}/site)
set(DREIECK_NODE_ENV ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
set(CMAKE_CXX_COMPILER_LAUNCHER ${DREIECK_NODE_ENV})
set(CMAKE_CXX_LINKER_LAUNCHER ${DREIECK_NODE_ENV})

# Cairo with its SVG surface, for the explorer's SVG download: it brings libpng and zlib
# with it (some 50 KB more gzipped, and two more libraries to build the first time).
set(web_deps_args --svg ${DREIECK_WEB_DEPS})
set(web_deps_libs ${DREIECK_WEB_DEPS}/lib/libcairo.a ${DREIECK_WEB_DEPS}/lib/libfreetype.a
                  ${DREIECK_WEB_DEPS}/lib/libpixman-1.a ${DREIECK_WEB_DEPS}/lib/libpng16.a
                  ${DREIECK_WEB_DEPS}/lib/libz.a)
# Rewritten only when the options change, so that make builds the libraries again then.
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/web-deps-options.txt CONTENT "${web_deps_args}\n")
add_custom_command(
  OUTPUT ${DREIECK_WEB_DEPS}/stamp
  COMMAND ${PROJECT_SOURCE_DIR}/tools/build-wasm-deps.sh ${web_deps_args}
  DEPENDS ${PROJECT_SOURCE_DIR}/tools/build-wasm-deps.sh ${PROJECT_SOURCE_DIR}/tools/patches/cairo-spline-callbacks.patch
          ${PROJECT_BINARY_DIR}/web-deps-options.txt
  COMMENT "pixman, FreeType and Cairo for WebAssembly from Debian's sources (the first time only, about 7 minutes)"
  USES_TERMINAL VERBATIM)
add_custom_target(web_deps DEPENDS ${DREIECK_WEB_DEPS}/stamp)

# Cairo with FreeType for the page.
add_library(webcairo INTERFACE)
target_include_directories(webcairo INTERFACE ${DREIECK_WEB_DEPS}/include/cairo
                                               ${DREIECK_WEB_DEPS}/include/freetype2)
target_link_libraries(webcairo INTERFACE ${web_deps_libs})
add_dependencies(webcairo web_deps)

# The label font: no fontconfig on the page, so the file itself goes beside it, with
# its licence (GPL-2 with the font exception; the GPL's text beside it).
set(DREIECK_WEB_FONT /usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf
    CACHE FILEPATH "the font the page draws its labels with")
set(DREIECK_WEB_FONT_LICENCE /usr/share/doc/fonts-liberation/copyright
    CACHE FILEPATH "the licence of DREIECK_WEB_FONT")
add_custom_command(
  OUTPUT ${DREIECK_WEB_SITE}/LiberationSans-Regular.ttf ${DREIECK_WEB_SITE}/LICENSE-LiberationSans.txt
         ${DREIECK_WEB_SITE}/GPL-2.txt
  COMMAND ${CMAKE_COMMAND} -E make_directory ${DREIECK_WEB_SITE}
  COMMAND ${CMAKE_COMMAND} -E copy ${DREIECK_WEB_FONT} ${DREIECK_WEB_SITE}/LiberationSans-Regular.ttf
  COMMAND ${CMAKE_COMMAND} -E copy ${DREIECK_WEB_FONT_LICENCE} ${DREIECK_WEB_SITE}/LICENSE-LiberationSans.txt
  COMMAND ${CMAKE_COMMAND} -E copy /usr/share/common-licenses/GPL-2 ${DREIECK_WEB_SITE}/GPL-2.txt
  DEPENDS ${DREIECK_WEB_FONT} ${DREIECK_WEB_FONT_LICENCE}
  COMMENT "The page's font and its licence"
  VERBATIM)
add_custom_target(web_font ALL DEPENDS ${DREIECK_WEB_SITE}/LiberationSans-Regular.ttf)

# The page: the program's code, the stand-in, the canvas and the web backend as
# dreieck.js and dreieck.wasm, beside the page's HTML and script.
target_link_libraries(cairocanvas PUBLIC webcairo)
add_executable(dreieck_web frontends/page/main.cpp frontends/page/script.cpp platform/web/backend.cpp
                           platform/web/page.cpp shell/entry.cpp)
target_link_libraries(dreieck_web PRIVATE dreieck_driver cairocanvas)
set_target_properties(dreieck_web PROPERTIES OUTPUT_NAME dreieck SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${DREIECK_WEB_SITE})
# The program's message loop waits in the backend for the browser's timeout: Asyncify
# saves and restores the stack of the functions between main() and that wait, and only
# theirs (the rest of the code stays as it is, and as fast).
# (Names as the wasm's name section writes them, "*" for any text; what inlining
# removes is not there to instrument.)
set(DREIECK_WEB_ASYNCIFY_ONLY main __original_main "*RunSaver*" "*RunSettings*" "*RunExplorer*" "*RunEntry*"
    "WinMain(HINSTANCE__*, HINSTANCE__*, char*, int)" "RunMessageLoop()" "explorer::Run*"
    "DialogBoxParamA*"
    "*RunModalLoop*" "GetMessageA(tagMSG*, HWND__*, unsigned int, unsigned int)" "*NextMessage*"
    "web::Backend::Wait(long long)" "web::page::Wait(double)")
list(JOIN DREIECK_WEB_ASYNCIFY_ONLY "\n" asyncify_only)
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/asyncify-only.txt CONTENT "${asyncify_only}\n")
target_link_options(dreieck_web PRIVATE
  -sENVIRONMENT=web -sMODULARIZE=1 -sEXPORT_NAME=Dreieck -sINVOKE_RUN=0
  -sEXPORTED_RUNTIME_METHODS=callMain -sEXPORTED_FUNCTIONS=_main,_malloc,_free
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=33554432 -sFILESYSTEM=0
  -sASYNCIFY=1 -sASYNCIFY_ONLY=@${PROJECT_BINARY_DIR}/asyncify-only.txt ${DREIECK_WEB_ASYNCIFY_ADVISE})
foreach(file index.html page.js)
  configure_file(frontends/page/site/${file} ${DREIECK_WEB_SITE}/${file} COPYONLY)
endforeach()

# What the page is made of, for the ZIP (cmake/packaging.cmake).
set(DREIECK_WEB_SITE_FILES)
foreach(file index.html page.js dreieck.js dreieck.wasm LiberationSans-Regular.ttf LICENSE-LiberationSans.txt
             GPL-2.txt icons/dreieck-192.png icons/dreieck-512.png)
  list(APPEND DREIECK_WEB_SITE_FILES ${DREIECK_WEB_SITE}/${file})
endforeach()

enable_testing()
add_subdirectory(tests/web)
include(cmake/packaging.cmake)
