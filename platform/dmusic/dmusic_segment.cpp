#include "dmusic_objects.h"

namespace platform {

namespace {

constexpr MUSIC_TIME kTicksPerQuarter = 768;

class SegmentState final : public RefCounted<IDirectMusicSegmentState> {
public:
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDirectMusicSegmentState) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<IDirectMusicSegmentState*>(this);
        return S_OK;
    }

private:
    LiveMusicObject m_live;
};

}  // namespace

IDirectMusicSegmentState* newSegmentState() { return new SegmentState(); }

MusicSegment::MusicSegment(std::vector<uint8_t> bytes, const MidiFileInfo& info)
    : m_bytes(std::move(bytes)), m_info(info) {}

MusicSegment::~MusicSegment() = default;

HRESULT MusicSegment::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDirectMusicSegment) return E_NOINTERFACE;
    AddRef();
    *object = static_cast<IDirectMusicSegment*>(this);
    return S_OK;
}

HRESULT MusicSegment::SetParam(REFGUID type, DWORD, DWORD, MUSIC_TIME, void* param) {
    if (type == GUID_StandardMIDIFile) {
        m_markedMidi = true;
        return S_OK;
    }
    if (type == GUID_Download) {
        // The synthesiser holds every General MIDI instrument once it runs,
        // so a download only needs a performance that has been initialised.
        MusicPerformance* performance = asPerformance(param);
        if (!performance) return E_POINTER;
        return performance->initialised() ? S_OK : DMUS_E_NOT_INIT;
    }
    if (type == GUID_Unload) return S_OK;
    return DMUS_E_SET_UNSUPPORTED;
}

HRESULT MusicSegment::GetLength(MUSIC_TIME* length) {
    if (!length) return E_POINTER;
    if (m_info.division & 0x8000) {
        // Time-code files: count their seconds at the default 120 beats a minute.
        *length = MUSIC_TIME(m_info.seconds * 2 * kTicksPerQuarter + 0.5);
    } else {
        *length = MUSIC_TIME(int64_t(m_info.lengthTicks) * kTicksPerQuarter / m_info.division);
    }
    return S_OK;
}

MusicSegment* asSegment(IDirectMusicSegment* segment) { return dynamic_cast<MusicSegment*>(segment); }

}  // namespace platform
