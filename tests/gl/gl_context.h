// The offscreen GL context that every rendering test shares: EGL without a display server, a
// compatibility-profile context on an 800 x 600 pbuffer, current on the main thread.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace gl_test {

inline constexpr int kWidth = 800;
inline constexpr int kHeight = 600;

// Makes the context current; false, with a message in why, when EGL offers none.
bool CreateContext(std::string& why);
void DestroyContext();
// Makes the shared context current again (after something else took the thread's current one).
void MakeCurrent();

struct Rgb {
  int r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};
// The colours differ by a step or two between drivers and JPEG round trips.
inline constexpr int kTolerance = 6;
bool Near(Rgb a, Rgb b, int tolerance = kTolerance);
std::string ToString(Rgb c);
inline void PrintTo(const Rgb& c, std::ostream* out) { *out << ToString(c); }

// One pixel of the frame; x from the left, y from the bottom (GL window coordinates).
Rgb PixelAt(int x, int y);
// The whole frame, bottom row first, RGB.
std::vector<uint8_t> ReadFrame();

// The GL state the game has once it runs: viewport and projection of the 800 x 600 client area,
// the fixed state of start-up, depth testing on (the first text turns it on), white, identity.
void ResetGameState();

// Where the point (x, y, z) of eye space lands: window x, window y from the bottom.
struct WindowPoint {
  double x = 0, y = 0, depth = 0;
};
WindowPoint Project(double x, double y, double z);

// Fails the test when GL reported an error since the last call.
void ExpectNoGLError(const char* where);

// Base of every rendering test: the game's GL state and a black frame.
class GLTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace gl_test
