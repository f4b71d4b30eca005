# The Windows product: a small GUI program, linked statically against the compiler's
# runtime so that it needs only system DLLs.
target_compile_options(dreieck_core PRIVATE -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables)

# Dreieck.scr: the core, the entry and the resources (the settings dialog, icon and
# version from dialog.rc; the name and the manifest from product.rc).
enable_language(RC)
file(GLOB DREIECK_RESOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/res/*.rc)
add_executable(dreieck_scr WIN32 shell/entry.cpp ${DREIECK_RESOURCES})
set_target_properties(dreieck_scr PROPERTIES OUTPUT_NAME Dreieck SUFFIX .scr)
# The generated folder comes first: it holds the manifest with the version filled in.
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/res/Dreieck.manifest.in ${DREIECK_GENERATED_DIR}/Dreieck.manifest @ONLY)
target_include_directories(dreieck_scr PRIVATE ${DREIECK_GENERATED_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/res)
target_compile_options(dreieck_scr PRIVATE
  $<$<COMPILE_LANGUAGE:CXX>:-Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables>)
target_link_libraries(dreieck_scr PRIVATE dreieck_core)
# -static: no libwinpthread-1.dll or libstdc++ DLL beside the program; -s: stripped.
target_link_options(dreieck_scr PRIVATE -static -s -Os -mwindows)
# The manifest is read by the resource compiler; a change to it must rebuild.
set_property(SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/res/product.rc APPEND PROPERTY
  OBJECT_DEPENDS ${DREIECK_GENERATED_DIR}/Dreieck.manifest)

# The product checks and the end-to-end tests under Wine; they run on the Linux host.
enable_testing()
add_subdirectory(${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e ${CMAKE_CURRENT_BINARY_DIR}/tests/e2e)
