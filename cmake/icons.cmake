# Dreieck's icon in the sizes and formats the desktops and the page ask for, made at
# build time from the one icon in res/ (res/dreieck.ico, 16 x 16 in 16 colours) by
# tools/icons.py; included from the top-level CMakeLists.txt in the host and the
# browser build alike (the generator is Python 3, which runs under either toolchain).
#
#   host build:     icons/hicolor/NxN/apps/dreieck.png (16 to 256) and
#                   icons/hicolor/scalable/apps/dreieck.svg, installed into the icon
#                   theme (cmake/appmenu.cmake); generated/window_icon.cpp, the table
#                   the X11 backend sets as _NET_WM_ICON (16, 32, 48)
#   browser build:  site/icons/dreieck-192.png and dreieck-512.png, named by the web
#                   app's manifest
#
# The PNGs are the 16 x 16 art enlarged by nearest neighbour, pixel for pixel, on a
# transparent ground; the SVG has the art's pixels as rectangles.

set(DREIECK_ICON ${PROJECT_SOURCE_DIR}/res/dreieck.ico)
set(DREIECK_ICON_TOOL ${PROJECT_SOURCE_DIR}/tools/icons.py)

# A Python 3 with Pillow (Debian: python3-pil). Debian's own comes first: a python3
# earlier on PATH (pyenv, a virtual environment) often has no Pillow.
set(DREIECK_PYTHON "" CACHE FILEPATH "Python 3 with Pillow, for the icons (empty: the first one found)")
if(NOT DREIECK_PYTHON)
  find_program(dreieck_path_python3 python3 NO_CMAKE_FIND_ROOT_PATH)
  foreach(candidate /usr/bin/python3 ${dreieck_path_python3})
    if(EXISTS ${candidate})
      execute_process(COMMAND ${candidate} -c "import PIL" RESULT_VARIABLE no_pillow OUTPUT_QUIET ERROR_QUIET)
      if(no_pillow EQUAL 0)
        set(DREIECK_PYTHON ${candidate} CACHE FILEPATH "Python 3 with Pillow, for the icons" FORCE)
        break()
      endif()
    endif()
  endforeach()
  if(NOT DREIECK_PYTHON)
    message(FATAL_ERROR "The icons need Python 3 with Pillow (Debian: python3-pil, which tools/install-deps.sh "
                        "installs); -DDREIECK_PYTHON=FILE names another Python")
  endif()
endif()

set(icon_args ${DREIECK_ICON})
set(icon_outputs)
if(EMSCRIPTEN)
  foreach(size 192 512)
    list(APPEND icon_args --png ${size} ${PROJECT_BINARY_DIR}/site/icons/dreieck-${size}.png)
    list(APPEND icon_outputs ${PROJECT_BINARY_DIR}/site/icons/dreieck-${size}.png)
  endforeach()
else()
  set(DREIECK_ICON_THEME_DIR ${PROJECT_BINARY_DIR}/icons/hicolor)
  set(DREIECK_ICON_SIZES 16 22 24 32 48 64 128 256)
  foreach(size ${DREIECK_ICON_SIZES})
    set(png ${DREIECK_ICON_THEME_DIR}/${size}x${size}/apps/dreieck.png)
    list(APPEND icon_args --png ${size} ${png})
    list(APPEND icon_outputs ${png})
  endforeach()
  list(APPEND icon_args --svg ${DREIECK_ICON_THEME_DIR}/scalable/apps/dreieck.svg)
  list(APPEND icon_outputs ${DREIECK_ICON_THEME_DIR}/scalable/apps/dreieck.svg)
  # frontends/linux/window_icon.h declares it; the Linux program compiles it.
  set(DREIECK_WINDOW_ICON_CPP ${DREIECK_GENERATED_DIR}/window_icon.cpp)
  list(APPEND icon_args --cardinals ${DREIECK_WINDOW_ICON_CPP} 16 32 48)
  list(APPEND icon_outputs ${DREIECK_WINDOW_ICON_CPP})
endif()
add_custom_command(
  OUTPUT ${icon_outputs}
  COMMAND ${DREIECK_PYTHON} ${DREIECK_ICON_TOOL} ${icon_args}
  DEPENDS ${DREIECK_ICON} ${DREIECK_ICON_TOOL}
  COMMENT "Dreieck's icon in every size, from res/dreieck.ico"
  VERBATIM)
add_custom_target(dreieck_icons ALL DEPENDS ${icon_outputs})
