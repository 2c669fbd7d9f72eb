// The filter graph: building the chain from a file, events, running,
// stopping and repositioning.
#include "avi_fixture.h"
#include "audio_mixer.h"
#include "dshow_base.h"
#include "dshow_graph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>
#include <vector>

namespace {

const CLSID kRecorderClsid = {0x11d2a001, 0x2b3c, 0x4d5e, {0x8f, 0x90, 0xa1, 0xb2, 0xc3, 0xd4, 0xe5, 0xf6}};

// A renderer that remembers the frame number each picture carries in the
// blue of its top-left pixel (the sample's last row: frames are bottom-up).
class FrameRecorder : public CBaseRenderer {
public:
    FrameRecorder() : CBaseRenderer(kRecorderClsid, "Frame recorder", nullptr, nullptr) { AddRef(); }

    HRESULT CheckMediaType(const CMediaType* type) override {
        if (*type->FormatType() != FORMAT_VideoInfo || type->FormatLength() < sizeof(VIDEOINFOHEADER))
            return E_INVALIDARG;
        return *type->Type() == MEDIATYPE_Video && *type->Subtype() == MEDIASUBTYPE_RGB24 ? S_OK : E_FAIL;
    }
    HRESULT SetMediaType(const CMediaType* type) override {
        auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type->Format());
        m_height = info->bmiHeader.biHeight;
        m_pitch = (info->bmiHeader.biWidth * 3 + 3) & ~3;
        return S_OK;
    }
    HRESULT DoRenderSample(IMediaSample* sample) override {
        BYTE* bits = nullptr;
        sample->GetPointer(&bits);
        if (sample->GetActualDataLength() < m_pitch * m_height) return E_FAIL;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_frames.push_back(bits[(m_height - 1) * m_pitch]);
        return S_OK;
    }
    std::vector<int> frames() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_frames;
    }

private:
    LONG m_height = 0, m_pitch = 0;
    std::mutex m_mutex;
    std::vector<int> m_frames;
};

struct Graph {
    CComPtr<IGraphBuilder> builder;
    CComPtr<IMediaControl> control;
    CComPtr<IMediaEvent> events;
    CComPtr<IMediaPosition> position;
    FrameRecorder* recorder = new FrameRecorder;

    Graph() {
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                         reinterpret_cast<void**>(&builder));
        EXPECT_TRUE(builder);
        builder->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
        builder->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events));
        builder->QueryInterface(IID_IMediaPosition, reinterpret_cast<void**>(&position));
        EXPECT_EQ(builder->AddFilter(recorder, u"RECORDER"), S_OK);
    }
    ~Graph() {
        control.Release();
        events.Release();
        position.Release();
        builder.Release();
        recorder->Release();
    }

    // Source, splitter, decoder and recorder, and the sound when asked.
    HRESULT build(const std::string& path, bool withSound) {
        CComPtr<IBaseFilter> source;
        std::u16string wide(path.begin(), path.end());
        HRESULT hr = builder->AddSourceFilter(wide.c_str(), u"SOURCE", &source);
        if (FAILED(hr)) return hr;
        CComPtr<IPin> out, in;
        if (FAILED(hr = source->FindPin(u"Output", &out))) return hr;
        if (FAILED(hr = recorder->FindPin(u"In", &in))) return hr;
        if (FAILED(hr = builder->Connect(out, in))) return hr;
        if (withSound) {
            CComPtr<IBaseFilter> splitter;
            CComPtr<IPin> sound;
            if (SUCCEEDED(builder->FindFilterByName(u"AVI Splitter", &splitter)) &&
                SUCCEEDED(splitter->FindPin(u"Stream 01", &sound)))
                hr = builder->Render(sound);
        }
        return hr;
    }

    bool has(const char16_t* name) {
        CComPtr<IBaseFilter> filter;
        return SUCCEEDED(builder->FindFilterByName(name, &filter));
    }

    // The next event within `seconds`, or 0.
    LONG nextEvent(double seconds) {
        LONG code = 0;
        LONG_PTR p1 = 0, p2 = 0;
        if (FAILED(events->GetEvent(&code, &p1, &p2, LONG(seconds * 1000)))) return 0;
        events->FreeEventParams(code, p1, p2);
        return code;
    }
};

void waitForFrames(FrameRecorder* recorder, size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (recorder->frames().size() < count && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

avitest::AviSpec clip(int frames, bool withSound = true) {
    avitest::AviSpec spec;
    spec.frames = frames;
    spec.withSound = withSound;
    return spec;
}

}  // namespace

TEST(DshowGraph, CreatedThroughComWithTheInterfacesItOffers) {
    CComPtr<IGraphBuilder> builder;
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               reinterpret_cast<void**>(&builder)),
              S_OK);
    for (const IID* iid : {&IID_IUnknown, &IID_IFilterGraph, &IID_IMediaControl, &IID_IMediaEvent,
                           &IID_IMediaEventEx, &IID_IMediaPosition, &IID_IMediaEventSink}) {
        IUnknown* object = nullptr;
        EXPECT_EQ(builder->QueryInterface(*iid, reinterpret_cast<void**>(&object)), S_OK);
        if (object) object->Release();
    }
    void* object = nullptr;
    EXPECT_EQ(builder->QueryInterface(IID_IBaseFilter, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    const CLSID unknown = {0x1, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};
    EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, &object),
              REGDB_E_CLASSNOTREG);
}

