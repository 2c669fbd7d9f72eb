#include "sounds.h"

#include <cmath>

#include "prng.h"
#include "vec.h"
#include "wav_writer.h"

namespace assetgen {
namespace {

constexpr float kRate = static_cast<float>(kSampleRate);

Samples bell(float hz, float seconds) {
    const float partials[4] = {1.0f, 2.0f, 2.76f, 4.07f};
    const float amps[4] = {1.0f, 0.5f, 0.35f, 0.2f};
    const float decays[4] = {3.0f, 5.0f, 7.0f, 9.0f};
    Samples out(static_cast<size_t>(seconds_to_samples(seconds)));
    for (size_t i = 0; i < out.size(); ++i) {
        float t = i / kRate;
        for (int k = 0; k < 4; ++k)
            if (partials[k] * hz < kRate * 0.45f)
                out[i] += amps[k] * std::exp(-decays[k] * t) * std::sin(2 * kPi * partials[k] * hz * t);
        out[i] *= std::fmin(1.0f, t / 0.003f);
    }
    return out;
}

}  // namespace

Samples make_chime() {
    Track t(0.8);
    t.add(bell(note_hz(88), 0.8), 0.0, 0.6f);
    t.add(bell(note_hz(95), 0.68), 0.12, 0.5f);
    normalise(t.samples(), 0.8f);
    return t.samples();
}

Samples make_explosion() {
    const int n = seconds_to_samples(0.9);
    Samples out(static_cast<size_t>(n));
    Prng rng(4242);
    float lp = 0, crackle = 0;
    double phase = 0;
    for (int i = 0; i < n; ++i) {
        float t = i / kRate;
        float cutoff = 200.0f + 2800.0f * std::exp(-t * 7.0f);
        float a = 1.0f - std::exp(-2 * kPi * cutoff / kRate);
        lp += a * (rng.range(-1, 1) - lp);
        if (rng.uniform() < 0.02f * std::exp(-t * 3)) crackle = rng.range(-1, 1);
        crackle *= 0.9f;
        float hz = 30.0f + 60.0f * std::exp(-t * 10.0f);
        phase += 2 * kPi * hz / kRate;
        float thump = static_cast<float>(std::sin(phase)) * std::exp(-t * 6.0f);
        float body = lp * std::exp(-t * 3.5f) * std::fmin(1.0f, t / 0.004f);
        out[i] = 0.9f * body + 0.7f * thump + 0.3f * crackle;
    }
    normalise(out, 0.95f);
    return out;
}

Samples make_zap() {
    const int n = seconds_to_samples(0.22);
    Samples out(static_cast<size_t>(n));
    double phase = 0;
    for (int i = 0; i < n; ++i) {
        float t = i / kRate;
        float hz = 250.0f + 1500.0f * std::exp(-t * 18.0f);
        phase += 2 * kPi * hz / kRate;
        // A square wave's first three odd harmonics: bright but not harsh.
        float v = static_cast<float>(std::sin(phase) + std::sin(3 * phase) / 3 + std::sin(5 * phase) / 5);
        out[i] = v * std::exp(-t * 12.0f) * std::fmin(1.0f, t / 0.002f);
    }
    normalise(out, 0.85f);
    return out;
}

Samples make_sting() {
    Track t(5.0);
    // A rising whoosh into one big chord, which then echoes away.
    Prng rng(77);
    Samples whoosh(static_cast<size_t>(seconds_to_samples(0.55)));
    float lp = 0;
    for (size_t i = 0; i < whoosh.size(); ++i) {
        float x = static_cast<float>(i) / whoosh.size();
        float a = 0.02f + 0.3f * x * x;
        lp += a * (rng.range(-1, 1) - lp);
        whoosh[i] = lp * x;
    }
    t.add(whoosh, 0.0, 0.8f);
    Samples hit(static_cast<size_t>(seconds_to_samples(1.8)), 0.0f);
    for (int note : {40, 47, 52, 55, 59, 66}) {
        Samples v = tone(Wave::Saw, note_hz(note), 0.25f, {0.004f, 0.9f, 0.25f, 0.5f}, 0.35f, 0.004f);
        for (size_t i = 0; i < v.size() && i < hit.size(); ++i) hit[i] += v[i];
    }
    low_pass(hit, 2500.0f);
    echo(hit, 0.38f, 0.55f, 10);
    t.add(hit, 0.55, 1.0f);
    t.add(kick(), 0.55, 1.5f);
    // A soft chord swells under the echoes and carries the sting to its end.
    for (int note : {52, 59, 64, 67, 71}) {
        Samples pad = tone(Wave::Saw, note_hz(note), 2.6f, {1.2f, 0.5f, 0.8f, 1.0f}, 0.2f, 0.005f);
        t.add(pad, 1.2, 0.22f);
    }
    Samples& s = t.samples();
    const int fade = seconds_to_samples(0.8);
    for (int i = 0; i < fade; ++i) s[s.size() - 1 - i] *= static_cast<float>(i) / fade;
    soft_limit(s, 1.5f);
    normalise(s, 0.9f);
    return s;
}

Samples make_intro_ambience(double seconds) {
    const int n = seconds_to_samples(seconds);
    Samples out(static_cast<size_t>(n));
    Prng rng(99);
    float lp = 0;
    for (int i = 0; i < n; ++i) {
        float t = i / kRate, x = static_cast<float>(i) / n;
        float swell = std::sin(kPi * x);
        lp += (0.02f + 0.1f * x) * (rng.range(-1, 1) - lp);
        float drone = std::sin(2 * kPi * 82.4f * t) + 0.5f * std::sin(2 * kPi * 123.5f * t) +
                      0.25f * std::sin(2 * kPi * 164.8f * t * (1 + 0.002f * std::sin(t * 3)));
        out[i] = swell * (0.5f * drone + 1.2f * lp);
    }
    normalise(out, 0.5f);
    return out;
}

}  // namespace assetgen
