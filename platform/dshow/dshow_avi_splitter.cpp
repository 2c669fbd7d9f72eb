// The AVI splitter over libavformat. Its output pins "Stream 00",
// "Stream 01", ... follow the file's stream order. While the graph runs,
// each connected pin has a streaming thread of its own with its own reader
// on the file, so a sound stream never starves behind a video stream that
// waits for its presentation times.
#include "diagnostics.h"
#include "dshow_filters.h"
#include "dshow_graph.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

namespace {

const CLSID CLSID_AviSplitter = {0x6d3a0300, 0x41b2, 0x4c07, {0x8e, 0x5a, 0x2f, 0x91, 0x0c, 0x7d, 0x03, 0x00}};
constexpr AVRational kHundredNs = {1, 10000000};
constexpr int kMaxStreams = 100;  // pin names have two digits
// A video frame shown longer than this comes from a damaged header; such a
// stream would keep the clip from ending for all practical purposes.
constexpr REFERENCE_TIME kLongestFrame = 10 * 10000000LL;

void quietLibraries() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_ERROR); });
}

// A reader on the file, or null when it is not an AVI libavformat can read.
AVFormatContext* openAvi(const std::string& path) {
    quietLibraries();
    AVFormatContext* context = nullptr;
    const AVInputFormat* avi = av_find_input_format("avi");
    if (avformat_open_input(&context, path.c_str(), avi, nullptr) < 0) {
        reportUnusableFile("video", path, "not an AVI file that can be read");
        return nullptr;
    }
    if (avformat_find_stream_info(context, nullptr) < 0) {
        reportUnusableFile("video", path, "its streams cannot be read");
        avformat_close_input(&context);
        return nullptr;
    }
    return context;
}

REFERENCE_TIME toHundredNs(int64_t time, AVRational base) {
    return av_rescale_q(time, base, kHundredNs);
}

class AviSplitter;

class SplitterInputPin final : public CBaseInputPin {
public:
    SplitterInputPin(AviSplitter* splitter, CCritSec* lock);
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT CompleteConnect(IPin* connector) override;
    HRESULT BreakConnect() override;

private:
    AviSplitter* m_splitter;
};

class SplitterOutputPin final : public CBaseOutputPin {
public:
    SplitterOutputPin(AviSplitter* splitter, CCritSec* lock, const std::u16string& name,
                      int streamIndex, const AVStream* stream);
    ~SplitterOutputPin() override { avcodec_parameters_free(&m_codec); }

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    bool Usable() const { return m_major != GUID_NULL && m_codec && !m_absurdTiming; }

    // The streaming thread's work: read this stream from `start` to its end.
    void Stream(const std::string& path, REFERENCE_TIME start, REFERENCE_TIME duration,
                const std::atomic<bool>& stop);

private:
    HRESULT DeliverPacket(const AVPacket* packet, AVRational base, REFERENCE_TIME start,
                          REFERENCE_TIME duration);

    int m_streamIndex;
    GUID m_major = GUID_NULL;
    AVCodecParameters* m_codec = nullptr;
    REFERENCE_TIME m_frameDuration = 0;
    bool m_absurdTiming = false;  // a damaged header: one frame for ages
};

class AviSplitter final : public CBaseFilter, public SeekableSource {
public:
    AviSplitter() : CBaseFilter("AVI splitter", nullptr, &m_lock, CLSID_AviSplitter) {
        m_input = std::make_unique<SplitterInputPin>(this, &m_lock);
    }
    ~AviSplitter() override { StopStreaming(); }

    int GetPinCount() override { return 1 + int(m_outputs.size()); }
    CBasePin* GetPin(int index) override {
        if (index == 0) return m_input.get();
        if (index < 1 || index > int(m_outputs.size())) return nullptr;
        return m_outputs[size_t(index - 1)].get();
    }

    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT Pause() override { return Stop(); }
    HRESULT Stop() override;

    REFERENCE_TIME Duration() override { return m_duration; }
    void SetStartPosition(REFERENCE_TIME position) override { m_startPosition = position; }