TEST(DshowGraph, ConnectInsertsTheSplitterAndDecoderAndRenderAddsTheSound) {
    Graph graph;
    const std::string path = avitest::writeAvi("graph_clip.avi", clip(4));
    ASSERT_EQ(graph.build(path, true), S_OK);
    EXPECT_TRUE(graph.has(u"SOURCE"));
    EXPECT_TRUE(graph.has(u"AVI Splitter"));
    EXPECT_TRUE(graph.has(u"Video Decoder"));
    EXPECT_TRUE(graph.has(u"Audio Renderer"));

    CComPtr<IBaseFilter> splitter;
    ASSERT_EQ(graph.builder->FindFilterByName(u"AVI Splitter", &splitter), S_OK);
    CComPtr<IPin> video, sound, none;
    ASSERT_EQ(splitter->FindPin(u"Stream 00", &video), S_OK);
    ASSERT_EQ(splitter->FindPin(u"Stream 01", &sound), S_OK);
    EXPECT_EQ(splitter->FindPin(u"Stream 02", &none), VFW_E_NOT_FOUND);
    EXPECT_EQ(graph.builder->Render(video), VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(graph.builder->Render(sound), VFW_E_ALREADY_CONNECTED);

    CComPtr<IBaseFilter> missing;
    EXPECT_EQ(graph.builder->FindFilterByName(u"Nothing", &missing), VFW_E_NOT_FOUND);
    EXPECT_EQ(missing.p, nullptr);
    CComPtr<IBaseFilter> noFile;
    EXPECT_TRUE(FAILED(graph.builder->AddSourceFilter(u"/no/such/file.avi", u"X", &noFile)));
    EXPECT_EQ(noFile.p, nullptr);
}

TEST(DshowGraph, AVideoPinWithNothingToPlayItCannotBeRendered) {
    Graph graph;
    const std::string path = avitest::writeAvi("graph_render_video.avi", clip(2, false));
    CComPtr<IBaseFilter> source;
    const std::u16string wide(path.begin(), path.end());
    ASSERT_EQ(graph.builder->AddSourceFilter(wide.c_str(), u"SOURCE", &source), S_OK);
    CComPtr<IPin> out;
    ASSERT_EQ(source->FindPin(u"Output", &out), S_OK);
    EXPECT_EQ(graph.builder->Render(out), VFW_E_CANNOT_RENDER);
    EXPECT_FALSE(graph.has(u"Audio Renderer"));
}

TEST(DshowGraph, TheEndIsReportedOnceEveryRendererHasFinished) {
    Graph graph;
    ASSERT_EQ(graph.build(avitest::writeAvi("graph_long.avi", clip(250)), true), S_OK);
    ASSERT_EQ(graph.control->Run(), S_OK);
    CComPtr<IMediaEventSink> sink;
    ASSERT_EQ(graph.builder->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink)), S_OK);

    EXPECT_EQ(graph.nextEvent(0), 0);
    sink->Notify(EC_COMPLETE, S_OK, 0);  // one of the two renderers
    EXPECT_EQ(graph.nextEvent(0), 0);
    sink->Notify(EC_USERABORT, 0, 0);  // other events pass straight on
    EXPECT_EQ(graph.nextEvent(0), EC_USERABORT);
    sink->Notify(EC_COMPLETE, S_OK, 0);
    EXPECT_EQ(graph.nextEvent(0), EC_COMPLETE);
    EXPECT_EQ(graph.nextEvent(0), 0);
    EXPECT_EQ(platform::unfreedEventParams(graph.events), 0);
    graph.control->Stop();
    EXPECT_EQ(platform::dshowThreadsAlive(), 0);
}

TEST(DshowGraph, AClipEndsWithItsLongerSoundTrack) {
    Graph graph;
    avitest::AviSpec spec = clip(3);
    spec.soundSeconds = 0.6;
    ASSERT_EQ(graph.build(avitest::writeAvi("graph_long_sound.avi", spec), true), S_OK);
    ASSERT_EQ(graph.control->Run(), S_OK);
    EXPECT_EQ(graph.nextEvent(10.0), EC_COMPLETE);
    REFTIME position = 0;
    graph.position->get_CurrentPosition(&position);
    EXPECT_GE(position, 0.5) << "ended with the pictures, not the sound";
    EXPECT_EQ(graph.recorder->frames(), (std::vector<int>{0, 1, 2}));
}

