#include "sound/card_sounds.h"

#include <mutex>
#include <utility>

namespace sound {

namespace {

std::mutex bankLock;
std::shared_ptr<const CardSoundFiles> bank = std::make_shared<const CardSoundFiles>();

}  // namespace

void UseCardSounds(CardSoundFiles sounds) {
  auto next = std::make_shared<const CardSoundFiles>(std::move(sounds));
  std::lock_guard lock(bankLock);
  bank = std::move(next);
}

std::shared_ptr<const CardSoundFiles> CurrentCardSounds() {
  std::lock_guard lock(bankLock);
  return bank;
}

}  // namespace sound
