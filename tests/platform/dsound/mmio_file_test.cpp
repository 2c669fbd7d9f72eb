// The RIFF reader: the chunk search, padding, chunk sizes that lie, reads
// that run past a chunk, memory files and file-name mapping.
#include "mmio_api.h"
#include "mmio_file.h"

#include "../../av/sound_riff_builder.h"
#include "test_env.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using soundtest::chunk;
using soundtest::le32;

namespace {

constexpr FOURCC kWave = mmioFOURCC('W', 'A', 'V', 'E');

struct MemoryFile {
    explicit MemoryFile(std::string bytes) : bytes(std::move(bytes)) {
        MMIOINFO info{};
        info.fccIOProc = FOURCC_MEM;
        info.pchBuffer = this->bytes.data();
        info.cchBuffer = LONG(this->bytes.size());
        handle = mmioOpen(nullptr, &info, MMIO_READ);
    }
    ~MemoryFile() {
        if (handle) mmioClose(handle, 0);
    }
    std::string bytes;
    HMMIO handle = nullptr;
};

MMRESULT findRiff(HMMIO file, MMCKINFO& riff, FOURCC form = kWave) {
    riff = MMCKINFO{};
    riff.fccType = form;
    return mmioDescend(file, &riff, nullptr, MMIO_FINDRIFF);
}

MMRESULT findChunk(HMMIO file, MMCKINFO& found, const MMCKINFO& parent, const char* id) {
    found = MMCKINFO{};
    found.ckid = mmioFOURCC(id[0], id[1], id[2], id[3]);
    return mmioDescend(file, &found, &parent, MMIO_FINDCHUNK);
}

TEST(MmioFile, SearchesForwardOverPaddedChunksInsideTheForm) {
    // "odd " has 3 bytes and a pad byte; "data" comes after it.
    MemoryFile file(soundtest::riff("WAVE", chunk("odd ", "abc") + chunk("fmt ", std::string(16, 'f')) +
                                                chunk("data", "12345")));
    ASSERT_NE(file.handle, nullptr);
    MMCKINFO riff, fmt, data;
    ASSERT_EQ(findRiff(file.handle, riff), MMSYSERR_NOERROR);
    EXPECT_EQ(riff.ckid, FOURCC_RIFF);
    EXPECT_EQ(riff.dwDataOffset, 8u);
    EXPECT_EQ(mmioSeek(file.handle, 0, SEEK_CUR), 12) << "just after the form type";

    ASSERT_EQ(findChunk(file.handle, fmt, riff, "fmt "), MMSYSERR_NOERROR);
    EXPECT_EQ(fmt.cksize, 16u);
    EXPECT_EQ(fmt.dwDataOffset, 12u + 12u + 8u);
    // A read is not held to its chunk: it goes on into the next header.
    char bytes[18];
    ASSERT_EQ(mmioRead(file.handle, bytes, 18), 18);
    EXPECT_EQ(std::string(bytes + 16, 2), "da");
    ASSERT_EQ(mmioAscend(file.handle, &fmt, 0), MMSYSERR_NOERROR);

    ASSERT_EQ(findChunk(file.handle, data, riff, "data"), MMSYSERR_NOERROR);
    EXPECT_EQ(data.cksize, 5u);
    ASSERT_EQ(mmioRead(file.handle, bytes, 5), 5);
    EXPECT_EQ(std::string(bytes, 5), "12345");
    // The search only goes forward: "fmt " is behind us now.
    EXPECT_EQ(findChunk(file.handle, fmt, riff, "fmt "), MMIOERR_CHUNKNOTFOUND);
    EXPECT_EQ(mmioSeek(file.handle, 0, SEEK_CUR), LONG(data.dwDataOffset + 5)) << "a failed search stays put";
}

TEST(MmioFile, NeverSearchesOutsideTheParentOrTheFile) {
    // A chunk inside the form whose size reaches beyond the form hides what follows.
    const std::string inner = chunk("LIST", "INFO") + "big " + le32(0xFFFFFFF0u) + chunk("data", "xy");
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"size past the end", soundtest::riff("WAVE", inner)},
        {"header cut short", soundtest::riff("WAVE", chunk("LIST", "INFO") + "da")},
        {"data outside the form", soundtest::riff("WAVE", chunk("LIST", "INFO"), 4 + 12) + chunk("data", "xy")},
        {"empty form", soundtest::riff("WAVE", "")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryFile file(c.bytes);
        MMCKINFO riff, data;
        ASSERT_EQ(findRiff(file.handle, riff), MMSYSERR_NOERROR);
        EXPECT_EQ(findChunk(file.handle, data, riff, "data"), MMIOERR_CHUNKNOTFOUND);
    }
}

