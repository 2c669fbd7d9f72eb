// The DirectMusic stand-in end to end over the manual mixer: the loader
// finds files by name in its search directory and refuses what is no MIDI
// file, and the performance plays a segment into the mix, stops it, knows
// when it ends, and lets go of everything it was given.
#include "dmusic_api.h"

#include "audio_mixer.h"
#include "dmusic_host.h"
#include "dmusic_midi_builder.h"
#include "dmusic_synth.h"
#include "test_env.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace miditest;

namespace {

constexpr int kRate = platform::AudioMixer::kDefaultRate;

std::u16string wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

class MusicStandIn : public ::testing::Test {
protected:
    void SetUp() override {
        m_mixer = platform::AudioMixer::installManual(kRate);
        m_folder = testenv::outputPath(std::string("dmusic_") +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_folder);
        writeFile(m_folder + "/tune.mid", oneNoteFile(96));
        writeFile(m_folder + "/noise.mid", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'});
        ASSERT_EQ(CoCreateInstance(CLSID_DirectMusicLoader, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IDirectMusicLoader, (void**)&m_loader), S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_DirectMusicPerformance, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IDirectMusicPerformance, (void**)&m_performance), S_OK);
        ASSERT_EQ(m_loader->SetSearchDirectory(GUID_DirectMusicAllTypes, wide(m_folder).c_str(), FALSE), S_OK);
    }

    void TearDown() override {
        if (m_performance) {
            m_performance->CloseDown();
            m_performance->Release();
        }
        if (m_loader) m_loader->Release();
        EXPECT_EQ(host::liveMusicObjects(), 0);
        EXPECT_EQ(m_mixer->voiceCount(), 0u);
    }

    HRESULT load(const std::string& name, IDirectMusicSegment** segment) {
        DMUS_OBJECTDESC desc{};
        desc.dwSize = sizeof(desc);
        desc.dwValidData = DMUS_OBJ_CLASS | DMUS_OBJ_FILENAME;
        desc.guidClass = CLSID_DirectMusicSegment;
        const std::u16string name16 = wide(name);
        std::copy(name16.begin(), name16.end(), desc.wszFileName);
        return m_loader->GetObject(&desc, IID_IDirectMusicSegment, (void**)segment);
    }

