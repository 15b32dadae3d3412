// The rendering tests share one offscreen context, made before the first test.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gl_context.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // llvmpipe without its worker threads: less to schedule on a busy machine, nothing to race.
  setenv("LP_NUM_THREADS", "0", 0);
  // The texts' catalogues of this build, unless the caller names others.
  setenv("TESSARY_LOCALE_DIR", TESSARY_TEST_LOCALE_DIR, 0);
  std::string why;
  if (!gl_test::CreateContext(why)) {
    std::fprintf(stderr, "gl_tests: no offscreen OpenGL context: %s\n", why.c_str());
    return 1;
  }
  // The context stays until the process ends: terminating EGL unloads the driver, and the leak
  // checker could then no longer tell the driver's own allocations from ours.
  return RUN_ALL_TESTS();
}