TEST(DshowGraph, RepositioningWhileRunningPlaysOnFromThere) {
    Graph graph;
    ASSERT_EQ(graph.build(avitest::writeAvi("graph_seek.avi", clip(50)), true), S_OK);
    REFTIME duration = 0;
    ASSERT_EQ(graph.position->get_Duration(&duration), S_OK);
    EXPECT_NEAR(duration, 2.0, 0.05);
    EXPECT_EQ(graph.position->put_CurrentPosition(-1.0), E_INVALIDARG);

    ASSERT_EQ(graph.control->Run(), S_OK);
    waitForFrames(graph.recorder, 2);
    ASSERT_EQ(graph.position->put_CurrentPosition(1.6), S_OK);
    REFTIME position = 0;
    graph.position->get_CurrentPosition(&position);
    EXPECT_GE(position, 1.6);
    EXPECT_EQ(graph.nextEvent(5.0), EC_COMPLETE);
    const std::vector<int> frames = graph.recorder->frames();
    ASSERT_GE(frames.size(), 12u);
    EXPECT_EQ(std::vector<int>(frames.end() - 10, frames.end()),
              (std::vector<int>{40, 41, 42, 43, 44, 45, 46, 47, 48, 49}));

    // Back to the start: the whole clip again.
    ASSERT_EQ(graph.position->put_CurrentPosition(0.0), S_OK);
    LONG code = 0;
    EXPECT_EQ(graph.events->WaitForCompletion(5000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_EQ(graph.recorder->frames().size(), frames.size() + 50);

    // Set while stopped, the position is where the next run starts.
    graph.control->Stop();
    ASSERT_EQ(graph.position->put_CurrentPosition(1.0), S_OK);
    graph.position->get_CurrentPosition(&position);
    EXPECT_DOUBLE_EQ(position, 1.0);
    const size_t before = graph.recorder->frames().size();
    ASSERT_EQ(graph.control->Run(), S_OK);
    waitForFrames(graph.recorder, before + 1);
    ASSERT_GT(graph.recorder->frames().size(), before);
    EXPECT_EQ(graph.recorder->frames()[before], 25);
}

TEST(DshowGraph, StopAndRunAgainAndReleaseWhileRunning) {
    {
        Graph graph;
        ASSERT_EQ(graph.build(avitest::writeAvi("graph_stop.avi", clip(100)), true), S_OK);
        OAFilterState state = -1;
        graph.control->GetState(0, &state);
        EXPECT_EQ(state, State_Stopped);
        EXPECT_EQ(graph.control->Stop(), S_OK);
        ASSERT_EQ(graph.control->Run(), S_OK);
        EXPECT_EQ(graph.control->Run(), S_OK);
        graph.control->GetState(0, &state);
        EXPECT_EQ(state, State_Running);
        waitForFrames(graph.recorder, 3);
        EXPECT_EQ(graph.control->Stop(), S_OK);
        EXPECT_EQ(platform::dshowThreadsAlive(), 0);
        const size_t shown = graph.recorder->frames().size();
        // Run continues where Stop left off rather than from the start.
        ASSERT_EQ(graph.control->Run(), S_OK);
        waitForFrames(graph.recorder, shown + 2);
        const std::vector<int> frames = graph.recorder->frames();
        ASSERT_GT(frames.size(), shown);
        EXPECT_GE(frames[shown], frames[shown - 1]);
    }
    // Released while running: the graph stops and joins its threads itself.
    EXPECT_EQ(platform::dshowThreadsAlive(), 0);
}

TEST(DshowGraph, TheSoundTrackPlaysThroughTheSharedMixer) {
    auto mixer = platform::AudioMixer::installManual(22050);
    Graph graph;
    avitest::AviSpec spec = clip(10);
    ASSERT_EQ(graph.build(avitest::writeAvi("graph_mixer.avi", spec), true), S_OK);
    EXPECT_EQ(mixer->voiceCount(), 0u);
    ASSERT_EQ(graph.control->Run(), S_OK);
    EXPECT_EQ(mixer->voiceCount(), 1u);
    // The streaming thread queues the sound ahead of the mixer.
    float peak = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (peak < 0.15f && std::chrono::steady_clock::now() < deadline) {
        for (float sample : mixer->render(441)) peak = std::max(peak, std::abs(sample));
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_GT(peak, 0.15f) << "the 440 Hz tone never reached the mix";
    graph.control->Stop();
    EXPECT_EQ(mixer->voiceCount(), 0u) << "the voice outlived the run";
}

TEST(DshowGraph, StopWakesASoundStreamWaitingForRoomInTheMixer) {
    // Nothing pulls from this mixer, so the sound queue fills and its
    // streaming thread waits for room that never comes.
    auto mixer = platform::AudioMixer::installManual(22050);
    Graph graph;
    ASSERT_EQ(graph.build(avitest::writeAvi("graph_full_queue.avi", clip(250)), true), S_OK);
    ASSERT_EQ(graph.control->Run(), S_OK);
    waitForFrames(graph.recorder, 3);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(graph.control->Stop(), S_OK);
    EXPECT_EQ(platform::dshowThreadsAlive(), 0);
    EXPECT_EQ(mixer->voiceCount(), 0u);
}
