// A secondary sound buffer: PCM bytes (8-bit unsigned or 16-bit signed, mono
// or stereo) played by the process mixer with its own position, volume, pan
// and frequency. Duplicates share the bytes and keep everything else apart.
// Lock hands out the buffer's own memory, as DirectSound does: the caller
// writes it without the mixer's lock, so it fills a buffer before playing it
// (or writes only where the play cursor is not).
#pragma once

#include "audio_mixer.h"
#include "dsound_api.h"
#include "ref_counted.h"

#include <memory>
#include <vector>

namespace platform {

// What the mixer reads; every field is guarded by the mixer's lock.
struct SoundBufferVoice final : AudioVoice {
    std::shared_ptr<std::vector<uint8_t>> bytes;
    WAVEFORMATEX format{};
    DWORD flags = 0;
    uint64_t position = 0;  // in frames, 16.16 fixed point
    bool playing = false;
    bool looping = false;
    bool lost = false;
    LONG volume = DSBVOLUME_MAX;
    LONG pan = DSBPAN_CENTER;
    DWORD frequency = DSBFREQUENCY_ORIGINAL;
    float gainLeft = 1.0f;
    float gainRight = 1.0f;

    size_t frameCount() const { return bytes->size() / format.nBlockAlign; }
    void updateGains();
    void mixInto(float* mix, size_t frames, int sampleRate) override;

private:
    float sample(size_t frame, int channel) const;
    bool reachedEnd();
};

class SoundBuffer final : public RefCounted<IDirectSoundBuffer8> {
public:
    // `bytes` holds a whole number of frames of `format`.
    SoundBuffer(std::shared_ptr<AudioMixer> mixer, const WAVEFORMATEX& format, DWORD flags,
                std::shared_ptr<std::vector<uint8_t>> bytes);
    ~SoundBuffer() override;

    // A new buffer on the same bytes, stopped at 0, with this one's settings.
    SoundBuffer* duplicate();
    // Marks the buffer's memory as lost, as when the device is taken away:
    // it stops, and Play and Lock fail until Restore.
    void markLost();

    HRESULT QueryInterface(REFIID iid, void** object) override;
    HRESULT GetCaps(LPDSBCAPS caps) override;
    HRESULT GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) override;
    HRESULT GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated, DWORD* sizeWritten) override;
    HRESULT GetVolume(LONG* volume) override;
    HRESULT GetPan(LONG* pan) override;
    HRESULT GetFrequency(DWORD* frequency) override;
    HRESULT GetStatus(DWORD* status) override;
    HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* audioPtr1, DWORD* audioBytes1, LPVOID* audioPtr2,
                 DWORD* audioBytes2, DWORD flags) override;
    HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) override;
    HRESULT SetCurrentPosition(DWORD newPosition) override;
    HRESULT SetVolume(LONG volume) override;
    HRESULT SetPan(LONG pan) override;
    HRESULT SetFrequency(DWORD frequency) override;
    HRESULT Stop() override;
    HRESULT Unlock(LPVOID audioPtr1, DWORD audioBytes1, LPVOID audioPtr2, DWORD audioBytes2) override;
    HRESULT Restore() override;

private:
    DWORD positionBytes() const;
    bool insideBytes(const void* pointer, DWORD length) const;

    std::shared_ptr<AudioMixer> m_mixer;
    std::shared_ptr<SoundBufferVoice> m_voice;
};

// Test hook: the buffer behind an interface pointer the layer handed out
// (nullptr for anything else), e.g. to call markLost().
SoundBuffer* soundBufferFrom(IDirectSoundBuffer* buffer);

// The cooperative level a DirectSound object of the layer was given (0 before
// any), and its window; 0 for an object that is not the layer's.
DWORD cooperativeLevelOf(IDirectSound* directSound, HWND* window);

}  // namespace platform
