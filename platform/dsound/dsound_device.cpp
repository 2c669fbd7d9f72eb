// The sound device object: creates and duplicates secondary buffers, all of
// them voices of the process mixer.
#include "dsound_buffer.h"

#include <new>

const IID IID_IDirectSound = {0x6d3a91c0, 0x52b4, 0x4e7f, {0xa1, 0x0c, 0x3b, 0x5e, 0x82, 0x11, 0x02, 0x01}};
const IID IID_IDirectSound8 = {0x6d3a91c0, 0x52b4, 0x4e7f, {0xa1, 0x0c, 0x3b, 0x5e, 0x82, 0x11, 0x02, 0x02}};
const IID IID_IDirectSoundBuffer = {0x6d3a91c0, 0x52b4, 0x4e7f, {0xa1, 0x0c, 0x3b, 0x5e, 0x82, 0x11, 0x02, 0x03}};
const IID IID_IDirectSoundBuffer8 = {0x6d3a91c0, 0x52b4, 0x4e7f, {0xa1, 0x0c, 0x3b, 0x5e, 0x82, 0x11, 0x02, 0x04}};

namespace platform {

namespace {

bool isPlayableFormat(const WAVEFORMATEX* format) {
    if (!format || format->wFormatTag != WAVE_FORMAT_PCM) return false;
    if (format->nChannels != 1 && format->nChannels != 2) return false;
    if (format->wBitsPerSample != 8 && format->wBitsPerSample != 16) return false;
    if (format->nBlockAlign != format->nChannels * format->wBitsPerSample / 8) return false;
    return format->nSamplesPerSec >= DSBFREQUENCY_MIN && format->nSamplesPerSec <= DSBFREQUENCY_MAX;
}

class DirectSound final : public RefCounted<IDirectSound8> {
public:
    explicit DirectSound(std::shared_ptr<AudioMixer> mixer) : m_mixer(std::move(mixer)) {}

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDirectSound || iid == IID_IDirectSound8) {
            AddRef();
            *object = static_cast<IDirectSound8*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

    HRESULT CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer, IUnknown* outer) override {
        if (!buffer) return DSERR_INVALIDPARAM;
        *buffer = nullptr;
        if (outer) return DSERR_NOAGGREGATION;
        if (!desc || desc->dwSize != sizeof(DSBUFFERDESC) || desc->dwReserved != 0) return DSERR_INVALIDPARAM;
        if (m_level == 0) return DSERR_PRIOLEVELNEEDED;
        // Only secondary buffers: the layer mixes in software, so there is no
        // primary buffer to write to.
        if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) return DSERR_UNSUPPORTED;
        if (desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX) return DSERR_INVALIDPARAM;
        if (!isPlayableFormat(desc->lpwfxFormat)) return DSERR_BADFORMAT;
        const WAVEFORMATEX& format = *desc->lpwfxFormat;
        // Whole frames only: a trailing part frame would never play.
        const DWORD bytes = desc->dwBufferBytes - desc->dwBufferBytes % format.nBlockAlign;
        try {
            // New memory is silence in the buffer's sample format.
            const uint8_t silence = format.wBitsPerSample == 8 ? 0x80 : 0x00;
            auto data = std::make_shared<std::vector<uint8_t>>(bytes, silence);
            *buffer = new SoundBuffer(m_mixer, format, desc->dwFlags, std::move(data));
        } catch (const std::bad_alloc&) {
            return DSERR_OUTOFMEMORY;
        }
        return DS_OK;
    }

    HRESULT DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original, LPDIRECTSOUNDBUFFER* duplicate) override {
        if (!duplicate) return DSERR_INVALIDPARAM;
        *duplicate = nullptr;
        SoundBuffer* source = soundBufferFrom(original);
        if (!source) return DSERR_INVALIDPARAM;
        try {
            *duplicate = source->duplicate();
        } catch (const std::bad_alloc&) {
            return DSERR_OUTOFMEMORY;
        }
        return DS_OK;
    }

    HRESULT SetCooperativeLevel(HWND window, DWORD level) override {
        if (!window || level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY) return DSERR_INVALIDPARAM;
        m_level = level;
        m_window = window;
        return DS_OK;
    }

    HRESULT Compact() override { return m_level == 0 ? DSERR_PRIOLEVELNEEDED : DS_OK; }
    HRESULT Initialize(const GUID*) override { return DSERR_ALREADYINITIALIZED; }

    DWORD level() const { return m_level; }
    HWND window() const { return m_window; }

private:
    std::shared_ptr<AudioMixer> m_mixer;
    DWORD m_level = 0;
    HWND m_window = nullptr;
};

}  // namespace

DWORD cooperativeLevelOf(IDirectSound* directSound, HWND* window) {
    auto* device = dynamic_cast<DirectSound*>(directSound);
    if (window) *window = device ? device->window() : nullptr;
    return device ? device->level() : 0;
}

}  // namespace platform

HRESULT DirectSoundCreate8(const GUID* device, LPDIRECTSOUND8* directSound, IUnknown* outer) {
    if (!directSound) return DSERR_INVALIDPARAM;
    *directSound = nullptr;
    if (outer) return DSERR_NOAGGREGATION;
    if (device) return DSERR_NODRIVER;  // only the default output exists
    auto mixer = platform::AudioMixer::shared();
    if (!mixer) return DSERR_NODRIVER;
    try {
        *directSound = new platform::DirectSound(std::move(mixer));
    } catch (const std::bad_alloc&) {
        return DSERR_OUTOFMEMORY;
    }
    return DS_OK;
}

HRESULT DirectSoundCreate(const GUID* device, LPDIRECTSOUND* directSound, IUnknown* outer) {
    if (!directSound) return DSERR_INVALIDPARAM;
    LPDIRECTSOUND8 created = nullptr;
    const HRESULT result = DirectSoundCreate8(device, &created, outer);
    *directSound = created;
    return result;
}
