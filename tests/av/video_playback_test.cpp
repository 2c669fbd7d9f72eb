// Whole clips through the graph into the texture renderer.
#include "video_test_support.h"

#include "dshow_filters.h"
#include "dshow_graph.h"

#include "test_env.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

using namespace videotest;

namespace {

// An event code the graph passes on that has nothing to do with the end.
const LONG kOtherEvent = 0x0E;

std::vector<int> frameNumbers(int count, int times = 1) {
    std::vector<int> frames;
    for (int t = 0; t < times; ++t)
        for (int i = 0; i < count; ++i) frames.push_back(i);
    return frames;
}

bool hasFilter(CTextureRenderer& renderer, const char16_t* name) {
    CComPtr<IBaseFilter> filter;
    return SUCCEEDED(renderer.m_pGB->FindFilterByName(name, &filter));
}

void waitForFrames(RecordingRenderer& renderer, size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (renderer.framesSeen().size() < count && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

// Counts the connection's offers and notes the threads the connection runs on.
struct CountingRenderer : CTextureRenderer {
    ~CountingRenderer() override {
        if (m_pMC) m_pMC->Stop();  // the streaming thread calls into this class
    }
    HRESULT CheckMediaType(const CMediaType* pmt) override {
        offers.push_back(*pmt->Subtype());
        connectionThreads.push_back(std::this_thread::get_id());
        return CTextureRenderer::CheckMediaType(pmt);
    }
    HRESULT SetMediaType(const CMediaType* pmt) override {
        connectionThreads.push_back(std::this_thread::get_id());
        return CTextureRenderer::SetMediaType(pmt);
    }
    std::vector<GUID> offers;
    std::vector<std::thread::id> connectionThreads;
};

}  // namespace

TEST(VideoPlayback, EveryKindOfClipFillsTheTextureFrameByFrameEndsOnceAndRewinds) {
    TestDevice device;
    struct Case {
        const char* name;
        int width, height;
        bool withSound, soundFirst, topDown;
        bool expectSoundPath;
    };
    const Case cases[] = {
        {"bottom-up rows with sound", 16, 12, true, false, false, true},
        {"silent", 16, 12, false, false, false, false},
        {"odd width, top-down rows", 15, 9, true, false, true, true},
        // The video is "Stream 01" then, already connected: no sound, no failure.
        {"sound as the first stream", 16, 12, true, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        avitest::AviSpec spec;
        spec.width = c.width;
        spec.height = c.height;
        spec.frames = 6;
        spec.withSound = c.withSound;
        spec.soundFirst = c.soundFirst;
        spec.topDown = c.topDown;
        const std::string path = avitest::writeAvi("video_clip.avi", spec);

        RecordingRenderer renderer;
        ASSERT_EQ(renderer.OpenFile(device.device(), path.c_str()), S_OK);
        EXPECT_EQ(renderer.m_lVidWidth, c.width);
        EXPECT_EQ(renderer.m_lVidHeight, c.height);
        EXPECT_EQ(renderer.m_lVidPitch, (c.width * 3 + 3) & ~3);
        EXPECT_EQ(renderer.m_nTexWidth, UINT(c.width + 1));
        EXPECT_EQ(renderer.m_nTexHeight, UINT(c.height + 1));
        EXPECT_TRUE(hasFilter(renderer, u"AVI Splitter"));
        EXPECT_EQ(hasFilter(renderer, u"Audio Renderer"), c.expectSoundPath);

        ASSERT_TRUE(waitForEnd(renderer, 5.0));
        std::vector<int> frames = renderer.framesSeen();
        ASSERT_GE(frames.size(), 6u);
        frames.resize(6);  // the rewound clip may have begun again already
        EXPECT_EQ(frames, frameNumbers(6));
        for (const Texel& texel : renderer.knownTexels())
            EXPECT_EQ((std::vector<int>{texel.b, texel.g, texel.r, texel.a}),
                      (std::vector<int>{10, 20, 30, 255}));
        // Rewound: the clip runs on at once, so a test thread stalled on a busy
        // machine may find it anywhere up to its end again; that it starts over
        // shows in the frames of the second pass below. The end is not reported
        // twice.
        REFTIME position = -1;
        EXPECT_EQ(renderer.m_pMP->get_CurrentPosition(&position), S_OK);
        EXPECT_LE(position, double(spec.frames) / spec.fps);
        EXPECT_EQ(renderer.CheckFinished(), 0);

        // The rewound clip plays again from its first frame.
        ASSERT_TRUE(waitForEnd(renderer, 5.0));
        frames = renderer.framesSeen();
        ASSERT_GE(frames.size(), 12u);
        frames.resize(12);  // the third run may have begun already
        EXPECT_EQ(frames, frameNumbers(6, 2));
        EXPECT_EQ(platform::unfreedEventParams(renderer.m_pME), 0);
        renderer.m_pMC->Stop();
        EXPECT_EQ(platform::dshowThreadsAlive(), 0);
    }
}

TEST(VideoPlayback, OneCheckTakesOneEventSoAnEndBehindOthersIsSeenLater) {
    TestDevice device;
    avitest::AviSpec spec;
    spec.frames = 250;  // ten seconds: the clip's own end stays out of the way
    spec.withSound = false;
    const std::string path = avitest::writeAvi("video_queued_events.avi", spec);
    RecordingRenderer renderer;
    ASSERT_EQ(renderer.OpenFile(device.device(), path.c_str()), S_OK);
    waitForFrames(renderer, 5);

    // Whatever the graph queued by itself goes first, so the queue holds
    // exactly what follows.
    LONG code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    while (renderer.m_pME->GetEvent(&code, &param1, &param2, 0) == S_OK)
        renderer.m_pME->FreeEventParams(code, param1, param2);
    CComPtr<IMediaEventSink> sink;
    ASSERT_EQ(renderer.m_pGB->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink)), S_OK);
    // Two events that say nothing of the clip's end, then the end.
    sink->Notify(kOtherEvent, 0, 0);
    sink->Notify(kOtherEvent + 1, 0, 0);
    sink->Notify(EC_COMPLETE, S_OK, 0);  // the only renderer's end

    REFTIME before = 0, after = 0;
    EXPECT_EQ(renderer.CheckFinished(), 0) << "the first other event";
    EXPECT_EQ(renderer.CheckFinished(), 0) << "the second other event";
    renderer.m_pMP->get_CurrentPosition(&before);
    EXPECT_EQ(renderer.CheckFinished(), 1) << "the end, two calls later";
    renderer.m_pMP->get_CurrentPosition(&after);
    EXPECT_LT(after, before) << "rewound";
    EXPECT_EQ(renderer.CheckFinished(), 0) << "the queue is empty";
    EXPECT_EQ(platform::unfreedEventParams(renderer.m_pME), 0);
    renderer.m_pMC->Stop();
}

TEST(VideoPlayback, AGraphThatGaveUpCountsAsFinished) {
    TestDevice device;
    avitest::AviSpec spec;
    spec.frames = 250;  // ten seconds: the clip's own end stays out of the way
    spec.withSound = false;
    const std::string path = avitest::writeAvi("video_aborted.avi", spec);
    for (const LONG code : {EC_ERRORABORT, EC_USERABORT}) {
        SCOPED_TRACE(code);
        RecordingRenderer renderer;
        ASSERT_EQ(renderer.OpenFile(device.device(), path.c_str()), S_OK);
        waitForFrames(renderer, 3);
        LONG got = 0;
        LONG_PTR param1 = 0, param2 = 0;
        while (renderer.m_pME->GetEvent(&got, &param1, &param2, 0) == S_OK)
            renderer.m_pME->FreeEventParams(got, param1, param2);
        EXPECT_EQ(renderer.CheckFinished(), 0) << "nothing queued";
        CComPtr<IMediaEventSink> sink;
        ASSERT_EQ(renderer.m_pGB->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink)),
                  S_OK);
        sink->Notify(code, E_FAIL, 0);
        EXPECT_EQ(renderer.CheckFinished(), 1);
        EXPECT_EQ(renderer.CheckFinished(), 0) << "taken once";
        EXPECT_EQ(platform::unfreedEventParams(renderer.m_pME), 0);
        renderer.m_pMC->Stop();
    }
}

