// The music player over the DirectMusic stand-in and the manual mixer: files
// load into slots by name relative to the current directory, one slot plays
// at a time and is heard, stops, ends, and every function refuses slot
// numbers and names it cannot use without leaking anything.
#include "MusicPlayer.h"

#include "audio_mixer.h"
#include "dmusic_host.h"
#include "../platform/dmusic/dmusic_midi_builder.h"
#include "test_env.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <filesystem>
#include <string>

using namespace miditest;

namespace {

constexpr int kRate = platform::AudioMixer::kDefaultRate;

class MusicPlayer : public ::testing::Test {
protected:
    void SetUp() override {
        m_mixer = platform::AudioMixer::installManual(kRate);
        // Names are taken relative to the current directory: work in a folder of our own.
        const std::string folder = testenv::outputPath(
            std::string("music_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder + "/music");
        ASSERT_EQ(chdir(folder.c_str()), 0);
        writeFile("music/tune.mid", oneNoteFile(96));
        writeFile("music/long.mid", oneNoteFile(96 * 8, 67));
        writeFile("music/noise.mid", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'});
        ASSERT_EQ(InitMusic(NULL), 1);
    }

    void TearDown() override {
        ShutdownMusic();
        EXPECT_EQ(g_pMusicLoader, nullptr);
        EXPECT_EQ(g_pMusicPerformance, nullptr);
        EXPECT_EQ(host::liveMusicObjects(), 0) << "everything the player made is released";
        EXPECT_EQ(m_mixer->voiceCount(), 0u);
    }

    float peakOfNext(double seconds) { return peak(m_mixer->render(size_t(seconds * kRate))); }

    std::shared_ptr<platform::AudioMixer> m_mixer;
};

TEST_F(MusicPlayer, LoadsPlaysIsHeardAndStops) {
    const int slot = LoadMusic("music\\tune.mid");
    ASSERT_EQ(slot, 0);
    EXPECT_EQ(g_Music[0].m_nStatus, MUSIC_LOADED);
    EXPECT_EQ(g_Music[0].m_pSegmentState, nullptr);
    EXPECT_LT(peakOfNext(0.1), 1e-6f);

    EXPECT_EQ(PlayMusic(slot), 1);
    EXPECT_EQ(g_Music[slot].m_nStatus, MUSIC_PLAYING);
    EXPECT_EQ(g_nCurrentMusic, slot);
    EXPECT_NE(g_Music[slot].m_pSegmentState, nullptr);
    EXPECT_GT(peakOfNext(0.2), 0.01f) << "the note is heard";
    EXPECT_EQ(IsMusicPlaying(slot), MUSIC_PLAYING);

    EXPECT_EQ(StopMusic(slot), 1);
    EXPECT_EQ(g_Music[slot].m_nStatus, MUSIC_STOPPED);
    EXPECT_EQ(g_nCurrentMusic, -1);
    EXPECT_EQ(IsMusicPlaying(slot), MUSIC_STOPPED);
    const std::vector<float> after = m_mixer->render(kRate);
    EXPECT_LT(peak(after, after.size() / 2), 1e-4f) << "silent once the effects have rung out";

    // Playing it again and again keeps one segment state, not one per play.
    const int live = host::liveMusicObjects();
    EXPECT_EQ(PlayMusic(slot), 1);
    EXPECT_EQ(PlayMusic(slot), 1);
    EXPECT_EQ(host::liveMusicObjects(), live);
}

TEST_F(MusicPlayer, ASegmentThatHasEndedReadsAsStopped) {
    const int slot = LoadMusic("music/tune.mid");
    ASSERT_EQ(PlayMusic(slot), 1);
    m_mixer->render(kRate * 4 / 10);
    EXPECT_EQ(IsMusicPlaying(slot), MUSIC_PLAYING);
    m_mixer->render(kRate * 2 / 10);
    EXPECT_EQ(IsMusicPlaying(slot), MUSIC_STOPPED);
    EXPECT_EQ(g_Music[slot].m_nStatus, MUSIC_STOPPED);
}

TEST_F(MusicPlayer, PlayingASecondSlotStopsTheFirst) {
    const int first = LoadMusic("music/long.mid");
    const int second = LoadMusic("music/tune.mid");
    ASSERT_EQ(first, 0);
    ASSERT_EQ(second, 1);
    ASSERT_EQ(PlayMusic(first), 1);
    m_mixer->render(kRate / 10);
    ASSERT_EQ(PlayMusic(second), 1);
    EXPECT_EQ(g_Music[first].m_nStatus, MUSIC_STOPPED);
    EXPECT_EQ(g_Music[second].m_nStatus, MUSIC_PLAYING);
    EXPECT_EQ(g_nCurrentMusic, second);
    EXPECT_EQ(IsMusicPlaying(first), MUSIC_STOPPED);
    EXPECT_EQ(IsMusicPlaying(second), MUSIC_PLAYING);

    // Stopping any loaded slot clears the current one.
    EXPECT_EQ(StopMusic(first), 1);
    EXPECT_EQ(g_nCurrentMusic, -1);
}

TEST_F(MusicPlayer, RefusesFilesAndNamesItCannotLoad) {
    const std::string tooLong = "music/" + std::string(300, 'a') + ".mid";
    const char* refused[] = {"music/noise.mid", "music/missing.mid", "music", "", tooLong.c_str(), NULL};
    for (const char* name : refused) {
        EXPECT_EQ(LoadMusic(name), -1) << (name ? name : "(null)");
    }
    for (const SMusicSlot& slot : g_Music) {
        EXPECT_EQ(slot.m_pSegment, nullptr);
        EXPECT_EQ(slot.m_nStatus, MUSIC_EMPTY);
    }
    EXPECT_EQ(host::liveMusicObjects(), 2) << "only the loader and the performance";
    EXPECT_EQ(LoadMusic("music/tune.mid"), 0) << "the refusals took no slot";
}

TEST_F(MusicPlayer, ARefusedDownloadLeavesTheSlotEmptyAndKeepsNoSegment) {
    // A performance that was never initialised takes no download.
    IDirectMusicPerformance* pReady = g_pMusicPerformance;
    IDirectMusicPerformance* pCold = NULL;
    ASSERT_EQ(CoCreateInstance(CLSID_DirectMusicPerformance, NULL, CLSCTX_INPROC_SERVER,
                               IID_IDirectMusicPerformance, (void**)&pCold), S_OK);
    g_pMusicPerformance = pCold;
    const int live = host::liveMusicObjects();
    EXPECT_EQ(LoadMusic("music/tune.mid"), -1);
    EXPECT_EQ(host::liveMusicObjects(), live) << "the segment read was released";
    EXPECT_EQ(g_Music[0].m_pSegment, nullptr);
    EXPECT_EQ(g_Music[0].m_nStatus, MUSIC_EMPTY);
    pCold->Release();
    g_pMusicPerformance = pReady;
    EXPECT_EQ(LoadMusic("music/tune.mid"), 0);
}

TEST_F(MusicPlayer, AFullTableRefusesAndAnUnloadedSlotIsReused) {
    for (int i = 0; i < MAX_MUSIC; i++) ASSERT_EQ(LoadMusic("music/tune.mid"), i);
    EXPECT_EQ(LoadMusic("music/tune.mid"), -1);
    EXPECT_EQ(UnloadMusic(17), 1);
    EXPECT_EQ(g_Music[17].m_pSegment, nullptr);
    EXPECT_EQ(g_Music[17].m_nStatus, MUSIC_EMPTY);
    EXPECT_EQ(LoadMusic("music/tune.mid"), 17);
    EXPECT_EQ(UnloadAllMusic(), 1);
    EXPECT_EQ(host::liveMusicObjects(), 2);
}

TEST_F(MusicPlayer, UnloadingThePlayingSlotLeavesItPlayingSafely) {
    const int slot = LoadMusic("music/long.mid");
    ASSERT_EQ(PlayMusic(slot), 1);
    EXPECT_EQ(UnloadMusic(slot), 1);
    EXPECT_EQ(g_Music[slot].m_pSegment, nullptr);
    EXPECT_EQ(g_Music[slot].m_pSegmentState, nullptr);
    EXPECT_EQ(g_nCurrentMusic, slot) << "unloading changes no current slot";
    EXPECT_GT(peakOfNext(0.2), 0.01f) << "the performance still holds what it plays";
    EXPECT_EQ(IsMusicPlaying(slot), 0);
    // The next play finds the current slot empty and simply goes on.
    const int next = LoadMusic("music/tune.mid");
    EXPECT_EQ(next, slot);
    EXPECT_EQ(PlayMusic(next), 1);
    EXPECT_EQ(g_nCurrentMusic, next);
}

TEST_F(MusicPlayer, SlotNumbersThatNameNoSegmentAreRefused) {
    ASSERT_EQ(LoadMusic("music/tune.mid"), 0);
    for (int slot : {-1, 1, 63, 64, 1000, INT_MAX, INT_MIN}) {
        EXPECT_EQ(PlayMusic(slot), 0) << slot;
        EXPECT_EQ(StopMusic(slot), 0) << slot;
        EXPECT_EQ(IsMusicPlaying(slot), 0) << slot;
        EXPECT_EQ(UnloadMusic(slot), 1) << slot;
    }
    EXPECT_EQ(g_nCurrentMusic, -1);
    EXPECT_EQ(g_Music[0].m_nStatus, MUSIC_LOADED);
}

TEST(MusicPlayerWithoutObjects, EveryOperationFailsCleanly) {
    auto mixer = platform::AudioMixer::installManual(kRate);
    EXPECT_EQ(LoadMusic("music/tune.mid"), -1);
    EXPECT_EQ(PlayMusic(0), 0);
    EXPECT_EQ(StopMusic(0), 0);
    EXPECT_EQ(IsMusicPlaying(0), 0);
    EXPECT_EQ(UnloadMusic(0), 1);
    EXPECT_EQ(UnloadAllMusic(), 1);
    ShutdownMusic();
    EXPECT_EQ(host::liveMusicObjects(), 0);
}

}  // namespace
