// The sounds of the chosen deck's cards: handed over encoded by the UI thread, decoded on the
// sound thread when a card first sounds.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace sound {

// Encoded sound per card (a set picture's index; empty: the card is silent).
using CardSoundFiles = std::vector<std::vector<uint8_t>>;

// Makes these the cards' sounds, replacing the last deck's; none for a set without sounds.
// UI thread.
void UseCardSounds(CardSoundFiles sounds);

// The cards' sounds handed over last; never null. Sound thread.
std::shared_ptr<const CardSoundFiles> CurrentCardSounds();

}  // namespace sound