TEST(VideoPlayback, StopInTheMiddleReturnsPromptlyAndLeavesNoThread) {
    TestDevice device;
    avitest::AviSpec spec;
    spec.frames = 250;  // ten seconds
    const std::string path = avitest::writeAvi("video_long.avi", spec);
    {
        RecordingRenderer renderer;
        const auto opened = std::chrono::steady_clock::now();
        ASSERT_EQ(renderer.OpenFile(device.device(), path.c_str()), S_OK);
        waitForFrames(renderer, 3);
        EXPECT_GT(platform::dshowThreadsAlive(), 0);
        EXPECT_EQ(renderer.m_pMC->Stop(), S_OK);
        EXPECT_LT(std::chrono::steady_clock::now() - opened, std::chrono::seconds(5));
        EXPECT_EQ(platform::dshowThreadsAlive(), 0);
        const size_t shown = renderer.framesSeen().size();
        EXPECT_LT(shown, 250u);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_EQ(renderer.framesSeen().size(), shown) << "frames after Stop";
        EXPECT_EQ(renderer.CheckFinished(), 0);
    }
    {
        // The destructor at exit stops a graph that is still running.
        RecordingRenderer renderer;
        ASSERT_EQ(renderer.OpenFile(device.device(), path.c_str()), S_OK);
        waitForFrames(renderer, 2);
    }
    EXPECT_EQ(platform::dshowThreadsAlive(), 0);
}

