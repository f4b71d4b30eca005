// In builds with LeakSanitizer: fontconfig keeps its configuration and the patterns
// of Cairo's font faces for the life of the process, some of it out of the checker's
// sight. Those are the library's own and not reported; every other leak is.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

// Nothing on stderr about what was not reported.
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
