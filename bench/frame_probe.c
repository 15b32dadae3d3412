/* Preloaded into the real game by the bench (LD_PRELOAD), so the game needs no change: logs to
 * the file named by TESSARY_PROBE_LOG, one line per event, times from CLOCK_MONOTONIC in ns:
 *   loaded T       the library was loaded, just after exec
 *   swap1 T        the first buffer swap returned: the loading frame is on the screen
 *   swap2 T        the second swap returned: the pictures are loaded
 *   menu T         the first swap of a frame that drew the menu background (display list 1)
 *   frames N T     about once a second: N swaps so far
 *   thread NAME T  a thread took the name NAME (the game names SoundThread and TimerThread)
 * It wraps SDL_GL_SwapWindow, glCallList and pthread_setname_np, and adds nothing to a frame but
 * a clock read. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

typedef void (*SwapWindowFn)(void* window);
typedef void (*CallListFn)(unsigned list);

static int logFd = -1;
static unsigned long swapCount;
static int menuDrawn;
static int menuLogged;
static long long lastCountLog;

/* The next definition of name after this library's, as a function pointer (dlsym returns an
 * object pointer; POSIX guarantees the conversion, ISO C does not allow the cast). */
static void Next(const char* name, void* function) {
  void* found = dlsym(RTLD_NEXT, name);
  memcpy(function, &found, sizeof found);
}

static long long Now(void) {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
}

static void Log(const char* line) {
  if (logFd >= 0 && write(logFd, line, strlen(line)) < 0) {
    close(logFd);
    logFd = -1;
  }
}

static void LogTime(const char* event, long long time) {
  char line[96];
  snprintf(line, sizeof line, "%s %lld\n", event, time);
  Log(line);
}

__attribute__((constructor)) static void OpenLog(void) {
  const char* path = getenv("TESSARY_PROBE_LOG");
  if (path != NULL) logFd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
  LogTime("loaded", Now());
}

void SDL_GL_SwapWindow(void* window) {
  static SwapWindowFn real;
  if (real == NULL) Next("SDL_GL_SwapWindow", &real);
  real(window);
  const long long now = Now();
  ++swapCount;
  if (swapCount == 1) LogTime("swap1", now);
  if (swapCount == 2) LogTime("swap2", now);
  if (menuDrawn && !menuLogged) {
    menuLogged = 1;
    LogTime("menu", now);
  }
  menuDrawn = 0;
  if (now - lastCountLog >= 1000000000LL) {
    char line[96];
    snprintf(line, sizeof line, "frames %lu %lld\n", swapCount, now);
    Log(line);
    lastCountLog = now;
  }
}

int pthread_setname_np(pthread_t thread, const char* name) {
  static int (*real)(pthread_t, const char*);
  if (real == NULL) Next("pthread_setname_np", &real);
  char line[96];
  snprintf(line, sizeof line, "thread %.15s %lld\n", name, Now());
  Log(line);
  return real(thread, name);
}

void glCallList(unsigned list) {
  static CallListFn real;
  if (real == NULL) Next("glCallList", &real);
  if (list == 1) menuDrawn = 1;
  real(list);
}
