// The video decoder over libavcodec and libswscale. It offers 32-bit and
// then 24-bit RGB, uncompressed, rows bottom-up and padded to 4 bytes, at
// the stream's own frame size; frames of another size (a damaged stream)
// are scaled to it, so a sample always holds exactly one whole frame.
#include "dshow_filters.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

#include <atomic>
#include <memory>
#include <mutex>

namespace platform {

namespace {

const CLSID CLSID_VideoDecoder = {0x6d3a0400, 0x41b2, 0x4c07, {0x8e, 0x5a, 0x2f, 0x91, 0x0c, 0x7d, 0x04, 0x00}};
constexpr int kMaxSide = 8192;
constexpr REFERENCE_TIME kDefaultFrameTime = 400000;  // 25 frames a second

std::atomic<bool> g_offerRgb32{true};
std::atomic<bool> g_offerRgb24{true};
std::atomic<LONG> g_sampleShortfall{0};

LONG rowPitch(int width, int bitCount) { return LONG((width * (bitCount / 8) + 3) & ~3); }

class VideoDecoder;

class DecoderInputPin final : public CBaseInputPin {
public:
    DecoderInputPin(VideoDecoder* decoder, CCritSec* lock);
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT BreakConnect() override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

private:
    VideoDecoder* m_decoder;
};

class DecoderOutputPin final : public CBaseOutputPin {
public:
    DecoderOutputPin(VideoDecoder* decoder, CCritSec* lock);
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;

private:
    VideoDecoder* m_decoder;
};

class VideoDecoder final : public CBaseFilter {
public:
    VideoDecoder() : CBaseFilter("Video decoder", nullptr, &m_lock, CLSID_VideoDecoder) {
        m_input = std::make_unique<DecoderInputPin>(this, &m_lock);
        m_output = std::make_unique<DecoderOutputPin>(this, &m_lock);
    }
    ~VideoDecoder() override { CloseCodec(); }

    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int index) override {
        return index == 0 ? static_cast<CBasePin*>(m_input.get())
                          : index == 1 ? static_cast<CBasePin*>(m_output.get()) : nullptr;
    }
    HRESULT Run(REFERENCE_TIME start) override {
        CBaseFilter::Run(start);
        m_streaming = true;
        return S_OK;
    }
    HRESULT Pause() override { return Stop(); }
    HRESULT Stop() override {
        m_streaming = false;
        { std::lock_guard<std::mutex> streaming(m_streamMutex); }  // waits out a frame in flight
        return CBaseFilter::Stop();
    }