    HRESULT OpenFile(const std::string& path);
    void CloseFile();

private:
    void StopStreaming();

    CCritSec m_lock;
    std::unique_ptr<SplitterInputPin> m_input;
    std::vector<std::unique_ptr<SplitterOutputPin>> m_outputs;
    std::string m_path;
    REFERENCE_TIME m_duration = 0;
    REFERENCE_TIME m_startPosition = 0;
    std::atomic<bool> m_stopStreaming{false};
    std::vector<std::thread> m_threads;
};

// ---------------------------------------------------------------- input
SplitterInputPin::SplitterInputPin(AviSplitter* splitter, CCritSec* lock)
    : CBaseInputPin("AVI splitter input", splitter, lock, nullptr, u"Input"), m_splitter(splitter) {}

HRESULT SplitterInputPin::CheckMediaType(const CMediaType* type) {
    return *type->Type() == MEDIATYPE_Stream && *type->Subtype() == MEDIASUBTYPE_Avi ? S_OK : S_FALSE;
}

HRESULT SplitterInputPin::CompleteConnect(IPin* connector) {
    auto* pin = dynamic_cast<CBasePin*>(connector);
    auto* source = pin ? dynamic_cast<FileSource*>(pin->Filter()) : nullptr;
    if (!source) return E_FAIL;
    return m_splitter->OpenFile(source->Path());
}

HRESULT SplitterInputPin::BreakConnect() {
    m_splitter->CloseFile();
    return S_OK;
}

// ---------------------------------------------------------------- output
SplitterOutputPin::SplitterOutputPin(AviSplitter* splitter, CCritSec* lock,
                                     const std::u16string& name, int streamIndex,
                                     const AVStream* stream)
    : CBaseOutputPin("AVI splitter output", splitter, lock, nullptr, name.c_str()),
      m_streamIndex(streamIndex) {
    const AVCodecParameters* codec = stream->codecpar;
    if (codec->codec_type == AVMEDIA_TYPE_VIDEO) m_major = MEDIATYPE_Video;
    if (codec->codec_type == AVMEDIA_TYPE_AUDIO) m_major = MEDIATYPE_Audio;
    m_codec = avcodec_parameters_alloc();
    if (m_codec && avcodec_parameters_copy(m_codec, codec) < 0) avcodec_parameters_free(&m_codec);
    const AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
    if (rate.num > 0 && rate.den > 0) m_frameDuration = av_rescale_q(1, av_inv_q(rate), kHundredNs);
    m_absurdTiming = m_major == MEDIATYPE_Video && m_frameDuration > kLongestFrame;
}

HRESULT SplitterOutputPin::GetMediaType(int position, CMediaType* type) {
    if (position != 0 || !Usable()) return S_FALSE;
    type->SetType(&m_major);
    type->SetSubtype(&MEDIASUBTYPE_PacketStream);
    type->SetFormatType(&FORMAT_PacketStream);
    type->SetSampleSize(0);
    const PacketStreamFormat format{m_streamIndex, m_codec, m_frameDuration};
    type->SetFormat(reinterpret_cast<const BYTE*>(&format), sizeof format);
    return S_OK;
}

HRESULT SplitterOutputPin::CheckMediaType(const CMediaType* type) {
    return Usable() && *type->Type() == m_major && packetStreamFormat(*type) ? S_OK : S_FALSE;
}

HRESULT SplitterOutputPin::DeliverPacket(const AVPacket* packet, AVRational base,
                                         REFERENCE_TIME start, REFERENCE_TIME duration) {
    CMediaSample* sample = CMediaSample::Create(packet->size);
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    if (packet->size > 0) std::copy(packet->data, packet->data + packet->size, data);
    const int64_t stamp = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (stamp != AV_NOPTS_VALUE) {
        REFERENCE_TIME begin = toHundredNs(stamp, base) - start;
        // A damaged time stamp must not park the stream far in the future.
        if (duration > 0) begin = std::min(begin, duration - start);
        REFERENCE_TIME length = packet->duration > 0 ? toHundredNs(packet->duration, base) : m_frameDuration;
        REFERENCE_TIME end = begin + std::max<REFERENCE_TIME>(length, 1);
        sample->SetTime(&begin, &end);
    }
    const HRESULT hr = Deliver(sample);
    sample->Release();
    return hr;
}

