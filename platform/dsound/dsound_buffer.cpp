#include "dsound_buffer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform {

namespace {

constexpr int kFractionBits = 16;
constexpr uint64_t kOneFrame = uint64_t(1) << kFractionBits;

// Hundredths of a decibel to a linear factor; the bottom of the range is silence.
float attenuation(LONG hundredthsOfDb) {
    if (hundredthsOfDb <= DSBVOLUME_MIN) return 0.0f;
    return static_cast<float>(std::pow(10.0, hundredthsOfDb / 2000.0));
}

}  // namespace

// ---------------------------------------------------------------- the voice

void SoundBufferVoice::updateGains() {
    const float gain = attenuation(volume);
    // Panning turns the far side down and leaves the near side alone.
    gainLeft = gain * (pan > 0 ? attenuation(-pan) : 1.0f);
    gainRight = gain * (pan < 0 ? attenuation(pan) : 1.0f);
}

float SoundBufferVoice::sample(size_t frame, int channel) const {
    const size_t offset = frame * format.nBlockAlign;
    if (format.wBitsPerSample == 8) return ((*bytes)[offset + channel] - 128) / 128.0f;
    int16_t value;
    std::memcpy(&value, bytes->data() + offset + 2 * channel, sizeof value);
    return value / 32768.0f;
}

// A one-shot that has played its last frame stops by itself and rewinds.
bool SoundBufferVoice::reachedEnd() {
    const uint64_t end = frameCount() * kOneFrame;
    if (position < end) return false;
    if (looping) {
        position %= end;
        return false;
    }
    playing = false;
    position = 0;
    return true;
}

void SoundBufferVoice::mixInto(float* mix, size_t frames, int sampleRate) {
    if (!playing || lost) return;
    const size_t count = frameCount();
    const DWORD rate = frequency != DSBFREQUENCY_ORIGINAL ? frequency : format.nSamplesPerSec;
    const uint64_t step = std::max<uint64_t>(1, (uint64_t(rate) << kFractionBits) / sampleRate);
    const int right = format.nChannels > 1 ? 1 : 0;
    for (size_t i = 0; i < frames; ++i) {
        if (reachedEnd()) return;
        const size_t frame = position >> kFractionBits;
        const size_t next = frame + 1 < count ? frame + 1 : (looping ? 0 : frame);
        const float t = (position & (kOneFrame - 1)) / float(kOneFrame);
        const float left = sample(frame, 0) + (sample(next, 0) - sample(frame, 0)) * t;
        const float rightValue = sample(frame, right) + (sample(next, right) - sample(frame, right)) * t;
        mix[2 * i] += left * gainLeft;
        mix[2 * i + 1] += rightValue * gainRight;
        position += step;
    }
    reachedEnd();
}

// ---------------------------------------------------------------- the buffer

SoundBuffer::SoundBuffer(std::shared_ptr<AudioMixer> mixer, const WAVEFORMATEX& format, DWORD flags,
                         std::shared_ptr<std::vector<uint8_t>> bytes)
    : m_mixer(std::move(mixer)), m_voice(std::make_shared<SoundBufferVoice>()) {
    m_voice->bytes = std::move(bytes);
    m_voice->format = format;
    m_voice->format.cbSize = 0;
    m_voice->flags = flags;
    m_mixer->addVoice(m_voice);
}

SoundBuffer::~SoundBuffer() { m_mixer->removeVoice(m_voice.get()); }

SoundBuffer* SoundBuffer::duplicate() {
    SoundBufferVoice settings;
    {
        auto hold = m_mixer->lock();
        settings = *m_voice;
    }
    // The constructor registers the new voice, which takes the mixer's lock.
    auto* copy = new SoundBuffer(m_mixer, settings.format, settings.flags, settings.bytes);
    auto hold = m_mixer->lock();
    copy->m_voice->volume = settings.volume;
    copy->m_voice->pan = settings.pan;
    copy->m_voice->frequency = settings.frequency;
    copy->m_voice->updateGains();
    return copy;
}