    std::shared_ptr<platform::AudioMixer> m_mixer;
    std::string m_folder;
    IDirectMusicLoader* m_loader = nullptr;
    IDirectMusicPerformance* m_performance = nullptr;
};

TEST_F(MusicStandIn, LoaderFindsFilesInItsSearchDirectoryAndRefusesOthers) {
    IDirectMusicSegment* segment = nullptr;
    ASSERT_EQ(load("tune.mid", &segment), S_OK);
    MUSIC_TIME length = 0;
    EXPECT_EQ(segment->GetLength(&length), S_OK);
    EXPECT_EQ(length, 768);  // one quarter note
    segment->Release();

    struct Case {
        const char* name;
        HRESULT expected;
    };
    const Case refused[] = {
        {"noise.mid", DMUS_E_UNSUPPORTED_STREAM},
        {"missing.mid", DMUS_E_NOT_FOUND},
        {"", E_INVALIDARG},
        {".", DMUS_E_NOT_FOUND},  // a folder is no file
    };
    for (const Case& c : refused) {
        segment = reinterpret_cast<IDirectMusicSegment*>(this);  // must be cleared
        EXPECT_EQ(load(c.name, &segment), c.expected) << c.name;
        EXPECT_EQ(segment, nullptr) << c.name;
    }

    // A description without its class, whose name has no terminator, of
    // another class, or of the wrong size.
    DMUS_OBJECTDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwValidData = DMUS_OBJ_FILENAME;
    const std::string tune = "tune.mid";
    std::copy(tune.begin(), tune.end(), desc.wszFileName);
    EXPECT_EQ(m_loader->GetObject(&desc, IID_IDirectMusicSegment, (void**)&segment), DMUS_E_LOADER_NOCLASSID);
    EXPECT_EQ(segment, nullptr);
    desc.dwValidData = DMUS_OBJ_CLASS | DMUS_OBJ_FILENAME;
    desc.guidClass = CLSID_DirectMusicSegment;
    std::fill(std::begin(desc.wszFileName), std::end(desc.wszFileName), u'a');
    EXPECT_EQ(m_loader->GetObject(&desc, IID_IDirectMusicSegment, (void**)&segment), E_INVALIDARG);
    desc.wszFileName[0] = 0;
    desc.dwValidData = DMUS_OBJ_CLASS | DMUS_OBJ_FILENAME;
    desc.guidClass = CLSID_DirectMusicLoader;
    EXPECT_EQ(m_loader->GetObject(&desc, IID_IDirectMusicSegment, (void**)&segment), DMUS_E_TYPE_UNSUPPORTED);
    desc.dwSize = 848;
    EXPECT_EQ(m_loader->GetObject(&desc, IID_IDirectMusicSegment, (void**)&segment), E_INVALIDARG);

    EXPECT_EQ(m_loader->SetSearchDirectory(GUID_DirectMusicAllTypes, wide(m_folder).c_str(), FALSE), S_FALSE);
    EXPECT_EQ(m_loader->SetSearchDirectory(GUID_DirectMusicAllTypes, wide(m_folder + "/none").c_str(), FALSE),
              DMUS_E_LOADER_BADPATH);
}

TEST_F(MusicStandIn, NothingPlaysOrDownloadsBeforeInit) {
    IDirectMusicSegment* segment = nullptr;
    ASSERT_EQ(load("tune.mid", &segment), S_OK);
    EXPECT_EQ(segment->SetParam(GUID_StandardMIDIFile, 0xFFFFFFFF, 0, 0, m_performance), S_OK);
    EXPECT_EQ(segment->SetParam(GUID_Download, 0xFFFFFFFF, 0, 0, m_performance), DMUS_E_NOT_INIT);
    EXPECT_EQ(segment->SetParam(GUID_Download, 0xFFFFFFFF, 0, 0, nullptr), E_POINTER);
    IDirectMusicSegmentState* state = reinterpret_cast<IDirectMusicSegmentState*>(this);
    EXPECT_EQ(m_performance->PlaySegment(segment, 0, 0, &state), DMUS_E_NOT_INIT);
    EXPECT_EQ(state, nullptr);
    EXPECT_EQ(m_performance->IsPlaying(segment, nullptr), DMUS_E_NOT_INIT);
    EXPECT_EQ(m_mixer->voiceCount(), 0u);
    segment->Release();
}

TEST_F(MusicStandIn, PlaysIntoTheMixerStopsAndEnds) {
    ASSERT_FALSE(platform::findSoundFont().empty()) << "a General MIDI sound font must be installed";
    ASSERT_EQ(m_performance->Init(nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(m_performance->Init(nullptr, nullptr, nullptr), DMUS_E_ALREADY_INITED);
    EXPECT_EQ(m_mixer->voiceCount(), 1u);
    IDirectMusicSegment* segment = nullptr;
    ASSERT_EQ(load("tune.mid", &segment), S_OK);
    ASSERT_EQ(segment->SetParam(GUID_Download, 0xFFFFFFFF, 0, 0, m_performance), S_OK);
    EXPECT_EQ(segment->SetParam(GUID_DirectMusicAllTypes, 0xFFFFFFFF, 0, 0, m_performance),
              DMUS_E_SET_UNSUPPORTED);

    EXPECT_LT(peak(m_mixer->render(kRate / 10)), 1e-6f) << "silent before anything plays";
    EXPECT_EQ(m_performance->IsPlaying(segment, nullptr), S_FALSE);

    IDirectMusicSegmentState* state = nullptr;
    ASSERT_EQ(m_performance->PlaySegment(segment, 0, 0, &state), S_OK);
    ASSERT_NE(state, nullptr);
    EXPECT_GT(peak(m_mixer->render(kRate / 5)), 0.01f) << "the note sounds";
    EXPECT_EQ(m_performance->IsPlaying(segment, nullptr), S_OK);

    EXPECT_EQ(m_performance->Stop(segment, nullptr, 0, 0), S_OK);
    EXPECT_EQ(m_performance->IsPlaying(segment, nullptr), S_FALSE);
    // Effects may ring on briefly; after that the mix is silent.
    const std::vector<float> after = m_mixer->render(kRate);
    EXPECT_LT(peak(after, after.size() / 2), 1e-4f);

    // Played again, it counts as playing until its half second has passed.
    ASSERT_EQ(m_performance->PlaySegment(segment, 0, 0, nullptr), S_OK);
    m_mixer->render(kRate * 4 / 10);
    EXPECT_EQ(m_performance->IsPlaying(segment, nullptr), S_OK);
    m_mixer->render(kRate * 2 / 10);
    EXPECT_EQ(m_performance->IsPlaying(segment, nullptr), S_FALSE);

    state->Release();
    segment->Release();
}

TEST_F(MusicStandIn, APlayingSegmentOutlivesItsLastOutsideReference) {
    ASSERT_EQ(m_performance->Init(nullptr, nullptr, nullptr), S_OK);
    IDirectMusicSegment* first = nullptr;
    IDirectMusicSegment* second = nullptr;
    ASSERT_EQ(load("tune.mid", &first), S_OK);
    ASSERT_EQ(load("tune.mid", &second), S_OK);
    ASSERT_EQ(m_performance->PlaySegment(first, 0, 0, nullptr), S_OK);
    EXPECT_EQ(first->Release(), 1u) << "the performance holds the playing segment";
    m_mixer->render(kRate / 10);

    // A new primary segment replaces it, and the old one goes.
    const int before = host::liveMusicObjects();
    ASSERT_EQ(m_performance->PlaySegment(second, 0, 0, nullptr), S_OK);
    EXPECT_EQ(host::liveMusicObjects(), before - 1);
    EXPECT_EQ(m_performance->IsPlaying(second, nullptr), S_OK);
    m_mixer->render(kRate / 10);

    // Stopping everything lets go of the second one too.
    EXPECT_EQ(m_performance->Stop(nullptr, nullptr, 0, 0), S_OK);
    EXPECT_EQ(second->Release(), 0u);
}

TEST(MultiByteToWideChar, ConvertsUtf8AndRefusesWhatDoesNotFit) {
    WCHAR out[8];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, "abc", -1, out, 8), 4);
    EXPECT_EQ(std::u16string(out), u"abc");
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, "abc", -1, nullptr, 0), 4);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, "abcdefgh", -1, out, 8), 0);
    // Two bytes, three bytes, four bytes (a surrogate pair), and a stray byte.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x8E\xB5\xFF", -1, out, 8), 6);
    EXPECT_EQ(std::u16string(out), u"\u00E9\u20AC\U0001F3B5\uFFFD");
}

}  // namespace
