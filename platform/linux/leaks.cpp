// In builds with LeakSanitizer: fontconfig keeps its configuration and the patterns
// of Cairo's font faces for the life of the process, some of it out of the checker's
// sight. Those are the library's own and not reported; every other leak is.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
