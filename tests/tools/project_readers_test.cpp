// The game's own loaders in the platform layer accept every generated
// mesh and picture as they are.
#include <gtest/gtest.h>

#include <filesystem>

#include "bmp_reader.h"
#include "format_checks.h"
#include "test_env.h"
#include "xfile_parser.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> media_files(const std::string& extension) {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(testenv::runDir() + "/media"))
        if (e.path().extension() == extension) out.push_back(e.path());
    return out;
}

TEST(ProjectReaders, EveryMeshLoadsAsOneMeshWithNormalsUvsAndAMaterial) {
    const auto files = media_files(".x");
    EXPECT_EQ(files.size(), 9u);
    for (const fs::path& path : files) {
        const auto bytes = formats::read_file(path.string());
        platform::XFileScene scene;
        std::string error;
        ASSERT_TRUE(platform::parseXFile(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                                         scene, error))
            << path << ": " << error;
        ASSERT_EQ(scene.meshes.size(), 1u) << path;
        const platform::XMesh& m = scene.meshes[0];
        EXPECT_TRUE(m.hasNormals && m.hasTextureCoords && m.hasMaterialList) << path;
        EXPECT_EQ(m.materials.size(), 1u) << path;
    }
}

TEST(ProjectReaders, EveryPictureDecodesAndPureBlackReadsAsZero) {
    const auto files = media_files(".bmp");
    EXPECT_EQ(files.size(), 20u);
    for (const fs::path& path : files) {
        const auto bytes = formats::read_file(path.string());
        platform::DecodeResult r = platform::decodeBmp(bytes.data(), bytes.size());
        ASSERT_TRUE(r.ok) << path << ": " << r.error;
    }
    // The sprite copy cuts out texels whose 32-bit value is 0.
    const auto sheet = formats::read_file(testenv::runDir() + "/media/explosion2.bmp");
    platform::DecodeResult r = platform::decodeBmp(sheet.data(), sheet.size());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.image.at(0, 0), 0u);                 // gutter
    EXPECT_NE(r.image.at(33 * 2 + 17, 17), 0u);      // the middle of frame 2
}

}  // namespace
