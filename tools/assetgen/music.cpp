// The two music tracks: written out note by note (bass line, chords,
// drums and a lead melody) and rendered with the synthesiser.
#include <vector>

#include "music.h"

namespace assetgen {
namespace {

struct Chord {
    int root;                // bass note (MIDI)
    std::vector<int> tones;  // chord tones for pads and arpeggios
};

struct Note {
    float beat;   // from the start of the phrase
    float beats;  // length
    int midi;
};

// A step of a one-bar pattern: when (in beats), how long, which interval
// above the root (12 = octave).
struct Step {
    float beat, beats;
    int interval;
};

struct Song {
    float beat_seconds;
    Track track;
    Track lead;
    Song(float bpm, int bars) : beat_seconds(60.0f / bpm), track(bars * 4 * 60.0 / bpm + 2.5), lead(bars * 4 * 60.0 / bpm + 2.5) {}
    double at(int bar, float beat) const { return (bar * 4 + beat) * beat_seconds; }
};

void bass_bar(Song& s, int bar, const Chord& c, const std::vector<Step>& pattern, uint64_t seed) {
    for (size_t i = 0; i < pattern.size(); ++i) {
        const Step& p = pattern[i];
        Samples v = pluck(note_hz(c.root + p.interval), p.beats * s.beat_seconds + 0.05f, seed + bar * 31 + i, 0.994f);
        low_pass(v, 900.0f);
        s.track.add(v, s.at(bar, p.beat), 0.75f);
    }
}

void pad_bar(Song& s, int bar, const Chord& c, float gain, float bars = 1.0f) {
    for (int t : c.tones) {
        Samples v = tone(Wave::Saw, note_hz(t), 4 * bars * s.beat_seconds, {0.25f, 0.4f, 0.75f, 0.4f}, 0.2f, 0.004f);
        s.track.add(v, s.at(bar, 0), gain);
    }
}

void arp_bar(Song& s, int bar, const Chord& c, float gain) {
    const int order[8] = {0, 1, 2, 1, 0, 2, 1, 2};
    for (int i = 0; i < 16; ++i) {
        int t = c.tones[order[i % 8] % c.tones.size()] + 12;
        Samples v = tone(Wave::Triangle, note_hz(t), 0.18f * s.beat_seconds, {0.002f, 0.06f, 0.3f, 0.04f});
        s.track.add(v, s.at(bar, i * 0.25f), gain * (i % 4 == 0 ? 1.0f : 0.7f));
    }
}

struct DrumBar {
    std::vector<float> kicks, snares;
    float hat_step;  // 0.5 for eighths, 0.25 for sixteenths; 0 for none
};

void drum_bar(Song& s, int bar, const DrumBar& d, uint64_t seed) {
    static const Samples kick_sound = kick();
    for (float b : d.kicks) s.track.add(kick_sound, s.at(bar, b), 1.0f);
    for (size_t i = 0; i < d.snares.size(); ++i) s.track.add(snare(seed + bar * 7 + i), s.at(bar, d.snares[i]), 0.55f);
    if (d.hat_step > 0)
        for (int i = 0; i * d.hat_step < 4; ++i) {
            bool accent = static_cast<int>(i * d.hat_step * 2) % 2 == 1;
            s.track.add(hat(seed + bar * 97 + i), s.at(bar, i * d.hat_step), accent ? 0.22f : 0.13f);
        }
}

void melody(Song& s, int bar, const std::vector<Note>& phrase, Wave wave, float brightness, float gain) {
    for (const Note& n : phrase) {
        Samples v = tone(wave, note_hz(n.midi), n.beats * s.beat_seconds * 0.92f, {0.01f, 0.12f, 0.65f, 0.09f},
                         brightness, 0.003f);
        s.lead.add(v, s.at(bar, n.beat), gain);
    }
}

Samples finish(Song& s, float echo_beats, float peak) {
    echo(s.lead.samples(), echo_beats * s.beat_seconds, 0.28f, 3);
    s.track.add(s.lead.samples(), 0.0, 1.0f);
    Samples& out = s.track.samples();
    const int fade = seconds_to_samples(1.5), fade_in = seconds_to_samples(0.005);
    for (int i = 0; i < fade && i < static_cast<int>(out.size()); ++i)
        out[out.size() - 1 - i] *= static_cast<float>(i) / fade;
    for (int i = 0; i < fade_in && i < static_cast<int>(out.size()); ++i)  // no click on the first beat
        out[i] *= static_cast<float>(i) / fade_in;
    soft_limit(out, 1.8f);
    normalise(out, peak);
    return out;
}

}  // namespace

Samples make_music_love() {
    const Chord Am{45, {57, 60, 64}}, F{41, {53, 57, 60}}, C{48, {55, 60, 64}}, G{43, {55, 59, 62}},
        Dm{50, {57, 62, 65}}, E{40, {56, 59, 64}};
    const std::vector<Chord> a{Am, F, C, G}, b{Dm, F, G, E};
    const std::vector<Step> bass{{0, 0.75f, 0}, {1, 0.5f, 0}, {1.5f, 0.5f, 7}, {2, 0.75f, 0}, {3, 0.5f, 12}, {3.5f, 0.5f, 7}};
    const std::vector<Note> p1{
        {0, 1, 76},  {1, 0.5f, 72},  {1.5f, 0.5f, 74}, {2, 1, 76},   {3, 0.5f, 79},  {3.5f, 0.5f, 76},
        {4, 1.5f, 77}, {5.5f, 0.5f, 76}, {6, 1, 72},   {7, 1, 69},   {8, 0.5f, 67},  {8.5f, 0.5f, 72},
        {9, 1, 76},  {10, 1, 79},    {11, 0.5f, 76},  {11.5f, 0.5f, 74}, {12, 2, 74}, {14, 1, 71}, {15, 1, 67}};
    const std::vector<Note> p2{
        {0, 1, 77},  {1, 1, 81},  {2, 0.5f, 77}, {2.5f, 0.5f, 76}, {3, 1, 74},  {4, 1, 72}, {5, 0.5f, 69},
        {5.5f, 0.5f, 72}, {6, 2, 77}, {8, 1, 79}, {9, 0.5f, 77}, {9.5f, 0.5f, 76}, {10, 1, 74}, {11, 1, 71},
        {12, 2, 76}, {14, 1, 71}, {15, 1, 68}};
    const DrumBar light{{0}, {}, 0.5f}, full{{0, 2, 2.5f}, {1, 3}, 0.5f}, fill{{0, 2}, {1, 3, 3.5f}, 0.25f};

    Song s(112, 17);
    for (int bar = 0; bar < 16; ++bar) {
        const Chord& c = (bar >= 8 && bar < 12 ? b : a)[bar % 4];
        bass_bar(s, bar, c, bass, 1000);
        pad_bar(s, bar, c, 0.09f);
        drum_bar(s, bar, bar < 2 ? light : bar % 4 == 3 ? fill : full, 2000);
    }
    melody(s, 4, p1, Wave::Square, 0.6f, 0.3f);
    melody(s, 8, p2, Wave::Square, 0.6f, 0.3f);
    std::vector<Note> last = p1;
    last.resize(last.size() - 3);
    last.push_back({12, 2, 74});
    last.push_back({14, 2, 71});
    melody(s, 12, last, Wave::Square, 0.6f, 0.3f);
    // Closing bar: A minor held, the melody home on A.
    bass_bar(s, 16, Am, {{0, 3.5f, 0}}, 1000);
    pad_bar(s, 16, Am, 0.1f, 1.5f);
    drum_bar(s, 16, {{0}, {}, 0}, 2000);
    s.track.add(hat(3000, 1.2f), s.at(16, 0), 0.3f);
    melody(s, 16, {{0, 4, 69}}, Wave::Square, 0.6f, 0.3f);
    return finish(s, 0.75f, 0.9f);
}

Samples make_music_dominos() {
    const Chord Em{40, {64, 67, 71}}, A{45, {57, 61, 64}}, D{50, {54, 57, 62}}, C{48, {55, 60, 64}},
        Bm{47, {54, 59, 62}};
    const std::vector<Chord> a{Em, A, Em, D}, b{C, D, Bm, Em};
    const std::vector<Step> bass{{0, 0.5f, 0},   {0.75f, 0.25f, 12}, {1.5f, 0.5f, 0},
                                 {2.5f, 0.5f, 7}, {3, 0.25f, 0},      {3.5f, 0.5f, 12}};
    const std::vector<Note> p1{
        {0, 0.5f, 71}, {0.5f, 0.5f, 74}, {1, 1, 76},  {2.5f, 0.5f, 74}, {3, 0.5f, 71}, {3.5f, 0.5f, 69},
        {4, 1, 73},  {5, 0.5f, 76},    {5.5f, 0.5f, 73}, {6, 1.5f, 69}, {7.5f, 0.5f, 71}, {8, 0.5f, 67},
        {8.5f, 0.5f, 71}, {9, 0.75f, 76}, {9.75f, 0.25f, 78}, {10, 1, 79}, {11, 0.5f, 78}, {11.5f, 0.5f, 76},
        {12, 1.5f, 74}, {13.5f, 0.5f, 69}, {14, 1, 66}, {15, 0.5f, 69}, {15.5f, 0.5f, 74}};
    const std::vector<Note> p2{
        {0, 1, 76},  {1, 0.5f, 79}, {1.5f, 0.5f, 76}, {2, 1, 72},  {3, 1, 76},  {4, 1, 78},
        {5, 0.5f, 81}, {5.5f, 0.5f, 78}, {6, 1.5f, 74}, {7.5f, 0.5f, 69}, {8, 0.5f, 71}, {8.5f, 0.5f, 74},
        {9, 1, 78},  {10, 0.5f, 74}, {10.5f, 0.5f, 71}, {11, 1, 66}, {12, 0.5f, 67}, {12.5f, 0.5f, 71}, {13, 2.5f, 76}};
    const DrumBar groove{{0, 1.5f, 2.5f}, {1, 3}, 0.25f}, intro{{0, 2}, {}, 0.5f}, fill{{0, 1.5f}, {1, 2.75f, 3, 3.5f}, 0.25f};

    Song s(132, 21);
    for (int bar = 0; bar < 20; ++bar) {
        const int section = bar / 4;  // A A B A B
        const Chord& c = (section == 2 || section == 4 ? b : a)[bar % 4];
        bass_bar(s, bar, c, bass, 5000);
        drum_bar(s, bar, bar < 2 ? intro : bar % 4 == 3 ? fill : groove, 6000);
        if (section == 1 || section == 3) arp_bar(s, bar, c, 0.12f);
        if (section >= 2) pad_bar(s, bar, c, 0.06f);
    }
    melody(s, 8, p2, Wave::Saw, 0.35f, 0.28f);
    melody(s, 12, p1, Wave::Saw, 0.35f, 0.28f);
    melody(s, 16, p2, Wave::Saw, 0.35f, 0.28f);
    melody(s, 4, p1, Wave::Triangle, 1.0f, 0.25f);
    bass_bar(s, 20, Em, {{0, 3, 0}}, 5000);
    pad_bar(s, 20, Em, 0.08f, 1.25f);
    drum_bar(s, 20, {{0}, {}, 0}, 6000);
    s.track.add(hat(7000, 1.0f), s.at(20, 0), 0.3f);
    return finish(s, 0.5f, 0.9f * kSecondTrackGain);
}

}  // namespace assetgen
