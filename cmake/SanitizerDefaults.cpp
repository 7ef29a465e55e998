// Linked into every program of the sanitizer build. The runtimes read these at start-up; the
// environment's ASAN_OPTIONS, UBSAN_OPTIONS and LSAN_OPTIONS still add to them.

// An undefined-behaviour report fails the run as an address report does, instead of only
// printing.
extern "C" const char* __ubsan_default_options() { return "halt_on_error=1:print_stacktrace=1"; }

// Caches the system libraries under Qt keep until exit and never free: the D-Bus connection
// and fontconfig's configuration.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdbus-1.so\n"
         "leak:libfontconfig.so\n";
}
