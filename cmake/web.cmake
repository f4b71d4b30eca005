# The browser build, included from the top-level CMakeLists.txt when the toolchain is
# Debian's emscripten (cmake --preset web; binary tree build/web).
#
#   build/web/deps/   pixman, FreeType and Cairo as static wasm libraries, built once
#                     from Debian's sources by tools/build-wasm-deps.sh (its stamp is
#                     the output, so later builds do not run it again)
#   build/web/site/   the static page: its HTML, JavaScript, wasm, font and licences,
#                     its app manifest and service worker
#   build/web/dreieck.html  the same page in one file, for opening without a server
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
  COMMENT "pixman, FreeType and Cairo for WebAssembly from Debian's sources (the first time only, minutes: docs/browser.md)"
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
# Its name in the site, written here alone: index.html names it (configured with it),
# and dreieck.html takes the file index.html names.
set(DREIECK_WEB_FONT_NAME LiberationSans-Regular.ttf)
add_custom_command(
  OUTPUT ${DREIECK_WEB_SITE}/${DREIECK_WEB_FONT_NAME} ${DREIECK_WEB_SITE}/LICENSE-LiberationSans.txt
         ${DREIECK_WEB_SITE}/GPL-2.txt
  COMMAND ${CMAKE_COMMAND} -E make_directory ${DREIECK_WEB_SITE}
  COMMAND ${CMAKE_COMMAND} -E copy ${DREIECK_WEB_FONT} ${DREIECK_WEB_SITE}/${DREIECK_WEB_FONT_NAME}
  COMMAND ${CMAKE_COMMAND} -E copy ${DREIECK_WEB_FONT_LICENCE} ${DREIECK_WEB_SITE}/LICENSE-LiberationSans.txt
  COMMAND ${CMAKE_COMMAND} -E copy /usr/share/common-licenses/GPL-2 ${DREIECK_WEB_SITE}/GPL-2.txt
  DEPENDS ${DREIECK_WEB_FONT} ${DREIECK_WEB_FONT_LICENCE}
  COMMENT "The page's font and its licence"
  VERBATIM)
add_custom_target(web_font ALL DEPENDS ${DREIECK_WEB_SITE}/${DREIECK_WEB_FONT_NAME})

# The page: the program's code, the stand-in, the canvas and the web backend as
# dreieck.js and dreieck.wasm, beside the page's HTML and script; and the same code
# linked once more with the WebAssembly inside the script, for dreieck.html.
target_link_libraries(cairocanvas PUBLIC webcairo)
add_library(dreieck_web_code OBJECT frontends/page/main.cpp frontends/page/script.cpp platform/web/backend.cpp
                                    platform/web/names.cpp platform/web/page.cpp shell/entry.cpp)
target_link_libraries(dreieck_web_code PUBLIC dreieck_driver cairocanvas)
add_executable(dreieck_web $<TARGET_OBJECTS:dreieck_web_code>)
add_executable(dreieck_web_single $<TARGET_OBJECTS:dreieck_web_code>)
foreach(target dreieck_web dreieck_web_single)
  target_link_libraries(${target} PRIVATE dreieck_driver cairocanvas)
endforeach()
set_target_properties(dreieck_web PROPERTIES OUTPUT_NAME dreieck SUFFIX .js RUNTIME_OUTPUT_DIRECTORY ${DREIECK_WEB_SITE})
set_target_properties(dreieck_web_single PROPERTIES OUTPUT_NAME dreieck SUFFIX .js
                                                    RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/single)
target_link_options(dreieck_web_single PRIVATE -sSINGLE_FILE=1)
# The program's message loop waits in the backend for the browser's timeout: Asyncify
# saves and restores the stack of the functions between main() and that wait, and only
# theirs (the rest of the code stays as it is, and as fast).
# (Names as the wasm's name section writes them, "*" for any text; what inlining
# removes is not there to instrument.)
set(DREIECK_WEB_ASYNCIFY_ONLY main __original_main "*SaverUntilAsked*" "*ExploreOnPage*" "*RunSaver*" "*RunSettings*"
    "*RunExplorer*" "*RunEntry*"
    "WinMain(HINSTANCE__*, HINSTANCE__*, char*, int)" "RunMessageLoop()" "explorer::Run*"
    "DialogBoxParamA*"
    "*RunModalLoop*" "GetMessageA(tagMSG*, HWND__*, unsigned int, unsigned int)" "*NextMessage*"
    "web::Backend::Wait(long long)" "web::page::Wait(double)")
