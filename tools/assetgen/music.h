// The two music tracks, as float samples at 11025 Hz, mono, in [-1, 1].
#pragma once

#include "synth.h"

namespace assetgen {

// Track 0 ("love"): A minor, 112 bpm, about 39 s; peak 0.9.
Samples make_music_love();
// Track 1 ("dominos"): E dorian, 132 bpm, about 41 s. Its peak is 9 dB
// below track 0's, because the game plays it at full volume while track 0
// plays at -9 dB.
Samples make_music_dominos();

// The gain of track 1 relative to track 0: -9 dB.
constexpr float kSecondTrackGain = 0.35481339f;

}  // namespace assetgen
