// The six sounds: valid 8-bit mono 11025 Hz PCM, the lengths their uses
// need, and two music tracks that are music (pitch changes, a beat) with
// the second one 9 dB quieter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "format_checks.h"
#include "test_env.h"

namespace {

formats::Wave load(const std::string& name) {
    formats::Wave w;
    EXPECT_EQ(formats::parse_wav(formats::read_file(testenv::runDir() + "/SOUND/" + name), w), "") << name;
    return w;
}

double seconds(const formats::Wave& w) { return static_cast<double>(w.samples.size()) / 11025.0; }

double peak(const formats::Wave& w) {
    int m = 0;
    for (uint8_t s : w.samples) m = std::max(m, std::abs(s - 128));
    return m;
}

// The strongest semitone (MIDI 45..88) in a window, by Goertzel filters.
int dominant_note(const std::vector<uint8_t>& s, size_t at, size_t n) {
    int best = -1;
    double best_power = 0;
    for (int note = 45; note <= 88; ++note) {
        const double hz = 440.0 * std::pow(2.0, (note - 69) / 12.0);
        const double k = 2 * std::cos(2 * M_PI * hz / 11025.0);
        double s1 = 0, s2 = 0;
        for (size_t i = 0; i < n; ++i) {
            double v = (s[at + i] - 128.0) + k * s1 - s2;
            s2 = s1;
            s1 = v;
        }
        double power = s1 * s1 + s2 * s2 - k * s1 * s2;
        if (power > best_power) best_power = power, best = note;
    }
    return best;
}

TEST(SoundFiles, AllSixAreEightBitMonoAt11025Hz) {
    for (const char* name : {"newtext.WAV", "exp1.WAV", "blasters.WAV", "love.WAV", "dominos.WAV", "echo.WAV"}) {
        formats::Wave w = load(name);
        EXPECT_EQ(w.channels, 1) << name;
        EXPECT_EQ(w.sample_rate, 11025) << name;
        EXPECT_EQ(w.bits, 8) << name;
        EXPECT_GT(peak(w), 20) << name << " is (nearly) silent";
        EXPECT_LT(std::abs(w.samples.front() - 128), 8) << name << " starts with a click";
        EXPECT_LT(std::abs(w.samples.back() - 128), 8) << name << " ends with a click";
    }
}

TEST(SoundFiles, EffectsLastAsLongAsTheirUse) {
    const struct {
        const char* name;
        double lo, hi;
    } table[] = {{"newtext.WAV", 0.2, 1.5}, {"exp1.WAV", 0.5, 1.0}, {"blasters.WAV", 0.2, 0.3}, {"echo.WAV", 3.0, 8.0}};
    for (const auto& row : table) {
        double s = seconds(load(row.name));
        EXPECT_GE(s, row.lo) << row.name;
        EXPECT_LE(s, row.hi) << row.name;
    }
}

TEST(SoundFiles, MusicTracksAreMusicOfAtLeastThirtySeconds) {
    for (const char* name : {"love.WAV", "dominos.WAV"}) {
        SCOPED_TRACE(name);
        formats::Wave w = load(name);
        EXPECT_GE(seconds(w), 30.0);
        EXPECT_LE(seconds(w), 120.0);
        // A melody: the strongest pitch changes often over the track.
        std::set<int> notes;
        int changes = 0, last = -1;
        for (size_t at = 0; at + 1024 < w.samples.size(); at += 2756) {
            int n = dominant_note(w.samples, at, 1024);
            notes.insert(n);
            changes += n != last;
            last = n;
        }
        EXPECT_GE(notes.size(), 8u);
        EXPECT_GE(changes, 40);
        // A beat: loudness over 25 ms windows swings widely.
        std::vector<double> rms;
        for (size_t at = 0; at + 275 < w.samples.size(); at += 275) {
            double e = 0;
            for (size_t i = 0; i < 275; ++i) e += (w.samples[at + i] - 128.0) * (w.samples[at + i] - 128.0);
            rms.push_back(std::sqrt(e / 275));
        }
        std::vector<double> sorted = rms;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_GT(sorted[sorted.size() * 9 / 10], 1.8 * sorted[sorted.size() / 2]);
    }
}

TEST(SoundFiles, SecondMusicTrackIsNineDecibelsQuieter) {
    const double ratio_db = 20 * std::log10(peak(load("dominos.WAV")) / peak(load("love.WAV")));
    EXPECT_NEAR(ratio_db, -9.0, 1.0);
}

}  // namespace