TEST(VideoPlayback, TheRendererOutlivesItsGraphWithItsOwnReference) {
    TestDevice device;
    const std::string path = avitest::writeAvi("video_short.avi", avitest::AviSpec{});
    RecordingRenderer renderer;
    ASSERT_EQ(renderer.OpenFile(device.device(), path.c_str()), S_OK);
    EXPECT_EQ(renderer.OpenFile(device.device(), path.c_str()), E_FAIL) << "a second graph";
    FILTER_INFO info{};
    ASSERT_EQ(renderer.QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(std::u16string(info.achName), u"TEXTURERENDERER");
    if (info.pGraph) info.pGraph->Release();
    renderer.m_pMC->Stop();
    renderer.m_pMC.Release();
    renderer.m_pME.Release();
    renderer.m_pMP.Release();
    renderer.m_pGB.Release();
    EXPECT_EQ(renderer.RefCount(), 1);
    EXPECT_EQ(renderer.Graph(), nullptr);
}

TEST(VideoPlayback, TheDecoderIsOfferedInTurnAndOnly24BitRgbConnects) {
    TestDevice device;
    const std::string path = avitest::writeAvi("video_offers.avi", avitest::AviSpec{});
    {
        CountingRenderer renderer;
        ASSERT_EQ(renderer.OpenFile(device.device(), path.c_str()), S_OK);
        ASSERT_GE(renderer.offers.size(), 2u);
        EXPECT_TRUE(renderer.offers[renderer.offers.size() - 2] == MEDIASUBTYPE_RGB32);
        EXPECT_TRUE(renderer.offers.back() == MEDIASUBTYPE_RGB24);
        // The texture is made during the connection, on the thread that opens.
        EXPECT_GT(renderer.connectionThreads.size(), renderer.offers.size());
        for (const std::thread::id thread : renderer.connectionThreads)
            EXPECT_EQ(thread, std::this_thread::get_id());
    }
    platform::setVideoDecoderOutputs(true, false);
    {
        CountingRenderer renderer;
        EXPECT_EQ(renderer.OpenFile(device.device(), path.c_str()), E_FAIL);
        EXPECT_FALSE(renderer.offers.empty());
        EXPECT_EQ(renderer.m_pTexture, nullptr);
    }
    platform::setVideoDecoderOutputs(true, true);
    EXPECT_EQ(platform::dshowThreadsAlive(), 0);
}

TEST(VideoPlayback, SamplesShorterThanAFrameAreSkippedAndTheClipStillEnds) {
    TestDevice device;
    const std::string path = avitest::writeAvi("video_short_samples.avi", avitest::AviSpec{});
    platform::setVideoDecoderSampleShortfall(1);
    RecordingRenderer renderer;
    ASSERT_EQ(renderer.OpenFile(device.device(), path.c_str()), S_OK);
    EXPECT_TRUE(waitForEnd(renderer, 5.0));
    EXPECT_TRUE(renderer.framesSeen().empty());
    Texel texel{};
    renderer.m_pMC->Stop();
    ASSERT_TRUE(readTexel(renderer.m_pTexture, 2, 10, &texel));
    EXPECT_EQ(texel.a, 0) << "the texture was written";
    platform::setVideoDecoderSampleShortfall(0);
}

TEST(VideoPlayback, FilesThatAreNotPlayableAviFailToOpen) {
    TestDevice device;
    const std::vector<uint8_t> good = avitest::buildAvi(avitest::AviSpec{});
    std::vector<uint8_t> garbage(good.begin(), good.begin() + 12);
    garbage.resize(4000, 0x5A);
    struct Case {
        const char* name;
        std::string path;
    };
    const Case cases[] = {
        {"missing file", testenv::outputPath("video_no_such_clip.avi")},
        {"empty file", avitest::writeFile("video_empty.avi", {})},
        {"text file", avitest::writeFile("video_text.avi", {'h', 'e', 'l', 'l', 'o', '\n'})},
        {"header only", avitest::writeFile("video_header.avi", std::vector<uint8_t>(good.begin(), good.begin() + 40))},
        {"garbage after the signature", avitest::writeFile("video_garbage.avi", garbage)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingRenderer renderer;
        EXPECT_EQ(renderer.OpenFile(device.device(), c.path.c_str()), E_FAIL);
        EXPECT_EQ(renderer.CheckFinished(), 0);
    }
    RecordingRenderer renderer;
    EXPECT_EQ(renderer.OpenFile(device.device(), nullptr), E_FAIL);
    const std::string tooLong(400, 'a');
    EXPECT_EQ(renderer.OpenFile(device.device(), tooLong.c_str()), E_FAIL);
    EXPECT_EQ(platform::dshowThreadsAlive(), 0);
}

TEST(VideoPlayback, DamagedOrTruncatedClipsFailToOpenOrEnd) {
    TestDevice device;
    avitest::AviSpec spec;
    spec.frames = 8;
    const std::vector<uint8_t> good = avitest::buildAvi(spec);
    std::vector<std::vector<uint8_t>> damaged;
    for (const double keep : {0.3, 0.6, 0.9})
        damaged.emplace_back(good.begin(), good.begin() + std::ptrdiff_t(double(good.size()) * keep));
    // Damage to the main header, the video stream's rates (the clip then runs
    // at about one frame a second), its format, a frame and the index.
    for (const size_t at : {size_t(24), size_t(120), size_t(200), good.size() / 2, good.size() - 40}) {
        std::vector<uint8_t> bytes = good;
        for (size_t i = at; i < std::min(bytes.size(), at + 16); ++i) bytes[i] ^= 0xA5;
        damaged.push_back(bytes);
    }
    // A frame rate of one frame in 68 years: refused rather than waited out.
    std::vector<uint8_t> slow = good;
    const size_t scaleAt = 128;  // the video stream header's time scale, then its rate
    for (int b = 0; b < 4; ++b) slow[scaleAt + size_t(b)] = b == 3 ? 0x7F : 0xFF;
    for (int b = 0; b < 4; ++b) slow[scaleAt + 4 + size_t(b)] = b == 0 ? 1 : 0;
    {
        RecordingRenderer renderer;
        EXPECT_EQ(renderer.OpenFile(device.device(), avitest::writeFile("video_slow.avi", slow).c_str()), E_FAIL);
    }
    for (size_t i = 0; i < damaged.size(); ++i) {
        SCOPED_TRACE(i);
        const std::string path = avitest::writeFile("video_damaged.avi", damaged[i]);
        RecordingRenderer renderer;
        const HRESULT hr = renderer.OpenFile(device.device(), path.c_str());
        if (hr == S_OK) {
            EXPECT_TRUE(waitForEnd(renderer, 10.0)) << "a damaged clip never ended";
        } else {
            EXPECT_EQ(hr, E_FAIL);
        }
    }
    EXPECT_EQ(platform::dshowThreadsAlive(), 0);
}

TEST(VideoPlayback, TheGeneratedIntroPlaysToItsEndWithSound) {
    const std::string path = testenv::runDir() + "\\video\\intro.avi";  // as the game names it
    if (!std::ifstream(testenv::runDir() + "/video/intro.avi")) GTEST_SKIP() << "no generated intro";
    TestDevice device;
    RecordingRenderer renderer;
    ASSERT_EQ(renderer.OpenFile(device.device(), path.c_str()), S_OK);
    EXPECT_TRUE(hasFilter(renderer, u"Audio Renderer"));
    EXPECT_GE(renderer.m_nTexWidth, UINT(renderer.m_lVidWidth + 1));
    EXPECT_GE(renderer.m_nTexHeight, UINT(renderer.m_lVidHeight + 1));
    REFTIME duration = 0;
    ASSERT_EQ(renderer.m_pMP->get_Duration(&duration), S_OK);
    // Late frames are drawn rather than dropped, so on a slow or busy machine
    // (a sanitizer build, say) the clip ends only once every frame is decoded.
    ASSERT_TRUE(waitForEnd(renderer, 3.0 * duration + 30.0));
    renderer.m_pMC->Stop();
    // Every frame of the clip arrived (at its own frame rate).
    REFTIME perFrame = 0;
    const size_t frames = renderer.framesSeen().size();
    EXPECT_GT(frames, 0u);
    if (frames) perFrame = duration / double(frames);
    EXPECT_GT(perFrame, 0.01);
    EXPECT_LT(perFrame, 1.0);
}