TEST(MmioFile, FormsThatAreNotThereAreNotFound) {
    const std::string body = chunk("fmt ", std::string(16, 'f'));
    const std::string cases[] = {
        "",
        "RIFF",
        "RIFF" + le32(4),
        "RIFX" + le32(4 + body.size()) + "WAVE" + body,
        soundtest::riff("AVI ", body),
        "RIFF" + le32(2) + "WAVE" + body,  // too small to hold its own form type
    };
    for (const std::string& bytes : cases) {
        MemoryFile file(bytes);
        ASSERT_NE(file.handle, nullptr);
        MMCKINFO riff;
        EXPECT_EQ(findRiff(file.handle, riff), MMIOERR_CHUNKNOTFOUND) << bytes.size() << " bytes";
    }
}

TEST(MmioFile, AscendingPastTheEndOfTheFileFails) {
    MemoryFile file(soundtest::riff("WAVE", "fmt " + le32(1000) + std::string(16, 'f')));
    MMCKINFO riff, fmt;
    ASSERT_EQ(findRiff(file.handle, riff), MMSYSERR_NOERROR);
    ASSERT_EQ(findChunk(file.handle, fmt, riff, "fmt "), MMSYSERR_NOERROR);
    EXPECT_EQ(fmt.cksize, 1000u) << "the declared size is reported as it is";
    EXPECT_EQ(mmioAscend(file.handle, &fmt, 0), MMIOERR_CANNOTSEEK);

    // An odd last chunk whose pad byte is missing still ends cleanly.
    MemoryFile odd(soundtest::riff("WAVE", "data" + le32(3) + "abc"));
    MMCKINFO data;
    ASSERT_EQ(findRiff(odd.handle, riff), MMSYSERR_NOERROR);
    ASSERT_EQ(findChunk(odd.handle, data, riff, "data"), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioAscend(odd.handle, &data, 0), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioSeek(odd.handle, 0, SEEK_CUR), LONG(odd.bytes.size()));
}

TEST(MmioFile, ReadsAndSeeksStayInsideTheFile) {
    MemoryFile file("0123456789");
    char bytes[16];
    EXPECT_EQ(mmioSeek(file.handle, 7, SEEK_SET), 7);
    EXPECT_EQ(mmioRead(file.handle, bytes, 16), 3);
    EXPECT_EQ(mmioRead(file.handle, bytes, 16), 0);
    EXPECT_EQ(mmioRead(file.handle, bytes, -1), -1);
    EXPECT_EQ(mmioRead(file.handle, nullptr, 0), 0) << "an empty read needs no buffer";
    EXPECT_EQ(mmioSeek(file.handle, 1, SEEK_END), -1);
    EXPECT_EQ(mmioSeek(file.handle, -11, SEEK_END), -1);
    EXPECT_EQ(mmioSeek(file.handle, -4, SEEK_END), 6);
    EXPECT_EQ(mmioSeek(file.handle, 2, SEEK_CUR), 8);
}

TEST(MmioFile, OpensFilesByTheProgramsNamesAndCountsEveryOpen) {
    const std::string folder = testenv::outputPath("mmio_names");
    std::filesystem::create_directories(folder + "/SOUND");
    soundtest::writeFile(folder + "/SOUND/exp1.WAV", soundtest::wave8Mono("abcd"));
    const uint64_t before = platform::mmioOpenCount();

    HMMIO file = mmioOpen((folder + "\\sound\\EXP1.wav").c_str(), nullptr, MMIO_ALLOCBUF | MMIO_READ);
    ASSERT_NE(file, nullptr);
    MMCKINFO riff;
    EXPECT_EQ(findRiff(file, riff), MMSYSERR_NOERROR);
    EXPECT_EQ(mmioClose(file, 0), MMSYSERR_NOERROR);

    MMIOINFO info{};
    EXPECT_EQ(mmioOpen((folder + "/SOUND/missing.WAV").c_str(), &info, MMIO_READ), nullptr);
    EXPECT_EQ(info.wErrorRet, UINT(MMIOERR_FILENOTFOUND));
    EXPECT_EQ(mmioOpen(folder.c_str(), nullptr, MMIO_READ), nullptr) << "a folder is no file";
    EXPECT_EQ(mmioOpen((folder + "/SOUND/exp1.WAV").c_str(), nullptr, MMIO_WRITE), nullptr) << "read only";
    EXPECT_EQ(platform::mmioOpenCount(), before + 4);
}

}  // namespace