void SoundBuffer::markLost() {
    auto hold = m_mixer->lock();
    m_voice->lost = true;
    m_voice->playing = false;
}

HRESULT SoundBuffer::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDirectSoundBuffer || iid == IID_IDirectSoundBuffer8) {
        AddRef();
        *object = static_cast<IDirectSoundBuffer8*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT SoundBuffer::GetCaps(LPDSBCAPS caps) {
    if (!caps || caps->dwSize != sizeof(DSBCAPS)) return DSERR_INVALIDPARAM;
    auto hold = m_mixer->lock();
    caps->dwFlags = m_voice->flags;
    caps->dwBufferBytes = static_cast<DWORD>(m_voice->bytes->size());
    caps->dwUnlockTransferRate = 0;
    caps->dwPlayCpuOverhead = 0;
    return DS_OK;
}

DWORD SoundBuffer::positionBytes() const {
    return static_cast<DWORD>((m_voice->position >> kFractionBits) * m_voice->format.nBlockAlign);
}

HRESULT SoundBuffer::GetCurrentPosition(DWORD* playCursor, DWORD* writeCursor) {
    auto hold = m_mixer->lock();
    // Writing is safe from where the mixer is reading: a software mixer
    // keeps no bytes of its own ahead of the play cursor.
    if (playCursor) *playCursor = positionBytes();
    if (writeCursor) *writeCursor = positionBytes();
    return DS_OK;
}

HRESULT SoundBuffer::GetFormat(LPWAVEFORMATEX format, DWORD sizeAllocated, DWORD* sizeWritten) {
    if (!format && !sizeWritten) return DSERR_INVALIDPARAM;
    const DWORD size = sizeof(WAVEFORMATEX);
    if (format) {
        if (sizeAllocated < size) return DSERR_INVALIDPARAM;
        auto hold = m_mixer->lock();
        *format = m_voice->format;
    }
    if (sizeWritten) *sizeWritten = size;
    return DS_OK;
}

HRESULT SoundBuffer::GetVolume(LONG* volume) {
    if (!volume) return DSERR_INVALIDPARAM;
    if (!(m_voice->flags & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    auto hold = m_mixer->lock();
    *volume = m_voice->volume;
    return DS_OK;
}

HRESULT SoundBuffer::GetPan(LONG* pan) {
    if (!pan) return DSERR_INVALIDPARAM;
    if (!(m_voice->flags & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
    auto hold = m_mixer->lock();
    *pan = m_voice->pan;
    return DS_OK;
}

HRESULT SoundBuffer::GetFrequency(DWORD* frequency) {
    if (!frequency) return DSERR_INVALIDPARAM;
    if (!(m_voice->flags & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
    auto hold = m_mixer->lock();
    *frequency = m_voice->frequency != DSBFREQUENCY_ORIGINAL ? m_voice->frequency
                                                             : m_voice->format.nSamplesPerSec;
    return DS_OK;
}

HRESULT SoundBuffer::GetStatus(DWORD* status) {
    if (!status) return DSERR_INVALIDPARAM;
    auto hold = m_mixer->lock();
    // Only the three state bits: callers compare a stopped buffer's status with 0.
    DWORD bits = 0;
    if (m_voice->playing) bits |= DSBSTATUS_PLAYING;
    if (m_voice->playing && m_voice->looping) bits |= DSBSTATUS_LOOPING;
    if (m_voice->lost) bits |= DSBSTATUS_BUFFERLOST;
    *status = bits;
    return DS_OK;
}

HRESULT SoundBuffer::Lock(DWORD offset, DWORD bytes, LPVOID* audioPtr1, DWORD* audioBytes1,
                          LPVOID* audioPtr2, DWORD* audioBytes2, DWORD flags) {
    if (!audioPtr1 || !audioBytes1) return DSERR_INVALIDPARAM;
    auto hold = m_mixer->lock();
    if (m_voice->lost) return DSERR_BUFFERLOST;
    const DWORD size = static_cast<DWORD>(m_voice->bytes->size());
    if (flags & DSBLOCK_FROMWRITECURSOR) offset = positionBytes();
    if (flags & DSBLOCK_ENTIREBUFFER) bytes = size;
    if (offset >= size || bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;
    // A lock that runs past the end wraps round to the start as a second region.
    uint8_t* base = m_voice->bytes->data();
    const DWORD first = std::min(bytes, size - offset);
    const DWORD second = bytes - first;
    if (second > 0 && (!audioPtr2 || !audioBytes2)) return DSERR_INVALIDPARAM;
    *audioPtr1 = base + offset;
    *audioBytes1 = first;
    if (audioPtr2) *audioPtr2 = second > 0 ? base : nullptr;
    if (audioBytes2) *audioBytes2 = second;
    return DS_OK;
}

bool SoundBuffer::insideBytes(const void* pointer, DWORD length) const {
    const uint8_t* base = m_voice->bytes->data();
    const uint8_t* p = static_cast<const uint8_t*>(pointer);
    return p >= base && p <= base + m_voice->bytes->size() &&
           length <= static_cast<size_t>(base + m_voice->bytes->size() - p);
}

HRESULT SoundBuffer::Unlock(LPVOID audioPtr1, DWORD audioBytes1, LPVOID audioPtr2, DWORD audioBytes2) {
    auto hold = m_mixer->lock();
    if (!audioPtr1 || !insideBytes(audioPtr1, audioBytes1)) return DSERR_INVALIDPARAM;
    if (audioPtr2 && !insideBytes(audioPtr2, audioBytes2)) return DSERR_INVALIDPARAM;
    return DS_OK;
}

HRESULT SoundBuffer::Play(DWORD reserved, DWORD priority, DWORD flags) {
    if (reserved != 0 || priority != 0) return DSERR_INVALIDPARAM;
    auto hold = m_mixer->lock();
    if (m_voice->lost) return DSERR_BUFFERLOST;
    // Playing again from where it is: only SetCurrentPosition rewinds.
    m_voice->playing = true;
    m_voice->looping = (flags & DSBPLAY_LOOPING) != 0;
    return DS_OK;
}

HRESULT SoundBuffer::SetCurrentPosition(DWORD newPosition) {
    auto hold = m_mixer->lock();
    if (newPosition >= m_voice->bytes->size()) return DSERR_INVALIDPARAM;
    m_voice->position = uint64_t(newPosition / m_voice->format.nBlockAlign) << kFractionBits;
    return DS_OK;
}

HRESULT SoundBuffer::SetVolume(LONG volume) {
    if (!(m_voice->flags & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
    auto hold = m_mixer->lock();
    m_voice->volume = volume;
    m_voice->updateGains();
    return DS_OK;
}

HRESULT SoundBuffer::SetPan(LONG pan) {
    if (!(m_voice->flags & DSBCAPS_CTRLPAN)) return DSERR_CONTROLUNAVAIL;
    if (pan < DSBPAN_LEFT || pan > DSBPAN_RIGHT) return DSERR_INVALIDPARAM;
    auto hold = m_mixer->lock();
    m_voice->pan = pan;
    m_voice->updateGains();
    return DS_OK;
}

HRESULT SoundBuffer::SetFrequency(DWORD frequency) {
    if (!(m_voice->flags & DSBCAPS_CTRLFREQUENCY)) return DSERR_CONTROLUNAVAIL;
    if (frequency != DSBFREQUENCY_ORIGINAL &&
        (frequency < DSBFREQUENCY_MIN || frequency > DSBFREQUENCY_MAX)) {
        return DSERR_INVALIDPARAM;
    }
    auto hold = m_mixer->lock();
    m_voice->frequency = frequency;
    return DS_OK;
}

HRESULT SoundBuffer::Stop() {
    auto hold = m_mixer->lock();
    m_voice->playing = false;
    return DS_OK;
}

HRESULT SoundBuffer::Restore() {
    auto hold = m_mixer->lock();
    m_voice->lost = false;
    return DS_OK;
}

SoundBuffer* soundBufferFrom(IDirectSoundBuffer* buffer) { return dynamic_cast<SoundBuffer*>(buffer); }

}  // namespace platform