    HRESULT OpenCodec(const PacketStreamFormat& format);
    void CloseCodec();
    bool Open() const { return m_codec != nullptr; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    REFERENCE_TIME FrameTime() const { return m_frameTime; }

    // Streaming thread.
    HRESULT Decode(IMediaSample* sample);
    HRESULT Drain();
    void Flush();

private:
    void DeliverFrames();
    void DeliverFrame(const AVFrame* frame);

    CCritSec m_lock;
    std::unique_ptr<DecoderInputPin> m_input;
    std::unique_ptr<DecoderOutputPin> m_output;
    std::atomic<bool> m_streaming{false};
    std::mutex m_streamMutex;  // the codec and scaler, used by one stream at a time
    AVCodecContext* m_codec = nullptr;
    AVFrame* m_frame = nullptr;
    SwsContext* m_scaler = nullptr;
    int m_width = 0, m_height = 0;
    REFERENCE_TIME m_frameTime = kDefaultFrameTime;
    REFERENCE_TIME m_nextStart = 0;
};

// ---------------------------------------------------------------- codec
HRESULT VideoDecoder::OpenCodec(const PacketStreamFormat& format) {
    CloseCodec();
    const AVCodecParameters* parameters = format.codec;
    if (parameters->codec_type != AVMEDIA_TYPE_VIDEO || parameters->width <= 0 ||
        parameters->height <= 0 || parameters->width > kMaxSide || parameters->height > kMaxSide)
        return VFW_E_TYPE_NOT_ACCEPTED;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (!codec) return VFW_E_TYPE_NOT_ACCEPTED;
    m_codec = avcodec_alloc_context3(codec);
    m_frame = av_frame_alloc();
    if (!m_codec || !m_frame || avcodec_parameters_to_context(m_codec, parameters) < 0) {
        CloseCodec();
        return E_OUTOFMEMORY;
    }
    m_codec->pkt_timebase = AVRational{1, 10000000};
    m_codec->thread_count = 1;  // the streaming thread is the only thread
    if (avcodec_open2(m_codec, codec, nullptr) < 0) {
        CloseCodec();
        return VFW_E_TYPE_NOT_ACCEPTED;
    }
    m_width = parameters->width;
    m_height = parameters->height;
    m_frameTime = format.frameDuration > 0 ? format.frameDuration : kDefaultFrameTime;
    return S_OK;
}

void VideoDecoder::CloseCodec() {
    std::lock_guard<std::mutex> streaming(m_streamMutex);
    avcodec_free_context(&m_codec);
    av_frame_free(&m_frame);
    sws_freeContext(m_scaler);
    m_scaler = nullptr;
    m_width = m_height = 0;
}

void VideoDecoder::Flush() {
    std::lock_guard<std::mutex> streaming(m_streamMutex);
    if (m_codec) avcodec_flush_buffers(m_codec);
    m_nextStart = 0;
}

HRESULT VideoDecoder::Decode(IMediaSample* sample) {
    std::lock_guard<std::mutex> streaming(m_streamMutex);
    if (!m_streaming) return VFW_E_WRONG_STATE;
    if (!m_codec) return VFW_E_NOT_CONNECTED;
    BYTE* data = nullptr;
    const LONG length = sample->GetActualDataLength();
    if (FAILED(sample->GetPointer(&data)) || length <= 0) return S_OK;
    AVPacket* packet = av_packet_alloc();
    if (!packet || av_new_packet(packet, length) < 0) {
        av_packet_free(&packet);
        return E_OUTOFMEMORY;
    }
    std::copy(data, data + length, packet->data);
    REFERENCE_TIME start = 0, stop = 0;
    packet->pts = sample->GetTime(&start, &stop) == S_OK ? start : AV_NOPTS_VALUE;
    // A packet the codec refuses (damaged data) is skipped; the stream goes on.
    if (avcodec_send_packet(m_codec, packet) >= 0) DeliverFrames();
    av_packet_free(&packet);
    return m_streaming ? S_OK : VFW_E_WRONG_STATE;
}

HRESULT VideoDecoder::Drain() {
    std::lock_guard<std::mutex> streaming(m_streamMutex);
    if (m_codec && avcodec_send_packet(m_codec, nullptr) >= 0) DeliverFrames();
    return S_OK;
}

void VideoDecoder::DeliverFrames() {
    while (avcodec_receive_frame(m_codec, m_frame) >= 0) {
        DeliverFrame(m_frame);
        av_frame_unref(m_frame);
    }
}

void VideoDecoder::DeliverFrame(const AVFrame* frame) {
    if (frame->width <= 0 || frame->height <= 0 || !m_output->IsConnected()) return;
    const bool rgb32 = *m_output->CurrentMediaType().Subtype() == MEDIASUBTYPE_RGB32;
    const LONG pitch = rowPitch(m_width, rgb32 ? 32 : 24);
    m_scaler = sws_getCachedContext(m_scaler, frame->width, frame->height, AVPixelFormat(frame->format),
                                    m_width, m_height, rgb32 ? AV_PIX_FMT_BGR0 : AV_PIX_FMT_BGR24,
                                    SWS_POINT, nullptr, nullptr, nullptr);
    if (!m_scaler) return;
    const LONG size = pitch * m_height;
    CMediaSample* sample = CMediaSample::Create(size);
    BYTE* bits = nullptr;
    sample->GetPointer(&bits);
    // Bottom-up: the image's top row is the buffer's last.
    uint8_t* planes[4] = {bits + size_t(pitch) * size_t(m_height - 1), nullptr, nullptr, nullptr};
    int strides[4] = {-int(pitch), 0, 0, 0};
    sws_scale(m_scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
    REFERENCE_TIME start = frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp
                                                                          : m_nextStart;
    REFERENCE_TIME stop = start + m_frameTime;
    m_nextStart = stop;
    sample->SetTime(&start, &stop);
    const LONG shortfall = g_sampleShortfall;
    if (shortfall > 0) sample->SetActualDataLength(shortfall < size ? size - shortfall : 0);
    // Frames before the start position (after a seek) are decoded but not shown.
    if (stop > 0) m_output->Deliver(sample);
    sample->Release();
}

// ---------------------------------------------------------------- pins
DecoderInputPin::DecoderInputPin(VideoDecoder* decoder, CCritSec* lock)
    : CBaseInputPin("Video decoder input", decoder, lock, nullptr, u"Input"), m_decoder(decoder) {}

DecoderOutputPin::DecoderOutputPin(VideoDecoder* decoder, CCritSec* lock)
    : CBaseOutputPin("Video decoder output", decoder, lock, nullptr, u"Output"), m_decoder(decoder) {}

HRESULT DecoderInputPin::CheckMediaType(const CMediaType* type) {
    const PacketStreamFormat* format = packetStreamFormat(*type);
    return *type->Type() == MEDIATYPE_Video && format ? S_OK : S_FALSE;
}

HRESULT DecoderInputPin::SetMediaType(const CMediaType* type) {
    const HRESULT hr = m_decoder->OpenCodec(*packetStreamFormat(*type));
    return FAILED(hr) ? hr : CBasePin::SetMediaType(type);
}

HRESULT DecoderInputPin::BreakConnect() {
    m_decoder->CloseCodec();
    return S_OK;
}

HRESULT DecoderInputPin::Receive(IMediaSample* sample) {
    return sample ? m_decoder->Decode(sample) : E_POINTER;
}

HRESULT DecoderInputPin::EndOfStream() {
    m_decoder->Drain();
    auto* output = static_cast<CBaseOutputPin*>(m_decoder->GetPin(1));
    return output->DeliverEndOfStream();
}

HRESULT DecoderInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    CBasePin::NewSegment(start, stop, rate);
    m_decoder->Flush();
    auto* output = static_cast<CBaseOutputPin*>(m_decoder->GetPin(1));
    return output->DeliverNewSegment(start, stop, rate);
}

HRESULT DecoderOutputPin::GetMediaType(int position, CMediaType* type) {
    if (!m_decoder->Open()) return S_FALSE;
    int bitCounts[2];
    int offered = 0;
    if (g_offerRgb32) bitCounts[offered++] = 32;
    if (g_offerRgb24) bitCounts[offered++] = 24;
    if (position < 0 || position >= offered) return S_FALSE;
    const int bitCount = bitCounts[position];
    const LONG pitch = rowPitch(m_decoder->Width(), bitCount);
    type->SetType(&MEDIATYPE_Video);
    type->SetSubtype(bitCount == 32 ? &MEDIASUBTYPE_RGB32 : &MEDIASUBTYPE_RGB24);
    type->SetFormatType(&FORMAT_VideoInfo);
    type->SetSampleSize(ULONG(pitch * m_decoder->Height()));
    type->bTemporalCompression = FALSE;
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type->AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    if (!info) return E_OUTOFMEMORY;
    info->AvgTimePerFrame = m_decoder->FrameTime();
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = m_decoder->Width();
    info->bmiHeader.biHeight = m_decoder->Height();  // bottom-up
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = WORD(bitCount);
    info->bmiHeader.biCompression = BI_RGB;
    info->bmiHeader.biSizeImage = DWORD(pitch * m_decoder->Height());
    return S_OK;
}

HRESULT DecoderOutputPin::CheckMediaType(const CMediaType* type) {
    if (!m_decoder->Open() || *type->Type() != MEDIATYPE_Video ||
        *type->FormatType() != FORMAT_VideoInfo || !type->Format() ||
        type->FormatLength() < sizeof(VIDEOINFOHEADER))
        return S_FALSE;
    if (*type->Subtype() != MEDIASUBTYPE_RGB24 && *type->Subtype() != MEDIASUBTYPE_RGB32) return S_FALSE;
    auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type->Format());
    return info->bmiHeader.biWidth == m_decoder->Width() && info->bmiHeader.biHeight == m_decoder->Height()
               ? S_OK
               : S_FALSE;
}

}  // namespace

CBaseFilter* CreateVideoDecoder() { return new VideoDecoder; }

void setVideoDecoderOutputs(bool offerRgb32, bool offerRgb24) {
    g_offerRgb32 = offerRgb32;
    g_offerRgb24 = offerRgb24;
}

void setVideoDecoderSampleShortfall(LONG bytes) { g_sampleShortfall = bytes; }

}  // namespace platform
