# The Windows product: a small GUI program, linked statically against the compiler's
# runtime so that it needs only system DLLs.
target_compile_options(dreieck_core PRIVATE -Os -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables)
