// Sound that comes back: the output may go away under the game (a sound server restarts, a
// headset is unplugged); the game plays on silently and opens it again once it can.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "game/game_state.h"
#include "sound/media_devices.h"
#include "sound/mixer_devices.h"

namespace sound {

using SoundClock = std::chrono::steady_clock;

// When to try a lost output again: soon after the loss (a restarting server is back within a
// second or two), then every few seconds; a device that appears makes the next try due at once.
// Pure: the times are passed in.
class RetrySchedule {
 public:
  static constexpr std::array<std::chrono::milliseconds, 4> kDelays = {
      std::chrono::milliseconds(500), std::chrono::milliseconds(1000),
      std::chrono::milliseconds(2000), std::chrono::milliseconds(3000)};  // the last repeats

  // The output was lost at `now`; the first try follows the first delay.
  void Lost(SoundClock::time_point now);
  // A try at `now` failed; the next follows the next delay.
  void Failed(SoundClock::time_point now);
  // A sound device appeared at `now`: try at once.
  void DeviceAdded(SoundClock::time_point now);
  SoundClock::time_point NextTry() const { return nextTry_; }

 private:
  std::size_t failures_ = 0;
  SoundClock::time_point nextTry_{};
};

// What SDL's audio events tell the sound thread: set on the thread that posts them, taken by
// ReturningDevices::Tend.
struct OutputEvents {
  std::atomic<bool> removed{false};  // an open output device went away
  std::atomic<bool> added{false};    // an output device appeared
};

// Routes libasound's own error messages away from stderr: a missing sound server then shows as
// the game's one line. Before SDL's audio starts.
void QuietAlsaMessages();

// Watches SDL's audio device events for `events` and wakes `state`'s sleepers on each; ends the
// watch when destroyed. Sound thread.
class OutputEventWatch {
 public:
  OutputEventWatch(OutputEvents& events, game::GameState& state);
  ~OutputEventWatch();
  OutputEventWatch(const OutputEventWatch&) = delete;
  OutputEventWatch& operator=(const OutputEventWatch&) = delete;

  struct Link {
    OutputEvents& events;
    game::GameState& state;
  };

 private:
  Link link_;
};

// The nine devices over an output that may be lost and come back. While it is lost, commands
// play nothing but keep track of which music should be playing and for how long; once a retry
// opens the output again, that music goes on where it would stand had it played on, and effects
// play again. One line on stderr at the loss, one at the return. Sound thread.
class ReturningDevices final : public MediaDevices {
 public:
  // Opens the output and the devices; without an output at start every slot is silent for the
  // run (the reason is told once) and nothing is retried.
  explicit ReturningDevices(const std::array<std::string, kSlotCount>& paths);
  ~ReturningDevices() override;
  ReturningDevices(const ReturningDevices&) = delete;
  ReturningDevices& operator=(const ReturningDevices&) = delete;

  void Play(int slot) override;
  void PlayLooped(int slot) override;
  void Stop(int slot) override;

  // Takes the events: closes a lost output, tries to open it again when due. Returns when it
  // wants to be called again by the clock (a retry), or nothing.
  std::optional<SoundClock::time_point> Tend(OutputEvents& events, SoundClock::time_point now);

 private:
  // Adds the silent time of a music slot wanted while the output is lost.
  void CountSilence(int slot, SoundClock::time_point now);
  bool Reopen(SoundClock::time_point now);

  std::array<std::string, kSlotCount> paths_;
  std::unique_ptr<AudioOutput> output_;    // null while lost
  std::unique_ptr<MixerDevices> devices_;  // kept while lost: the decoded sounds and positions
  PcmFormat format_;                       // what devices_ is decoded into
  RetrySchedule schedule_;
  std::array<bool, kSlotCount> musicWanted_{};  // PlayLooped in effect
  std::array<SoundClock::time_point, kSlotCount> silentSince_{};
  std::array<SoundClock::duration, kSlotCount> silentFor_{};
};

}  // namespace sound
