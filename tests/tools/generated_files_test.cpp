// The generator writes the same bytes on every run, and writes every file
// the game opens, under exactly the name (and case) the game uses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "assetgen/asset_set.h"
#include "format_checks.h"
#include "test_env.h"

namespace {

namespace fs = std::filesystem;

const std::set<std::string> kExpectedFiles = {
    "media/default.msl", "media/ship1.x", "media/ship2.x", "media/ship3.x", "media/ship1.bmp",
    "media/ship2.bmp", "media/ship3.bmp", "media/blaster.x", "media/blastersurf.bmp", "media/missle1.x",
    "media/surface1.bmp", "media/shield.x", "media/shield2.bmp", "media/powerup.x", "media/powerup.bmp",
    "media/kelvane1.x", "media/surface2.bmp", "media/planet1.x", "media/planetskin1.bmp",
    "media/loadscreen.bmp", "media/loading.bmp", "media/indicator.bmp", "media/mainmenu3.bmp",
    "media/cursor.bmp", "media/ssmenu.bmp", "media/LeftBUT.bmp", "media/RightBUT.bmp", "media/OkBUT.bmp",
    "media/explosion2.bmp", "media/Stars.bmp", "SOUND/newtext.WAV", "SOUND/exp1.WAV", "SOUND/blasters.WAV",
    "SOUND/love.WAV", "SOUND/dominos.WAV", "SOUND/echo.WAV", "video/intro.avi"};

std::set<std::string> files_under(const fs::path& root) {
    std::set<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) out.insert(fs::relative(e.path(), root).generic_string());
    return out;
}

TEST(GeneratedFiles, TwoRunsWriteIdenticalBytes) {
    const fs::path a = testenv::outputPath("assets_run_a"), b = testenv::outputPath("assets_run_b");
    fs::remove_all(a);
    fs::remove_all(b);
    assetgen::write_assets(assetgen::build_assets(), a);
    assetgen::write_assets(assetgen::build_assets(), b);
    const std::set<std::string> names = files_under(a);
    ASSERT_EQ(names, files_under(b));
    ASSERT_EQ(names, kExpectedFiles);
    for (const std::string& name : names)
        EXPECT_TRUE(formats::read_file((a / name).string()) == formats::read_file((b / name).string())) << name;
    // The build's run directory came from the same generator.
    for (const std::string& name : names)
        EXPECT_TRUE(formats::read_file((a / name).string()) == formats::read_file(testenv::runDir() + "/" + name))
            << name << " in the run directory is stale or different";
}

TEST(GeneratedFiles, RunDirectoryHoldsExactlyTheGameFiles) {
    std::set<std::string> names;
    for (const char* folder : {"media", "SOUND", "video"})
        for (const std::string& name : files_under(fs::path(testenv::runDir()) / folder))
            names.insert(std::string(folder) + "/" + name);
    EXPECT_EQ(names, kExpectedFiles);
}

TEST(GeneratedFiles, OutputStaysModest) {
    uintmax_t total = 0;
    for (const std::string& name : kExpectedFiles) total += fs::file_size(testenv::runDir() + "/" + name);
    EXPECT_LT(total, 40u * 1024 * 1024);
}

TEST(GeneratedFiles, WritingIntoAFileInsteadOfAFolderFailsClearly) {
    const fs::path blocker = testenv::outputPath("assets_blocker");
    fs::remove_all(blocker);
    { std::ofstream(blocker.string()) << "x"; }
    try {
        assetgen::write_assets({{"media/a.bmp", {1, 2, 3}}}, blocker);
        FAIL() << "expected an error";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("media"), std::string::npos) << e.what();
    }
}

}  // namespace
