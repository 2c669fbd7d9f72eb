// The performance's voice in the process's mixer: a FluidSynth synthesiser
// with a General MIDI sound font and at most one MIDI file player. No
// FluidSynth audio driver runs; the mixer pulls the synthesiser's output,
// and the player follows the synthesiser's own sample clock, so playback
// is as deterministic as the mixer's pulls.
#pragma once

#include "audio_mixer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;
typedef struct _fluid_player_t fluid_player_t;

namespace platform {

class MusicSynth final : public AudioVoice {
public:
    // Null, with the reason in `error`, when FluidSynth cannot start.
    static std::shared_ptr<MusicSynth> create(int sampleRate, std::string& error);
    ~MusicSynth() override;

    MusicSynth(const MusicSynth&) = delete;
    MusicSynth& operator=(const MusicSynth&) = delete;

    // Every call below needs the mixer's lock held, so the audio thread is
    // not inside mixInto meanwhile.

    // Replaces whatever plays with this file, from its start. `seconds` is the
    // piece's length: it stops counting as playing after that.
    bool play(const std::vector<uint8_t>& midiFile, double seconds);
    // Silences everything at once.
    void stop();
    bool playing() const;

    bool hasSoundFont() const { return m_soundFont >= 0; }

    void mixInto(float* mix, size_t frames, int sampleRate) override;

private:
    MusicSynth() = default;
    void deletePlayer();

    fluid_settings_t* m_settings = nullptr;
    fluid_synth_t* m_synth = nullptr;
    fluid_player_t* m_player = nullptr;
    int m_soundFont = -1;
    int m_sampleRate = 0;
    uint64_t m_framesPlayed = 0;  // since the current file started
    uint64_t m_framesLong = 0;  // the current file's length in frames
    std::vector<float> m_left, m_right;
};

// The General MIDI sound font the synthesiser loads: ROCK_SOUNDFONT when
// set, else the system's default one, else the first .sf2 file under
// /usr/share/sounds/sf2. Empty when there is none (the music is then silent).
std::string findSoundFont();

}  // namespace platform