list(JOIN DREIECK_WEB_ASYNCIFY_ONLY "\n" asyncify_only)
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/asyncify-only.txt CONTENT "${asyncify_only}\n")
foreach(target dreieck_web dreieck_web_single)
  target_link_options(${target} PRIVATE
    -sENVIRONMENT=web -sMODULARIZE=1 -sEXPORT_NAME=Dreieck -sINVOKE_RUN=0
    -sEXPORTED_RUNTIME_METHODS=callMain -sEXPORTED_FUNCTIONS=_main,_malloc,_free
    -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=33554432 -sFILESYSTEM=0
    -sASYNCIFY=1 -sASYNCIFY_ONLY=@${PROJECT_BINARY_DIR}/asyncify-only.txt ${DREIECK_WEB_ASYNCIFY_ADVISE})
endforeach()
configure_file(frontends/page/site/index.html ${DREIECK_WEB_SITE}/index.html @ONLY)
foreach(file page.js screen.js manifest.webmanifest)
  configure_file(frontends/page/site/${file} ${DREIECK_WEB_SITE}/${file} COPYONLY)
endforeach()

# What the page is made of, for the service worker and the ZIP (cmake/packaging.cmake).
# The app's icons (icons/dreieck-192.png and -512.png, which the manifest names) join
# the site as their own step makes them: sw.js keeps every file of the site.
set(DREIECK_WEB_SITE_FILES)
foreach(file index.html page.js screen.js manifest.webmanifest dreieck.js dreieck.wasm ${DREIECK_WEB_FONT_NAME}
             LICENSE-LiberationSans.txt GPL-2.txt icons/dreieck-192.png icons/dreieck-512.png)
  list(APPEND DREIECK_WEB_SITE_FILES ${DREIECK_WEB_SITE}/${file})
endforeach()

# The service worker: every file of the site kept under the digest of them all
# (frontends/page/site_build.py), and dreieck.html, the page in one file for opening
# without a server (beside the site, not part of it).
find_program(DREIECK_PYTHON python3 REQUIRED)
set(DREIECK_SITE_BUILD ${PROJECT_SOURCE_DIR}/frontends/page/site_build.py)
add_custom_command(
  OUTPUT ${DREIECK_WEB_SITE}/sw.js
  COMMAND ${DREIECK_PYTHON} ${DREIECK_SITE_BUILD} worker ${DREIECK_WEB_SITE}
          ${PROJECT_SOURCE_DIR}/frontends/page/site/sw.js
  DEPENDS ${DREIECK_SITE_BUILD} ${PROJECT_SOURCE_DIR}/frontends/page/site/sw.js ${DREIECK_WEB_SITE_FILES}
          dreieck_web web_font
  COMMENT "The page's service worker (sw.js), named by the build"
  VERBATIM)
set(DREIECK_WEB_SINGLE ${PROJECT_BINARY_DIR}/dreieck.html)
add_custom_command(
  OUTPUT ${DREIECK_WEB_SINGLE}
  COMMAND ${DREIECK_PYTHON} ${DREIECK_SITE_BUILD} single ${DREIECK_WEB_SITE} ${PROJECT_BINARY_DIR}/single/dreieck.js
          ${DREIECK_WEB_SINGLE}
  DEPENDS ${DREIECK_SITE_BUILD} ${DREIECK_WEB_SITE}/index.html ${DREIECK_WEB_SITE}/page.js
          ${DREIECK_WEB_SITE}/screen.js ${DREIECK_WEB_SITE}/${DREIECK_WEB_FONT_NAME} dreieck_web_single web_font
  COMMENT "dreieck.html: the page in one file"
  VERBATIM)
add_custom_target(web_page ALL DEPENDS ${DREIECK_WEB_SITE}/sw.js ${DREIECK_WEB_SINGLE})
list(APPEND DREIECK_WEB_SITE_FILES ${DREIECK_WEB_SITE}/sw.js)

enable_testing()
add_subdirectory(tests/web)
include(cmake/packaging.cmake)
