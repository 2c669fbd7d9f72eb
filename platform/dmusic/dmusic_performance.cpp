// The performance: one primary segment at a time, sounding through the
// synthesiser voice it adds to the process's mixer.
#include "dmusic_objects.h"

#include "dmusic_synth.h"

namespace platform {

MusicPerformance::MusicPerformance() = default;

MusicPerformance::~MusicPerformance() { CloseDown(); }

HRESULT MusicPerformance::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDirectMusicPerformance) return E_NOINTERFACE;
    AddRef();
    *object = static_cast<IDirectMusicPerformance*>(this);
    return S_OK;
}

HRESULT MusicPerformance::Init(IDirectMusic** music, LPVOID, HWND) {
    if (m_synth) return DMUS_E_ALREADY_INITED;
    if (music && *music) return E_INVALIDARG;  // no outside DirectMusic object can drive this one
    auto mixer = AudioMixer::shared();
    if (!mixer) return DMUS_E_NO_AUDIO;
    std::string error;
    auto synth = MusicSynth::create(mixer->sampleRate(), error);
    if (!synth) return E_FAIL;
    mixer->addVoice(synth);
    m_mixer = std::move(mixer);
    m_synth = std::move(synth);
    return S_OK;
}

HRESULT MusicPerformance::PlaySegment(IDirectMusicSegment* segment, DWORD, REFERENCE_TIME,
                                      IDirectMusicSegmentState** state) {
    if (state) *state = nullptr;
    if (!m_synth) return DMUS_E_NOT_INIT;
    MusicSegment* music = asSegment(segment);
    if (!music) return E_POINTER;
    bool started;
    {
        auto hold = m_mixer->lock();
        started = m_synth->play(music->bytes(), music->seconds());
    }
    // The performance keeps the segment while it is the primary one, so
    // releasing it elsewhere cannot pull it away from under the synthesiser.
    music->AddRef();
    MusicSegment* previous = m_current;
    m_current = started ? music : nullptr;
    if (!started) music->Release();
    if (previous) previous->Release();
    if (!started) return E_FAIL;
    if (state) *state = newSegmentState();
    return S_OK;
}

void MusicPerformance::stopCurrent() {
    if (m_synth) {
        auto hold = m_mixer->lock();
        m_synth->stop();
    }
    if (m_current) {
        MusicSegment* stopped = m_current;
        m_current = nullptr;
        stopped->Release();
    }
}

HRESULT MusicPerformance::Stop(IDirectMusicSegment* segment, IDirectMusicSegmentState* state,
                               MUSIC_TIME, DWORD) {
    if (!m_synth) return DMUS_E_NOT_INIT;
    // No segment and no state: stop everything.
    if (!segment && !state) {
        stopCurrent();
        return S_OK;
    }
    if (segment && m_current && asSegment(segment) == m_current) stopCurrent();
    return S_OK;
}

HRESULT MusicPerformance::IsPlaying(IDirectMusicSegment* segment, IDirectMusicSegmentState* state) {
    if (!m_synth) return DMUS_E_NOT_INIT;
    if (!segment && !state) return E_POINTER;
    if (!segment || !m_current || asSegment(segment) != m_current) return S_FALSE;
    auto hold = m_mixer->lock();
    return m_synth->playing() ? S_OK : S_FALSE;
}

HRESULT MusicPerformance::CloseDown() {
    stopCurrent();
    if (m_synth) m_mixer->removeVoice(m_synth.get());
    m_synth.reset();
    m_mixer.reset();
    return S_OK;
}

MusicPerformance* asPerformance(void* param) {
    if (!param) return nullptr;
    // The parameter is the performance's interface pointer, passed untyped.
    return dynamic_cast<MusicPerformance*>(static_cast<IUnknown*>(param));
}

IUnknown* newMusicPerformance() { return static_cast<IDirectMusicPerformance*>(new MusicPerformance()); }

}  // namespace platform
