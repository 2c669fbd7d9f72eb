// The whole game with one run-time file at a time missing, cut to half its
// bytes or replaced by random bytes of the same size: it starts up and plays
// a scripted minute without crashing or hanging. Only the intro video may end
// the start-up, and then with 0 and a line on stderr saying why.
//
// Each damaged run goes in a child process of its own: the game's globals
// start clean, and a crash or a hang shows as the child's end, named by file.
#include "game_session.h"

#include "GameGlobals.h"
#include "host_input.h"
#include "test_env.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

enum class Fault { Missing, Half, Garbage };

const char* faultName(Fault fault) {
    switch (fault) {
    case Fault::Missing: return "missing";
    case Fault::Half: return "half";
    case Fault::Garbage: return "garbage";
    }
    return "?";
}

// The run directory's files, relative to it ("media/ship1.x").
std::vector<std::string> runFiles() {
    std::vector<std::string> files;
    const fs::path root = testenv::runDir();
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        const std::string rel = fs::relative(entry.path(), root).generic_string();
        if (rel.find('/') != std::string::npos) files.push_back(rel);
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A copy of the run directory (good files linked) with `rel` damaged.
std::string damagedRunDir(const std::string& rel, Fault fault) {
    std::string flat = rel;
    std::replace(flat.begin(), flat.end(), '/', '_');
    const fs::path dir = testenv::outputPath(std::string("bad_files/") + faultName(fault) + "/" + flat);
    fs::remove_all(dir);
    const fs::path root = testenv::runDir();
    for (const std::string& file : runFiles()) {
        const fs::path target = dir / file;
        fs::create_directories(target.parent_path());
        if (file != rel) {
            fs::create_symlink(root / file, target);
            continue;
        }
        if (fault == Fault::Missing) continue;
        std::string bytes = readAll(root / file);
        if (fault == Fault::Half) {
            bytes.resize(bytes.size() / 2);
        } else {
            std::mt19937 random(20261210u + static_cast<unsigned>(bytes.size()));
            for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
        }
        std::ofstream(target, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    return dir.string();
}

void hold(GameSession& game, int dik, int frames) {
    game.press(dik);
    game.frames(frames);
    game.release(dik);
}

// What the child reports through its exit status.
enum Outcome { kPlayed = 0, kStartRefused = 10, kNoPlay = 11, kNoMenu = 12, kNoReturn = 13 };

// Start-up and a scripted minute of play: thrust, turn, fire, missiles, the
// menu and back, a few hundred frames in all.
int playScript(const std::string& dir) {
    GameSession game(dir);
    if (game.start() == 0) return kStartRefused;
    game.frames(5);
    if (!game.startPlaying()) return kNoPlay;
    hold(game, DIK_UP, 20);
    hold(game, DIK_LEFT, 15);
    hold(game, DIK_LCONTROL, 30);
    hold(game, DIK_SPACE, 30);
    game.press(DIK_UP);
    game.press(DIK_RIGHT);
    game.press(DIK_LCONTROL);
    game.frames(20);
    game.release(DIK_UP);
    game.release(DIK_RIGHT);
    game.release(DIK_LCONTROL);
    game.tap(DIK_ESCAPE);
    if (g_nGameState != GS_MAINMENU) return kNoMenu;
    game.frames(10);
    game.tap(DIK_RETURN);  // "Continue"
    if (g_nGameState != GS_PLAYING && g_nGameState != GS_MAINMENU) return kNoReturn;
    game.frames(30);
    game.finish();
    return kPlayed;
}

struct ChildEnd {
    int status = 0;
    std::string stderrText;
    std::string describe() const {
        std::ostringstream out;
        if (WIFSIGNALED(status))
            out << "killed by signal " << WTERMSIG(status)
                << (WTERMSIG(status) == SIGALRM ? " (hung)" : "");
        else
            out << "exit " << WEXITSTATUS(status);
        out << "\n--- stderr ---\n" << stderrText;
        return out.str();
    }
};

pid_t startChild(const std::string& dir) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = open((dir + ".stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) dup2(fd, 2);
        alarm(240);  // a watchdog against a hang, far beyond a normal run
        _exit(playScript(dir));
    }
    return pid;
}

ChildEnd waitChild(pid_t pid, const std::string& dir) {
    ChildEnd end;
    waitpid(pid, &end.status, 0);
    end.stderrText = readAll(dir + ".stderr");
    return end;
}

bool isVideo(const std::string& rel) { return rel.rfind("video/", 0) == 0; }

// The files go in runs of a few per test case, so that a case stays short.
const int kFilesPerCase = 6;
const int kCases = 7;  // room for 42 files; the run directory has 37

class BadFiles : public ::testing::TestWithParam<std::tuple<Fault, int>> {};

TEST_P(BadFiles, TheGameRunsOnOrTheIntroVideoEndsTheStartUpCleanly) {
    const Fault fault = std::get<0>(GetParam());
    const int chunk = std::get<1>(GetParam());
    // The damaged runs of the group go side by side, a few at a time.
    std::vector<std::string> files;
    const std::vector<std::string> all = runFiles();
    ASSERT_LE(all.size(), static_cast<size_t>(kFilesPerCase * kCases)) << "more cases needed";
    for (size_t i = chunk * kFilesPerCase; i < all.size() && i < (chunk + 1u) * kFilesPerCase; ++i)
        files.push_back(all[i]);
    const size_t kSideBySide = 3;
    for (size_t first = 0; first < files.size(); first += kSideBySide) {
        const size_t last = std::min(files.size(), first + kSideBySide);
        std::vector<std::pair<pid_t, std::string>> children;
        for (size_t i = first; i < last; ++i) {
            const std::string dir = damagedRunDir(files[i], fault);
            children.emplace_back(startChild(dir), dir);
        }
        for (size_t i = first; i < last; ++i) {
            const std::string& rel = files[i];
            const ChildEnd end = waitChild(children[i - first].first, children[i - first].second);
            SCOPED_TRACE(rel + " " + faultName(fault));
            if (!WIFEXITED(end.status)) {
                ADD_FAILURE() << end.describe();
                continue;
            }
            const int outcome = WEXITSTATUS(end.status);
            if (isVideo(rel) && outcome == kStartRefused) {
                EXPECT_NE(end.stderrText.find("video/intro.avi"), std::string::npos) << end.describe();
                continue;
            }
            EXPECT_EQ(outcome, kPlayed) << end.describe();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    WholeGame, BadFiles,
    ::testing::Combine(::testing::Values(Fault::Missing, Fault::Half, Fault::Garbage),
                       ::testing::Range(0, kCases)),
    [](const ::testing::TestParamInfo<std::tuple<Fault, int>>& info) {
        std::string name = faultName(std::get<0>(info.param));
        name[0] = static_cast<char>(name[0] - 'a' + 'A');
        return name + "Files" + std::to_string(std::get<1>(info.param) + 1);
    });

}  // namespace
