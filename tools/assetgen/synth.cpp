#include "synth.h"

#include <algorithm>
#include <cmath>

#include "prng.h"
#include "vec.h"
#include "wav_writer.h"

namespace assetgen {
namespace {

constexpr float kRate = static_cast<float>(kSampleRate);

float envelope_at(const Envelope& e, float t, float held) {
    if (t < e.attack) return t / e.attack;
    if (t < e.attack + e.decay) return 1.0f - (1.0f - e.sustain) * (t - e.attack) / e.decay;
    if (t < held) return e.sustain;
    // Released early, the note fades from wherever it had got to.
    float level = held < e.attack ? held / e.attack
                  : held < e.attack + e.decay ? 1.0f - (1.0f - e.sustain) * (held - e.attack) / e.decay
                                              : e.sustain;
    float r = (t - held) / e.release;
    return r < 1 ? level * (1 - r) : 0.0f;
}

float harmonic_amplitude(Wave wave, int k) {
    switch (wave) {
    case Wave::Sine: return k == 1 ? 1.0f : 0.0f;
    case Wave::Saw: return 1.0f / k;
    case Wave::Square: return k % 2 ? 1.0f / k : 0.0f;
    case Wave::Triangle: return k % 2 ? ((k / 2) % 2 ? -1.0f : 1.0f) / (k * k) : 0.0f;
    }
    return 0.0f;
}

}  // namespace

float note_hz(int midi_note) { return 440.0f * std::pow(2.0f, (midi_note - 69) / 12.0f); }

int seconds_to_samples(double seconds) { return static_cast<int>(std::lround(seconds * kSampleRate)); }

Samples tone(Wave wave, float hz, float seconds, const Envelope& env, float brightness, float detune) {
    const int n = seconds_to_samples(seconds + env.release);
    Samples out(static_cast<size_t>(n), 0.0f);
    const int max_k = std::clamp(static_cast<int>((kRate * 0.45f / hz) * brightness), 1, 32);
    for (int pass = 0; pass < (detune > 0 ? 2 : 1); ++pass) {
        const float f = hz * (pass ? 1.0f + detune : 1.0f);
        for (int k = 1; k <= max_k && k * f < kRate * 0.45f; ++k) {
            const float a = harmonic_amplitude(wave, k);
            if (a == 0) continue;
            // sin(step * i) by rotation: one multiply-add per sample.
            const double step = 2.0 * kPi * k * f / kRate;
            const double c = std::cos(step), s = std::sin(step);
            double x = 1.0, y = 0.0;
            for (int i = 0; i < n; ++i) {
                out[i] += a * static_cast<float>(y);
                const double nx = x * c - y * s;
                y = x * s + y * c;
                x = nx;
            }
        }
    }
    for (int i = 0; i < n; ++i) out[i] *= envelope_at(env, i / kRate, seconds) * (detune > 0 ? 0.5f : 1.0f);
    return out;
}

Samples pluck(float hz, float seconds, uint64_t seed, float damping) {
    const int n = seconds_to_samples(seconds);
    const int period = std::max(2, static_cast<int>(std::lround(kRate / hz)));
    Prng rng(seed);
    Samples line(static_cast<size_t>(period));
    for (float& v : line) v = rng.range(-1, 1);
    Samples out(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        int a = i % period, b = (i + 1) % period;
        float v = line[a];
        out[i] = v;
        line[a] = damping * 0.5f * (v + line[b]);
    }
    const int fade = std::min(n, seconds_to_samples(0.02));
    for (int i = 0; i < fade; ++i) out[n - 1 - i] *= static_cast<float>(i) / fade;
    return out;
}

Samples kick() {
    const int n = seconds_to_samples(0.35);
    Samples out(static_cast<size_t>(n));
    double phase = 0;
    for (int i = 0; i < n; ++i) {
        float t = i / kRate;
        float hz = 45.0f + 90.0f * std::exp(-t * 30.0f);
        phase += 2 * kPi * hz / kRate;
        out[i] = static_cast<float>(std::sin(phase)) * std::exp(-t * 9.0f);
    }
    return out;
}

Samples snare(uint64_t seed) {
    const int n = seconds_to_samples(0.22);
    Samples out(static_cast<size_t>(n));
    Prng rng(seed);
    float lp = 0;
    for (int i = 0; i < n; ++i) {
        float t = i / kRate;
        float noise = rng.range(-1, 1);
        lp += 0.6f * (noise - lp);
        float body = std::sin(2 * kPi * 185.0f * t) * std::exp(-t * 25.0f);
        out[i] = (0.75f * lp * std::exp(-t * 16.0f) + 0.5f * body);
    }
    return out;
}

Samples hat(uint64_t seed, float seconds) {
    const int n = seconds_to_samples(seconds);
    Samples out(static_cast<size_t>(n));
    Prng rng(seed);
    float last = 0;
    for (int i = 0; i < n; ++i) {
        float noise = rng.range(-1, 1);
        out[i] = (noise - last) * 0.5f * std::exp(-(i / kRate) * 4.0f / seconds);  // high-passed
        last = noise;
    }
    return out;
}

void low_pass(Samples& s, float cutoff_hz) {
    const float a = 1.0f - std::exp(-2 * kPi * cutoff_hz / kRate);
    float y = 0;
    for (float& v : s) v = (y += a * (v - y));
}

void echo(Samples& s, float delay, float feedback, int repeats) {
    const size_t d = static_cast<size_t>(seconds_to_samples(delay));
    const size_t original = s.size();
    s.resize(original + d * repeats, 0.0f);
    for (size_t i = d; i < s.size(); ++i) s[i] += feedback * s[i - d];
}

void soft_limit(Samples& s, float drive) {
    normalise(s, 1.0f);
    const float norm = std::tanh(drive);
    for (float& v : s) v = std::tanh(drive * v) / norm;
}

void normalise(Samples& s, float peak) {
    float m = 0;
    for (float v : s) m = std::max(m, std::fabs(v));
    if (m > 0)
        for (float& v : s) v *= peak / m;
}

void Track::add(const Samples& sound, double at, float gain) {
    const long start = seconds_to_samples(at);
    for (size_t i = 0; i < sound.size(); ++i) {
        long j = start + static_cast<long>(i);
        if (j >= 0 && j < static_cast<long>(m_samples.size())) m_samples[static_cast<size_t>(j)] += gain * sound[i];
    }
}

}  // namespace assetgen
