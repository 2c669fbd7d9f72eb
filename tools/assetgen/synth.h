// A small offline synthesiser: voices rendered note by note into float
// buffers at 11025 Hz, and a track that mixes them at given times.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace assetgen {

using Samples = std::vector<float>;

// Frequency of a MIDI note number (69 = A 440 Hz).
float note_hz(int midi_note);
int seconds_to_samples(double seconds);

// Band-limited additive waveforms: every harmonic below the Nyquist limit.
enum class Wave { Sine, Saw, Square, Triangle };

struct Envelope {
    float attack = 0.005f, decay = 0.1f, sustain = 0.7f, release = 0.05f;  // seconds, level
};

// A note of `seconds` (plus its release) with an ADSR envelope and a
// gentle low-pass (`brightness` in (0, 1]: fraction of harmonics kept).
Samples tone(Wave wave, float hz, float seconds, const Envelope& env, float brightness = 1.0f, float detune = 0.0f);
// A plucked string (Karplus-Strong), fixed seed.
Samples pluck(float hz, float seconds, uint64_t seed, float damping = 0.996f);
// Drums.
Samples kick();
Samples snare(uint64_t seed);
Samples hat(uint64_t seed, float seconds = 0.05f);

// One-pole low-pass over the whole buffer, cutoff in Hz.
void low_pass(Samples& s, float cutoff_hz);
// Feedback echo: delay in seconds, each repeat `feedback` times the last.
void echo(Samples& s, float delay, float feedback, int repeats);
// Gentle saturation (tanh curve) after scaling the peak to 1: lifts the
// quieter parts, which 8-bit samples would otherwise render coarsely.
void soft_limit(Samples& s, float drive);
// Scales so the largest magnitude is `peak`.
void normalise(Samples& s, float peak);

class Track {
public:
    explicit Track(double seconds) : m_samples(static_cast<size_t>(seconds_to_samples(seconds)), 0.0f) {}
    // Adds `sound` starting at `at` seconds; whatever runs past the end is cut.
    void add(const Samples& sound, double at, float gain);
    Samples& samples() { return m_samples; }

private:
    Samples m_samples;
};

}  // namespace assetgen
