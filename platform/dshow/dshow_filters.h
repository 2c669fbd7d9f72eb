// The filters the graph inserts by itself: the file source, the AVI
// splitter, the video decoder and the sound renderer. Internal to the layer.
#pragma once

#include "dshow_base.h"

#include <string>

struct AVCodecParameters;

namespace platform {

// The private media type between the splitter and the decoders: one
// compressed stream, packet by packet. The format block is a
// PacketStreamFormat; the codec parameters it points to belong to the
// splitter, which outlives every connection to it.
extern const GUID MEDIASUBTYPE_PacketStream;
extern const GUID FORMAT_PacketStream;

struct PacketStreamFormat {
    int streamIndex;
    const AVCodecParameters* codec;
    REFERENCE_TIME frameDuration;  // video: time per frame; 0 when unknown
};

// Reads one packet stream's format from a connection type, or null.
const PacketStreamFormat* packetStreamFormat(const CMediaType& type);

// A source that the graph can reposition while it is stopped.
class SeekableSource {
public:
    virtual ~SeekableSource() = default;
    virtual REFERENCE_TIME Duration() = 0;
    virtual void SetStartPosition(REFERENCE_TIME position) = 0;
};

// The file source: one output pin "Output" offering the whole file as a
// byte stream (MEDIATYPE_Stream / MEDIASUBTYPE_Avi for AVI files).
class FileSource : public CBaseFilter {
public:
    // Fails when the file cannot be opened.
    static HRESULT Create(const std::string& path, FileSource** source);
    ~FileSource() override;

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int index) override;
    const std::string& Path() const { return m_path; }
    bool IsAvi() const { return m_isAvi; }

private:
    FileSource(const std::string& path, bool isAvi);

    CCritSec m_lock;
    std::string m_path;
    bool m_isAvi;
    CBasePin* m_pOutput = nullptr;
};

// New filters, each with no reference yet (the graph's AddFilter takes one).
CBaseFilter* CreateAviSplitter();
CBaseFilter* CreateVideoDecoder();
CBaseFilter* CreateAudioRenderer();

// Test seams of the video decoder: which RGB subtypes its output offers, in
// order (default RGB32 then RGB24), and how many bytes each frame sample is
// cut short by (default 0).
void setVideoDecoderOutputs(bool offerRgb32, bool offerRgb24);
void setVideoDecoderSampleShortfall(LONG bytes);

}  // namespace platform
