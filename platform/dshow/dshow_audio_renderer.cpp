// The default sound renderer: decodes a sound stream with libavcodec,
// converts it with libswresample to the shared mixer's format, and plays it
// as one voice of that mixer. The streaming thread stays about half a second
// ahead of what the mixer has played; the end of the stream is reported
// once what is queued has had time to play.
#include "audio_mixer.h"
#include "dshow_filters.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

namespace {

const CLSID CLSID_AudioRenderer = {0x6d3a0500, 0x41b2, 0x4c07, {0x8e, 0x5a, 0x2f, 0x91, 0x0c, 0x7d, 0x05, 0x00}};
constexpr REFERENCE_TIME kQueueAhead = 5000000;  // half a second
constexpr REFERENCE_TIME kQueuePoll = 50000;     // 5 ms

// Interleaved stereo 16-bit frames waiting for the mixer. The mixer's lock
// guards the queue.
class QueueVoice final : public AudioVoice {
public:
    void mixInto(float* mix, size_t frames, int) override {
        const size_t available = std::min(frames, m_samples.size() / 2);
        if (available == 0) return;
        m_block.assign(m_samples.begin(), m_samples.begin() + std::ptrdiff_t(available * 2));
        m_samples.erase(m_samples.begin(), m_samples.begin() + std::ptrdiff_t(available * 2));
        mixS16Into(mix, m_block.data(), available, 2);
    }
    size_t queuedFrames() const { return m_samples.size() / 2; }
    void append(const int16_t* samples, size_t frames) {
        m_samples.insert(m_samples.end(), samples, samples + frames * 2);
    }
    void clear() { m_samples.clear(); }

private:
    std::deque<int16_t> m_samples;
    std::vector<int16_t> m_block;
};

class AudioRenderer final : public CBaseRenderer {
public:
    AudioRenderer() : CBaseRenderer(CLSID_AudioRenderer, "Audio renderer", nullptr, nullptr) {}
    ~AudioRenderer() override {
        Stop();
        CloseCodec();
    }

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT BreakConnect() override {
        CloseCodec();
        return S_OK;
    }
    HRESULT DoRenderSample(IMediaSample*) override { return S_OK; }

    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT Stop() override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

private:
    void CloseCodec();
    void DecodeFrames();
    bool Queue(const AVFrame* frame);

    std::shared_ptr<AudioMixer> m_mixer;
    std::shared_ptr<QueueVoice> m_voice;
    bool m_voiceAdded = false;
    std::mutex m_streamMutex;  // the codec and resampler
    AVCodecContext* m_codec = nullptr;
    AVFrame* m_frame = nullptr;
    SwrContext* m_resampler = nullptr;
    std::vector<int16_t> m_converted;
    REFERENCE_TIME m_streamStop = 0;  // the last sample's stop time
};

HRESULT AudioRenderer::CheckMediaType(const CMediaType* type) {
    const PacketStreamFormat* format = packetStreamFormat(*type);
    if (*type->Type() != MEDIATYPE_Audio || !format) return E_FAIL;
    return format->codec->codec_type == AVMEDIA_TYPE_AUDIO ? S_OK : E_FAIL;
}

HRESULT AudioRenderer::SetMediaType(const CMediaType* type) {
    CloseCodec();
    const AVCodecParameters* parameters = packetStreamFormat(*type)->codec;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (!codec) return VFW_E_TYPE_NOT_ACCEPTED;
    std::lock_guard<std::mutex> streaming(m_streamMutex);
    m_codec = avcodec_alloc_context3(codec);
    m_frame = av_frame_alloc();
    if (!m_codec || !m_frame || avcodec_parameters_to_context(m_codec, parameters) < 0) return E_OUTOFMEMORY;
    m_codec->pkt_timebase = AVRational{1, 10000000};
    m_codec->thread_count = 1;
    if (avcodec_open2(m_codec, codec, nullptr) < 0) return VFW_E_TYPE_NOT_ACCEPTED;
    m_mixer = AudioMixer::shared();  // none: the sound is decoded and dropped
    m_voice = std::make_shared<QueueVoice>();
    return S_OK;
}

void AudioRenderer::CloseCodec() {
    std::lock_guard<std::mutex> streaming(m_streamMutex);
    avcodec_free_context(&m_codec);
    av_frame_free(&m_frame);
    swr_free(&m_resampler);
}

HRESULT AudioRenderer::Run(REFERENCE_TIME start) {
    CBaseRenderer::Run(start);
    if (m_mixer && m_voice && !m_voiceAdded) {
        m_mixer->addVoice(m_voice);
        m_voiceAdded = true;
    }
    return S_OK;
}

HRESULT AudioRenderer::Stop() {
    CBaseRenderer::Stop();
    { std::lock_guard<std::mutex> streaming(m_streamMutex); }  // waits out a block in flight
    if (m_voiceAdded) {
        m_mixer->removeVoice(m_voice.get());
        m_voiceAdded = false;
        auto hold = m_mixer->lock();
        m_voice->clear();
    }
    return S_OK;
}

HRESULT AudioRenderer::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) {
    std::lock_guard<std::mutex> streaming(m_streamMutex);
    if (m_codec) avcodec_flush_buffers(m_codec);
    m_streamStop = 0;
    return S_OK;
}

