#include <cstdio>

int main() {
  std::fputs("tessary: the game is not playable yet\n", stderr);
  return 1;
}
