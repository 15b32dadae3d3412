#include "app/exit_save.h"

#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>

namespace app {
namespace {

// The one saving run of the process. Never destroyed: a thread may end the process while another
// waits on it.
struct ExitSave {
  std::mutex mutex;
  std::condition_variable done;
  SavePhase phase = SavePhase::notStarted;
  SaveForExit save;
  std::optional<bool> result;
};
ExitSave& TheExitSave() {
  static ExitSave& exitSave = *new ExitSave;
  return exitSave;
}

}  // namespace

void SetSaveForExit(SaveForExit save) {
  ExitSave& exitSave = TheExitSave();
  std::lock_guard lock(exitSave.mutex);
  if (exitSave.phase == SavePhase::notStarted) exitSave.save = std::move(save);
}

std::optional<bool> RunSaveForExit() {
  ExitSave& exitSave = TheExitSave();
  std::unique_lock lock(exitSave.mutex);
  if (exitSave.phase == SavePhase::notStarted) {
    exitSave.phase = SavePhase::running;
    const SaveForExit save = exitSave.save;
    lock.unlock();
    const std::optional<bool> result = save ? save() : std::nullopt;
    lock.lock();
    exitSave.result = result;
    exitSave.phase = SavePhase::done;
    exitSave.done.notify_all();
    return result;
  }
  exitSave.done.wait(lock, [&exitSave] { return exitSave.phase == SavePhase::done; });
  return exitSave.result;
}

SavePhase CurrentSavePhase() {
  ExitSave& exitSave = TheExitSave();
  std::lock_guard lock(exitSave.mutex);
  return exitSave.phase;
}

void EndProcess(const char* line, int status) {
  static std::atomic<bool> ending{false};
  if (ending.exchange(true)) {
    for (;;) pause();
  }
  // write(2), not stdio: the end may have struck while stderr's lock was held.
  [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line, std::strlen(line));
  _exit(status);
}

void EndAfterDisplayLoss(std::optional<bool> saved) {
  EndProcess(!saved ? "tessary: the display connection was lost\n"
             : *saved ? "tessary: the display connection was lost; settings and best scores "
                        "saved\n"
                      : "tessary: the display connection was lost; not everything could be "
                        "saved (see above)\n",
             1);
}

}  // namespace app
