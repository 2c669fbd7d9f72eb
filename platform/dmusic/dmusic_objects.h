// The DirectMusic stand-in's objects, as the loader, the segments and the
// performance see one another. Callers use dmusic_api.h only.
#pragma once

#include "dmusic_api.h"
#include "dmusic_midi_file.h"
#include "audio_mixer.h"
#include "ref_counted.h"

#include <memory>
#include <string>
#include <vector>

namespace platform {

class MusicSynth;

// Counts the stand-in's live objects (see dmusic_host.h).
class LiveMusicObject {
public:
    LiveMusicObject();
    ~LiveMusicObject();
    LiveMusicObject(const LiveMusicObject&) = delete;
    LiveMusicObject& operator=(const LiveMusicObject&) = delete;
};

// The bytes of one standard MIDI file.
class MusicSegment final : public RefCounted<IDirectMusicSegment> {
public:
    MusicSegment(std::vector<uint8_t> bytes, const MidiFileInfo& info);
    ~MusicSegment() override;

    HRESULT QueryInterface(REFIID iid, void** object) override;
    HRESULT SetParam(REFGUID type, DWORD groupBits, DWORD index, MUSIC_TIME time,
                     void* param) override;
    HRESULT GetLength(MUSIC_TIME* length) override;

    const std::vector<uint8_t>& bytes() const { return m_bytes; }
    double seconds() const { return m_info.seconds; }

private:
    std::vector<uint8_t> m_bytes;
    MidiFileInfo m_info;
    LiveMusicObject m_live;
    bool m_markedMidi = false;
};

class MusicPerformance final : public RefCounted<IDirectMusicPerformance> {
public:
    MusicPerformance();
    ~MusicPerformance() override;

    HRESULT QueryInterface(REFIID iid, void** object) override;
    HRESULT Init(IDirectMusic** music, LPVOID directSound, HWND window) override;
    HRESULT PlaySegment(IDirectMusicSegment* segment, DWORD flags, REFERENCE_TIME startTime,
                        IDirectMusicSegmentState** state) override;
    HRESULT Stop(IDirectMusicSegment* segment, IDirectMusicSegmentState* state, MUSIC_TIME time,
                 DWORD flags) override;
    HRESULT IsPlaying(IDirectMusicSegment* segment, IDirectMusicSegmentState* state) override;
    HRESULT CloseDown() override;

    bool initialised() const { return m_synth != nullptr; }

private:
    void stopCurrent();

    std::shared_ptr<AudioMixer> m_mixer;
    std::shared_ptr<MusicSynth> m_synth;  // null until Init
    MusicSegment* m_current = nullptr;  // the primary segment, with a reference held
    LiveMusicObject m_live;
};

IUnknown* newMusicLoader();
IDirectMusicSegmentState* newSegmentState();
IUnknown* newMusicPerformance();

// The performance a segment parameter names, or null when it is not one of ours.
MusicPerformance* asPerformance(void* param);
MusicSegment* asSegment(IDirectMusicSegment* segment);

// UTF-16 (up to `capacity` characters, terminator within them) to UTF-8;
// false when there is no terminator within the capacity.
bool wideToUtf8(const WCHAR* wide, size_t capacity, std::string& out);

}  // namespace platform
