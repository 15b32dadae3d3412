// What the sanitizers must not blame on us: the allocations that Mesa's driver, fontconfig and
// gettext's PO library keep for the life of the process and the races between the driver's own threads. Built into
// the test programs, so they hold however the tests are started.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:swrast_dri\n"
         "leak:libgallium\n"
         "leak:libGLX_mesa\n"
         "leak:libEGL_mesa\n"
         "leak:libglapi\n"
         "leak:libLLVM\n"
         "leak:libfontconfig\n"
         "leak:libgettextpo\n";
}

extern "C" const char* __tsan_default_suppressions() {
  return "race:swrast_dri\n"
         "race:libgallium\n"
         "race:libLLVM\n";
}
