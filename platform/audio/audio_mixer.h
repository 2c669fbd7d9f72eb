// The process's one software mixer, on one audio output device.
//
// Every sound source of the program (DirectSound buffers, the video's sound
// renderer, the MIDI synthesiser) is an AudioVoice added to this mixer. SDL
// allows one output device at a time here, and all sources must sound
// together, so nothing else may open an SDL audio device.
//
// How a source plugs in:
//   auto mixer = platform::AudioMixer::shared();     // nullptr: no audio output
//   auto voice = std::make_shared<MyVoice>(...);
//   mixer->addVoice(voice);
//   ...  { auto hold = mixer->lock(); voice->m_volume = ...; }   // change what mixInto reads
//   mixer->removeVoice(voice.get());                  // before the source goes away
//
// The mix is interleaved stereo float (kChannels) at sampleRate(). The mixer
// pulls: on each block it calls every voice's mixInto() with the mixer's lock
// held, on the audio thread (or on the test's thread with the manual
// backend). A voice adds its next frames into the block (mixFloatInto and
// mixS16Into help with that); a voice that is silent adds nothing. Inside
// mixInto a voice must not block, must not call the mixer, and must not take
// locks that another thread holds while it calls the mixer.
//
// Clients hold the mixer by shared_ptr: it lives as long as its last client,
// so objects released during static destruction at exit still find it. The
// device closes when the last client lets go. SDL itself is never shut down
// from an exit handler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

class AudioVoice {
public:
    virtual ~AudioVoice() = default;

    // Adds this voice's next `frames` frames to `mix` (interleaved stereo
    // float at the mixer's rate, already holding other voices' output).
    // Called with the mixer's lock held.
    virtual void mixInto(float* mix, size_t frames, int sampleRate) = 0;
};

// Helpers for voices: add `frames` frames of `channels`-channel samples
// (1 = mono, played on both sides; 2 = interleaved stereo) to a stereo mix.
void mixFloatInto(float* mix, const float* source, size_t frames, int channels, float gain = 1.0f);
void mixS16Into(float* mix, const int16_t* source, size_t frames, int channels, float gain = 1.0f);

class AudioMixer {
public:
    static constexpr int kChannels = 2;
    static constexpr int kDefaultRate = 44100;

    // lastError() after a machine without any sound output device: the
    // clients play silent and tell the user so (nothing else has been
    // written). Every other reason has been written to stderr.
    static constexpr const char* kNoSoundDevice = "no sound device";

    // The process's mixer, opened on SDL's audio output on first use (or the
    // manual one a test installed). nullptr, with the reason in lastError(),
    // when no output can be opened; a later call tries again.
    static std::shared_ptr<AudioMixer> shared();
    static std::string lastError();

    // Tests: makes a mixer with no device and no thread the process's mixer,
    // so that later shared() calls return it. Call it before any client asks
    // for the mixer, and keep the result alive for as long as it is used.
    // The test then calls render() to pull the mix.
    static std::shared_ptr<AudioMixer> installManual(int sampleRate = kDefaultRate);

    ~AudioMixer();
    AudioMixer(const AudioMixer&) = delete;
    AudioMixer& operator=(const AudioMixer&) = delete;

    int sampleRate() const { return m_sampleRate; }
    bool isManual() const { return m_device == 0; }

    void addVoice(std::shared_ptr<AudioVoice> voice);
    // After this returns the voice is not running and will not run again.
    void removeVoice(const AudioVoice* voice);
    size_t voiceCount() const;

    // Hold while changing state that a voice's mixInto reads.
    std::unique_lock<std::mutex> lock() const { return std::unique_lock<std::mutex>(m_mutex); }

    // Mixes the next `frames` frames (interleaved stereo, clamped to -1..1).
    // With the manual backend this is how a test pumps the mixer; with the
    // SDL backend only the audio thread calls it.
    std::vector<float> render(size_t frames);
    void renderInto(float* out, size_t frames);

    // Frames mixed so far, for tests and diagnostics.
    uint64_t framesRendered() const;

private:
    AudioMixer(int sampleRate, uint32_t device);
    static std::shared_ptr<AudioMixer> openDevice(std::string& error);
    static void deviceCallback(void* mixer, uint8_t* stream, int bytes);

    const int m_sampleRate;
    uint32_t m_device = 0;  // SDL device id; 0 for the manual backend
    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<AudioVoice>> m_voices;
    uint64_t m_framesRendered = 0;
};

}  // namespace platform