void SplitterOutputPin::Stream(const std::string& path, REFERENCE_TIME start,
                               REFERENCE_TIME duration, const std::atomic<bool>& stop) {
    DshowThreadMark running;
    AVFormatContext* context = openAvi(path);
    if (context && m_streamIndex < int(context->nb_streams)) {
        for (unsigned i = 0; i < context->nb_streams; ++i)
            context->streams[i]->discard = int(i) == m_streamIndex ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
        const AVRational base = context->streams[m_streamIndex]->time_base;
        if (start > 0)
            av_seek_frame(context, m_streamIndex, av_rescale_q(start, kHundredNs, base),
                          AVSEEK_FLAG_BACKWARD);
        DeliverNewSegment(start, duration, 1.0);
        AVPacket* packet = av_packet_alloc();
        while (packet && !stop && av_read_frame(context, packet) >= 0) {
            HRESULT hr = S_OK;
            if (packet->stream_index == m_streamIndex) hr = DeliverPacket(packet, base, start, duration);
            av_packet_unref(packet);
            if (FAILED(hr)) break;  // downstream stopped
        }
        av_packet_free(&packet);
    }
    if (context) avformat_close_input(&context);
    // A read error ends the clip just like the end of the file does.
    if (!stop) DeliverEndOfStream();
}

// ---------------------------------------------------------------- filter
HRESULT AviSplitter::OpenFile(const std::string& path) {
    AVFormatContext* context = openAvi(path);
    if (!context) return VFW_E_UNSUPPORTED_STREAM;
    const int streams = std::min(int(context->nb_streams), kMaxStreams);
    for (int i = 0; i < streams; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "Stream %02d", i);
        const std::u16string wide(name, name + std::char_traits<char>::length(name));
        m_outputs.push_back(std::make_unique<SplitterOutputPin>(this, &m_lock, wide, i, context->streams[i]));
    }
    // The longest stream: the container's figure may follow the video alone.
    if (context->duration != AV_NOPTS_VALUE && context->duration > 0)
        m_duration = toHundredNs(context->duration, AVRational{1, AV_TIME_BASE});
    for (int i = 0; i < streams; ++i) {
        const AVStream* stream = context->streams[i];
        // An AVI stream's length counts units of its time base.
        const int64_t length = stream->duration != AV_NOPTS_VALUE && stream->duration > 0
                                   ? stream->duration
                                   : stream->nb_frames;
        if (length > 0) m_duration = std::max(m_duration, toHundredNs(length, stream->time_base));
    }
    avformat_close_input(&context);
    m_path = path;
    return S_OK;
}

void AviSplitter::CloseFile() {
    StopStreaming();
    // The output pins go with the file: unhook whatever they feed first.
    for (auto& pin : m_outputs) {
        if (IPin* peer = pin->GetConnected()) peer->Disconnect();
        pin->Disconnect();
    }
    m_outputs.clear();
    m_path.clear();
    m_duration = 0;
}

HRESULT AviSplitter::Run(REFERENCE_TIME start) {
    CBaseFilter::Run(start);
    if (!m_threads.empty()) return S_OK;
    m_stopStreaming = false;
    for (auto& pin : m_outputs) {
        if (!pin->IsConnected()) continue;
        SplitterOutputPin* output = pin.get();
        m_threads.emplace_back([this, output, from = m_startPosition] {
            output->Stream(m_path, from, m_duration, m_stopStreaming);
        });
    }
    return S_OK;
}

HRESULT AviSplitter::Stop() {
    StopStreaming();
    return CBaseFilter::Stop();
}

void AviSplitter::StopStreaming() {
    m_stopStreaming = true;
    for (std::thread& thread : m_threads)
        if (thread.joinable()) thread.join();
    m_threads.clear();
}

}  // namespace

CBaseFilter* CreateAviSplitter() { return new AviSplitter; }

}  // namespace platform
