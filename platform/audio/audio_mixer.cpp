#include "audio_mixer.h"

#include "alsa_messages.h"
#include "sdl_runtime.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <set>

namespace platform {

namespace {

// Which mixer is the process's. Never destroyed, so that a client released
// during static destruction can still ask for it.
struct ProcessMixer {
    std::mutex mutex;
    std::weak_ptr<AudioMixer> current;
    std::string lastError;
};

ProcessMixer& processMixer() {
    static ProcessMixer* state = new ProcessMixer;
    return *state;
}

constexpr int kDeviceBlockFrames = 1024;

// Every client that asks for the mixer after a failed open tries again: a
// failure is told the first time it happens, not once per client.
bool firstTimeSaid(const std::string& why) {
    static std::mutex mutex;
    static auto* said = new std::set<std::string>();  // kept to the very end of the process
    std::lock_guard<std::mutex> guard(mutex);
    return said->insert(why).second;
}

}  // namespace

void mixFloatInto(float* mix, const float* source, size_t frames, int channels, float gain) {
    for (size_t i = 0; i < frames; ++i) {
        const float left = source[i * channels] * gain;
        const float right = channels > 1 ? source[i * channels + 1] * gain : left;
        mix[2 * i] += left;
        mix[2 * i + 1] += right;
    }
}

void mixS16Into(float* mix, const int16_t* source, size_t frames, int channels, float gain) {
    const float scale = gain / 32768.0f;
    for (size_t i = 0; i < frames; ++i) {
        const float left = source[i * channels] * scale;
        const float right = channels > 1 ? source[i * channels + 1] * scale : left;
        mix[2 * i] += left;
        mix[2 * i + 1] += right;
    }
}

AudioMixer::AudioMixer(int sampleRate, uint32_t device) : m_sampleRate(sampleRate), m_device(device) {}

AudioMixer::~AudioMixer() {
    // Closing waits for a callback in progress, so no voice runs after this.
    if (m_device != 0) SDL_CloseAudioDevice(m_device);
}

std::shared_ptr<AudioMixer> AudioMixer::shared() {
    ProcessMixer& process = processMixer();
    std::lock_guard<std::mutex> guard(process.mutex);
    if (auto existing = process.current.lock()) return existing;
    std::string error;
    auto mixer = openDevice(error);
    process.lastError = error;
    process.current = mixer;
    return mixer;
}

std::string AudioMixer::lastError() {
    ProcessMixer& process = processMixer();
    std::lock_guard<std::mutex> guard(process.mutex);
    return process.lastError;
}

std::shared_ptr<AudioMixer> AudioMixer::installManual(int sampleRate) {
    std::shared_ptr<AudioMixer> mixer(new AudioMixer(sampleRate, 0));
    ProcessMixer& process = processMixer();
    std::lock_guard<std::mutex> guard(process.mutex);
    process.current = mixer;
    return mixer;
}

std::shared_ptr<AudioMixer> AudioMixer::openDevice(std::string& error) {
    if (!ensureSdl(SDL_INIT_AUDIO)) {
        error = std::string("audio could not start: ") + SDL_GetError();
        return nullptr;
    }
    std::shared_ptr<AudioMixer> mixer(new AudioMixer(kDefaultRate, 0));
    SDL_AudioSpec wanted{};
    wanted.freq = kDefaultRate;
    wanted.format = AUDIO_F32SYS;
    wanted.channels = kChannels;
    wanted.samples = kDeviceBlockFrames;
    wanted.callback = &AudioMixer::deviceCallback;
    wanted.userdata = mixer.get();
    SDL_AudioSpec obtained{};
    // A driver that knows of no output device at all is on a machine without
    // sound: the open can only fail, and what the audio library says about it
    // only repeats that. The clients are told, and play silent.
    const bool noDeviceListed = SDL_GetNumAudioDevices(0) == 0;
    HeldAlsaMessages alsaMessages;
    // No changes allowed: SDL converts our float stereo to whatever the
    // device wants, so the mix format stays fixed.
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device == 0 && noDeviceListed) {
        alsaMessages.discard();
        error = kNoSoundDevice;
        return nullptr;
    }
    if (device == 0) {
        // Anything else says what failed, the audio library's lines first.
        error = std::string("the sound output could not be opened: ") + SDL_GetError();
        if (firstTimeSaid(error)) {
            alsaMessages.writeOut();
            std::fprintf(stderr, "platform: %s\n", error.c_str());
        }
        alsaMessages.discard();
        return nullptr;
    }
    mixer->m_device = device;
    SDL_PauseAudioDevice(device, 0);
    return mixer;
}

void AudioMixer::deviceCallback(void* mixer, uint8_t* stream, int bytes) {
    const size_t frames = static_cast<size_t>(bytes) / (sizeof(float) * kChannels);
    static_cast<AudioMixer*>(mixer)->renderInto(reinterpret_cast<float*>(stream), frames);
}

void AudioMixer::addVoice(std::shared_ptr<AudioVoice> voice) {
    if (!voice) return;
    std::lock_guard<std::mutex> guard(m_mutex);
    m_voices.push_back(std::move(voice));
}

void AudioMixer::removeVoice(const AudioVoice* voice) {
    std::shared_ptr<AudioVoice> keep;  // destroyed after the lock is released
    std::lock_guard<std::mutex> guard(m_mutex);
    auto found = std::find_if(m_voices.begin(), m_voices.end(),
                              [voice](const std::shared_ptr<AudioVoice>& v) { return v.get() == voice; });
    if (found == m_voices.end()) return;
    keep = std::move(*found);
    m_voices.erase(found);
}

size_t AudioMixer::voiceCount() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_voices.size();
}

std::vector<float> AudioMixer::render(size_t frames) {
    std::vector<float> out(frames * kChannels);
    renderInto(out.data(), frames);
    return out;
}

void AudioMixer::renderInto(float* out, size_t frames) {
    std::fill(out, out + frames * kChannels, 0.0f);
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        for (const auto& voice : m_voices) voice->mixInto(out, frames, m_sampleRate);
        m_framesRendered += frames;
    }
    for (size_t i = 0; i < frames * kChannels; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

uint64_t AudioMixer::framesRendered() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_framesRendered;
}

}  // namespace platform
