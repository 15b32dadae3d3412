// The window tests open and close windows; the video system and the GL library stay loaded for
// the whole program, so that the leak checker can still name the driver's own allocations.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // llvmpipe without its worker threads: less to schedule on a busy machine, nothing to race.
  setenv("LP_NUM_THREADS", "0", 0);
  setenv("TESSARY_LOCALE_DIR", TESSARY_TEST_LOCALE_DIR, 0);
  setenv("SDL_VIDEODRIVER", "offscreen", 0);  // no display needed
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0 || SDL_GL_LoadLibrary(nullptr) != 0) {
    std::fprintf(stderr, "window_tests: no video system: %s\n", SDL_GetError());
    return 1;
  }
  return RUN_ALL_TESTS();
}