HRESULT AudioRenderer::Receive(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    if (!IsStreaming()) return VFW_E_WRONG_STATE;
    std::lock_guard<std::mutex> streaming(m_streamMutex);
    if (!m_codec) return VFW_E_NOT_CONNECTED;
    BYTE* data = nullptr;
    const LONG length = sample->GetActualDataLength();
    if (FAILED(sample->GetPointer(&data)) || length <= 0) return S_OK;
    REFERENCE_TIME start = 0, stop = 0;
    const bool timed = sample->GetTime(&start, &stop) == S_OK;
    // Sound from before the start position (after a seek) is not played.
    if (timed && stop <= 0) return S_OK;
    if (timed) m_streamStop = std::max(m_streamStop, stop);
    AVPacket* packet = av_packet_alloc();
    if (!packet || av_new_packet(packet, length) < 0) {
        av_packet_free(&packet);
        return E_OUTOFMEMORY;
    }
    std::copy(data, data + length, packet->data);
    if (avcodec_send_packet(m_codec, packet) >= 0) DecodeFrames();
    av_packet_free(&packet);
    ++m_framesRendered;
    return IsStreaming() ? S_OK : VFW_E_WRONG_STATE;
}

void AudioRenderer::DecodeFrames() {
    while (avcodec_receive_frame(m_codec, m_frame) >= 0) {
        const bool going = Queue(m_frame);
        av_frame_unref(m_frame);
        if (!going) {
            // Stopped while waiting for room: drop the rest of the packet.
            while (avcodec_receive_frame(m_codec, m_frame) >= 0) av_frame_unref(m_frame);
            return;
        }
    }
}

// Converts one decoded frame and queues it, waiting while the queue is full.
// False when the renderer stopped meanwhile.
bool AudioRenderer::Queue(const AVFrame* frame) {
    if (!m_mixer || frame->nb_samples <= 0) return IsStreaming();
    const int rate = m_mixer->sampleRate();
    if (!m_resampler) {
        AVChannelLayout input{};
        if (frame->ch_layout.nb_channels > 0 && frame->ch_layout.order != AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_copy(&input, &frame->ch_layout);
        else
            av_channel_layout_default(&input, std::max(1, m_codec->ch_layout.nb_channels));
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        const int made = swr_alloc_set_opts2(&m_resampler, &stereo, AV_SAMPLE_FMT_S16, rate, &input,
                                             AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&input);
        if (made < 0 || swr_init(m_resampler) < 0) {
            swr_free(&m_resampler);
            return IsStreaming();
        }
    }
    const int capacity = swr_get_out_samples(m_resampler, frame->nb_samples);
    if (capacity <= 0) return IsStreaming();
    m_converted.resize(size_t(capacity) * 2);
    uint8_t* out[1] = {reinterpret_cast<uint8_t*>(m_converted.data())};
    const int frames = swr_convert(m_resampler, out, capacity,
                                   const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    if (frames <= 0) return IsStreaming();
    const size_t room = size_t(kQueueAhead * rate / 10000000);
    for (;;) {
        {
            auto hold = m_mixer->lock();
            if (m_voice->queuedFrames() < room) {
                m_voice->append(m_converted.data(), size_t(frames));
                return true;
            }
        }
        if (!WaitUntil(CurrentReferenceTime() + kQueuePoll)) return false;
    }
}

HRESULT AudioRenderer::EndOfStream() {
    REFERENCE_TIME end;
    {
        std::lock_guard<std::mutex> streaming(m_streamMutex);
        if (m_codec && avcodec_send_packet(m_codec, nullptr) >= 0) DecodeFrames();
        if (m_mixer) {
            size_t queued;
            {
                auto hold = m_mixer->lock();
                queued = m_voice->queuedFrames();
            }
            end = CurrentReferenceTime() + REFERENCE_TIME(queued) * 10000000 / m_mixer->sampleRate();
        } else {
            end = RunStart() + m_streamStop;
        }
    }
    ScheduleEndOfStream(end);
    return S_OK;
}

}  // namespace

CBaseFilter* CreateAudioRenderer() { return new AudioRenderer; }

}  // namespace platform
