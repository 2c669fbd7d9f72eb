#include "dmusic_synth.h"

#include <fluidsynth.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace platform {

namespace {

constexpr size_t kBlockFrames = 1024;
constexpr float kGain = 0.6f;

void keepFluidQuiet() {
    // FluidSynth reports every missing instrument on stderr; only real errors matter here.
    static const bool once = [] {
        fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
        fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
        fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
        return true;
    }();
    (void)once;
}

}  // namespace

std::string findSoundFont() {
    namespace fs = std::filesystem;
    std::error_code ignored;
    if (const char* chosen = std::getenv("ROCK_SOUNDFONT"); chosen && *chosen) return chosen;
    const fs::path folder = "/usr/share/sounds/sf2";
    if (fs::exists(folder / "default-GM.sf2", ignored)) return (folder / "default-GM.sf2").string();
    std::vector<std::string> found;
    for (fs::directory_iterator it(folder, ignored), end; !ignored && it != end; it.increment(ignored))
        if (it->path().extension() == ".sf2") found.push_back(it->path().string());
    std::sort(found.begin(), found.end());
    return found.empty() ? std::string() : found.front();
}

std::shared_ptr<MusicSynth> MusicSynth::create(int sampleRate, std::string& error) {
    keepFluidQuiet();
    std::shared_ptr<MusicSynth> synth(new MusicSynth());
    synth->m_sampleRate = sampleRate;
    synth->m_settings = new_fluid_settings();
    if (!synth->m_settings) return error = "FluidSynth settings could not be made", nullptr;
    fluid_settings_setnum(synth->m_settings, "synth.sample-rate", double(sampleRate));
    // The player must follow the synthesiser's samples, not a system timer thread.
    fluid_settings_setstr(synth->m_settings, "player.timing-source", "sample");
    fluid_settings_setint(synth->m_settings, "synth.threadsafe-api", 0);
    synth->m_synth = new_fluid_synth(synth->m_settings);
    if (!synth->m_synth) return error = "FluidSynth synthesiser could not be made", nullptr;
    const std::string font = findSoundFont();
    if (!font.empty()) synth->m_soundFont = fluid_synth_sfload(synth->m_synth, font.c_str(), 1);
    synth->m_left.resize(kBlockFrames);
    synth->m_right.resize(kBlockFrames);
    return synth;
}

MusicSynth::~MusicSynth() {
    deletePlayer();
    if (m_synth) delete_fluid_synth(m_synth);
    if (m_settings) delete_fluid_settings(m_settings);
}

void MusicSynth::deletePlayer() {
    if (!m_player) return;
    fluid_player_stop(m_player);
    delete_fluid_player(m_player);
    m_player = nullptr;
}

bool MusicSynth::play(const std::vector<uint8_t>& midiFile, double seconds) {
    stop();
    m_player = new_fluid_player(m_synth);
    if (!m_player) return false;
    // FluidSynth copies the bytes, so the segment may go while this plays.
    if (fluid_player_add_mem(m_player, midiFile.data(), midiFile.size()) != FLUID_OK ||
        fluid_player_play(m_player) != FLUID_OK) {
        deletePlayer();
        return false;
    }
    m_framesPlayed = 0;
    m_framesLong = uint64_t(std::max(0.0, seconds) * m_sampleRate + 0.5);
    return true;
}

void MusicSynth::stop() {
    deletePlayer();
    fluid_synth_all_sounds_off(m_synth, -1);
    m_framesPlayed = m_framesLong = 0;
}

bool MusicSynth::playing() const {
    return m_player && fluid_player_get_status(m_player) == FLUID_PLAYER_PLAYING &&
           m_framesPlayed < m_framesLong;
}

void MusicSynth::mixInto(float* mix, size_t frames, int) {
    while (frames > 0) {
        const size_t block = std::min(frames, kBlockFrames);
        fluid_synth_write_float(m_synth, int(block), m_left.data(), 0, 1, m_right.data(), 0, 1);
        for (size_t i = 0; i < block; ++i) {
            mix[2 * i] += m_left[i] * kGain;
            mix[2 * i + 1] += m_right[i] * kGain;
        }
        if (m_player) m_framesPlayed += block;
        mix += 2 * block;
        frames -= block;
    }
}

}  // namespace platform
