// The strict bitmap reader: every form it accepts, and a table of files it
// must refuse without reading past the end.
#include "bmp_reader.h"
#include "bmp_writer.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using platform::BmpWriteOptions;
using platform::decodeBmp;
using platform::encodeBmp;

// A 3x2 image: odd width, so 24-bit rows carry padding.
const std::vector<uint32_t> kTexels = {0x00102030, 0x00FFFFFF, 0x00000000,
                                       0x00010101, 0x00FF0000, 0x0000FF00};

platform::DecodeResult decode(const std::string& bytes) {
    return decodeBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

void set32(std::string& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = char((value >> (8 * i)) & 0xFF);
}
void set16(std::string& bytes, size_t at, uint32_t value) {
    bytes[at] = char(value & 0xFF);
    bytes[at + 1] = char((value >> 8) & 0xFF);
}

TEST(BmpReader, ReadsEveryAcceptedLayoutWithRowZeroAtTheTop) {
    struct Case {
        const char* name;
        BmpWriteOptions options;
    } cases[] = {
        {"24-bit bottom-up", {24, false}},
        {"24-bit top-down", {24, true}},
        {"8-bit palette", {8, false}},
        {"32-bit without alpha", {32, false}},
        {"32-bit top-down", {32, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = decode(encodeBmp(3, 2, kTexels, c.options));
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(result.image.width, 3);
        EXPECT_EQ(result.image.height, 2);
        EXPECT_FALSE(result.image.hasAlpha);
        // No alpha: the fourth byte is 0, so black is the value 0.
        EXPECT_EQ(result.image.texels, kTexels);
    }
}

TEST(BmpReader, KeepsTheFourthByteOfA32BitImageAsAlpha) {
    std::vector<uint32_t> texels = kTexels;
    texels[1] = 0x80FFFFFF;
    const auto result = decode(encodeBmp(3, 2, texels, {32, false}));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_TRUE(result.image.hasAlpha);
    EXPECT_EQ(result.image.texels, texels);
}

TEST(BmpReader, AcceptsLaterInfoHeadersAndStandardBitFields) {
    // A 124-byte header: the 84 extra bytes sit between header and pixels.
    std::string v5 = encodeBmp(3, 2, kTexels, {32, false});
    v5.insert(54, std::string(84, '\0'));
    set32(v5, 14, 124);
    set32(v5, 10, 54 + 84);
    set32(v5, 30, 3);  // bit fields, masks inside the header
    set32(v5, 54, 0x00FF0000);
    set32(v5, 58, 0x0000FF00);
    set32(v5, 62, 0x000000FF);
    const auto result = decode(v5);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.image.texels, kTexels);

    set32(v5, 54, 0x000000FF);  // red and blue swapped: not supported
    EXPECT_FALSE(decode(v5).ok);
}

TEST(BmpReader, RefusesMalformedFiles) {
    const std::string good24 = encodeBmp(3, 2, kTexels, {24, false});
    const std::string good8 = encodeBmp(3, 2, kTexels, {8, false});
    struct Case {
        const char* name;
        std::string bytes;
    };
    std::vector<Case> cases;
    auto patched = [&](const char* name, const std::string& base, auto patch) {
        std::string bytes = base;
        patch(bytes);
        cases.push_back({name, bytes});
    };
    patched("wrong magic", good24, [](std::string& b) { b[0] = 'P'; });
    patched("16 bits", good24, [](std::string& b) { set16(b, 28, 16); });
    patched("1 bit", good24, [](std::string& b) { set16(b, 28, 1); });
    patched("run-length compressed", good24, [](std::string& b) { set32(b, 30, 1); });
    patched("two planes", good24, [](std::string& b) { set16(b, 26, 2); });
    patched("zero width", good24, [](std::string& b) { set32(b, 18, 0); });
    patched("negative width", good24, [](std::string& b) { set32(b, 18, uint32_t(-3)); });
    patched("zero height", good24, [](std::string& b) { set32(b, 22, 0); });
    patched("most negative height", good24, [](std::string& b) { set32(b, 22, 0x80000000u); });
    patched("giant size", good24, [](std::string& b) { set32(b, 18, 100000), set32(b, 22, 100000); });
    patched("taller than the pixels", good24, [](std::string& b) { set32(b, 22, 3); });
    patched("pixels past the end", good24, [](std::string& b) { set32(b, 10, uint32_t(b.size())); });
    patched("pixels inside the header", good24, [](std::string& b) { set32(b, 10, 20); });
    patched("core header", good24, [](std::string& b) { set32(b, 14, 12); });
    patched("header past the end", good24, [](std::string& b) { set32(b, 14, 124); });
    patched("palette index outside", good8, [](std::string& b) { b[b.size() - 4] = char(200); });
    patched("palette too large", good8, [](std::string& b) { set32(b, 46, 300); });
    patched("palette past the end", good8, [](std::string& b) { set32(b, 46, 250); });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto result = decode(c.bytes);
        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.error.empty());
    }
}

TEST(BmpReader, EveryTruncationFailsCleanly) {
    for (const BmpWriteOptions options : {BmpWriteOptions{24, false}, BmpWriteOptions{8, true},
                                          BmpWriteOptions{32, false}}) {
        const std::string good = encodeBmp(3, 2, kTexels, options);
        for (size_t length = 0; length < good.size(); ++length) {
            // A copy of exactly `length` bytes, so that a sanitizer sees any overread.
            std::vector<uint8_t> cut(good.begin(), good.begin() + length);
            EXPECT_FALSE(decodeBmp(cut.data(), cut.size()).ok) << options.bits << " bits, " << length;
        }
    }
}

}  // namespace
