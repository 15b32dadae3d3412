// Built into the game only in sanitizer builds: what the sanitizers must not blame on us.

// SDL unloads the OpenGL driver when it shuts down, before the leak check runs at exit; the
// check then reports the driver's own allocations from an unnamed module, which no suppression
// can name. Here no module is ever unloaded, so every report names its library, and leaks of
// our own code are still reported in full.
extern "C" int dlclose(void*) { return 0; }

// The allocations Mesa's driver, D-Bus (opened by SDL) and fontconfig (shared with the window
// decorations, so never torn down) keep for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:swrast_dri\n"
         "leak:libgallium\n"
         "leak:libGLX_mesa\n"
         "leak:libEGL_mesa\n"
         "leak:libglapi\n"
         "leak:libLLVM\n"
         "leak:libdbus-1\n"
         "leak:libfontconfig\n";
}

// Races inside Mesa's software rasteriser: llvmpipe's own worker threads signal and destroy its
// fences with locking ThreadSanitizer cannot follow through the uninstrumented driver. None of
// our threads touches OpenGL except the UI thread, so no report passing through the driver can
// be ours.
extern "C" const char* __tsan_default_suppressions() {
  return "race:swrast_dri\n"
         "race:libgallium\n"
         "race:libLLVM\n";
}
