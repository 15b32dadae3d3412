#include "sound/output_return.h"

#include <SDL.h>
#include <alsa/asoundlib.h>

#include <cstdio>

namespace sound {
namespace {

void IgnoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

// Runs inside SDL_PushEvent on whichever thread posts the event (SDL's audio thread for a lost
// device): only flags and a wake-up.
int OnAudioEvent(void* userData, SDL_Event* event) {
  if (event->type != SDL_AUDIODEVICEREMOVED && event->type != SDL_AUDIODEVICEADDED) return 1;
  if (event->adevice.iscapture != 0) return 1;
  auto& link = *static_cast<OutputEventWatch::Link*>(userData);
  (event->type == SDL_AUDIODEVICEREMOVED ? link.events.removed : link.events.added).store(true);
  link.state.wake.NotifyAll();
  return 1;
}

bool SameFormat(const PcmFormat& a, const PcmFormat& b) {
  return a.sampleRate == b.sampleRate && a.channels == b.channels &&
         a.sampleFormat == b.sampleFormat;
}

constexpr bool IsMusic(int slot) {
  return slot == SOUND_MENU || slot == SOUND_GAME || slot == SOUND_ABOUT;
}

}  // namespace

void RetrySchedule::Lost(SoundClock::time_point now) {
  failures_ = 0;
  nextTry_ = now + kDelays[0];
}

void RetrySchedule::Failed(SoundClock::time_point now) {
  if (failures_ + 1 < kDelays.size()) ++failures_;
  nextTry_ = now + kDelays[failures_];
}

void RetrySchedule::DeviceAdded(SoundClock::time_point now) {
  if (nextTry_ > now) nextTry_ = now;
}

void QuietAlsaMessages() { snd_lib_error_set_handler(IgnoreAlsaMessage); }

OutputEventWatch::OutputEventWatch(OutputEvents& events, game::GameState& state)
    : link_{events, state} {
  SDL_AddEventWatch(OnAudioEvent, &link_);
}

OutputEventWatch::~OutputEventWatch() { SDL_DelEventWatch(OnAudioEvent, &link_); }

ReturningDevices::ReturningDevices(const std::array<std::string, kSlotCount>& paths)
    : paths_(paths), output_(AudioOutput::Open()) {
  if (!output_) return;
  format_ = output_->format();
  devices_ = std::make_unique<MixerDevices>(format_, paths_);
}

ReturningDevices::~ReturningDevices() {
  // Closing the devices silences them; only then may the mixer close.
  devices_.reset();
  output_.reset();
}

void ReturningDevices::CountSilence(int slot, SoundClock::time_point now) {
  if (!output_ && musicWanted_[slot]) silentFor_[slot] += now - silentSince_[slot];
}

void ReturningDevices::Play(int slot) {
  if (slot >= 0 && slot < kSlotCount) {
    CountSilence(slot, SoundClock::now());
    musicWanted_[slot] = false;
  }
  if (output_) devices_->Play(slot);
}

void ReturningDevices::PlayLooped(int slot) {
  if (slot >= 0 && slot < kSlotCount && !musicWanted_[slot]) {
    musicWanted_[slot] = true;
    silentSince_[slot] = SoundClock::now();
  }
  if (output_) devices_->PlayLooped(slot);
}

void ReturningDevices::Stop(int slot) {
  if (slot >= 0 && slot < kSlotCount) {
    CountSilence(slot, SoundClock::now());
    musicWanted_[slot] = false;
  }
  if (output_) devices_->Stop(slot);
}

std::optional<SoundClock::time_point> ReturningDevices::Tend(OutputEvents& events,
                                                             SoundClock::time_point now) {
  const bool removed = events.removed.exchange(false);
  const bool added = events.added.exchange(false);
  if (!devices_) return std::nullopt;  // never had an output
  if (output_ && removed) {
    std::fputs("tessary: the sound device is gone; playing on without sound\n", stderr);
    devices_->Suspend();
    output_.reset();
    for (int slot = 0; slot < kSlotCount; ++slot) silentSince_[slot] = now;
    schedule_.Lost(now);
  }
  if (output_) return std::nullopt;
  if (added) schedule_.DeviceAdded(now);
  if (now < schedule_.NextTry()) return schedule_.NextTry();
  if (!Reopen(now)) {
    schedule_.Failed(now);
    return schedule_.NextTry();
  }
  std::fputs("tessary: sound is back\n", stderr);
  return std::nullopt;
}

bool ReturningDevices::Reopen(SoundClock::time_point now) {
  std::unique_ptr<AudioOutput> output = AudioOutput::Open(/*quiet=*/true);
  if (!output) return false;
  // Where each music stands, in seconds: where it stopped sounding plus the time it was wanted
  // in silence.
  std::array<double, kSlotCount> seconds{};
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (!IsMusic(slot)) continue;
    CountSilence(slot, now);
    seconds[slot] = static_cast<double>(devices_->LoopPosition(slot)) / format_.sampleRate +
                    std::chrono::duration<double>(silentFor_[slot]).count();
    silentFor_[slot] = {};
  }
  output_ = std::move(output);
  if (!SameFormat(format_, output_->format())) {
    devices_.reset();
    format_ = output_->format();
    devices_ = std::make_unique<MixerDevices>(format_, paths_);
  }
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (!IsMusic(slot)) continue;
    devices_->SetLoopPosition(slot, static_cast<std::size_t>(seconds[slot] * format_.sampleRate));
    if (musicWanted_[slot]) devices_->PlayLooped(slot);
  }
  return true;
}

}  // namespace sound
