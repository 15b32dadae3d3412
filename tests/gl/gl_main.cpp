// The rendering tests share one offscreen context, made before the first test.
#include <cstdio>
#include <string>

#include "gl_context.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::string why;
  if (!gl_test::CreateContext(why)) {
    std::fprintf(stderr, "gl_tests: no offscreen OpenGL context: %s\n", why.c_str());
    return 1;
  }
  const int result = RUN_ALL_TESTS();
  gl_test::DestroyContext();
  return result;
}
