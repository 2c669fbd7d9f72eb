// The ship list decodes to the intended records, and names files that exist.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "format_checks.h"
#include "assetgen/ship_list.h"
#include "test_env.h"

namespace {

struct Decoded {
    uint8_t in_use;
    float accel, turn;
    int32_t damage, delay;
    std::string mesh, texture;
};

std::string field(const std::vector<uint8_t>& b, size_t at) {
    const char* p = reinterpret_cast<const char*>(&b[at]);
    size_t n = strnlen(p, 16);
    EXPECT_LT(n, 16u) << "name not NUL-terminated within its 16 bytes";
    return std::string(p, n);
}

Decoded decode(const std::vector<uint8_t>& b, size_t record) {
    const size_t at = record * 224;
    Decoded d{};
    d.in_use = b[at];
    std::memcpy(&d.accel, &b[at + 0xA0], 4);
    std::memcpy(&d.turn, &b[at + 0xA4], 4);
    std::memcpy(&d.damage, &b[at + 0xA8], 4);
    std::memcpy(&d.delay, &b[at + 0xAC], 4);
    for (size_t i = 0xB0; i < 0xC0; ++i) EXPECT_EQ(b[at + i], 0) << "unused bytes must stay zero";
    d.mesh = field(b, at + 0xC0);
    d.texture = field(b, at + 0xD0);
    return d;
}

TEST(ShipListFile, RecordsDecodeToTheIntendedShips) {
    const auto bytes = formats::read_file(testenv::runDir() + "/media/default.msl");
    ASSERT_EQ(bytes.size(), 3u * 224);
    const Decoded expected[3] = {{1, 0.03f, 3.5f, 2, 8, "ship1.x", "ship1.bmp"},
                                 {1, 0.022f, 3.0f, 6, 11, "ship2.x", "ship2.bmp"},
                                 {1, 0.045f, 5.0f, 2, 5, "ship3.x", "ship3.bmp"}};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE("record " + std::to_string(i));
        Decoded d = decode(bytes, i);
        EXPECT_EQ(d.in_use, 1);
        EXPECT_EQ(d.accel, expected[i].accel);
        EXPECT_EQ(d.turn, expected[i].turn);
        EXPECT_EQ(d.damage, expected[i].damage);
        EXPECT_EQ(d.delay, expected[i].delay);
        EXPECT_EQ(d.mesh, expected[i].mesh);
        EXPECT_EQ(d.texture, expected[i].texture);
        EXPECT_TRUE(std::filesystem::exists(testenv::runDir() + "/media/" + d.mesh));
        EXPECT_TRUE(std::filesystem::exists(testenv::runDir() + "/media/" + d.texture));
    }
}

TEST(ShipListFile, HandlingValuesStayInTheRangeTheFlightModelNeeds) {
    for (const assetgen::ShipRecord& s : assetgen::default_ships()) {
        SCOPED_TRACE(s.name);
        EXPECT_GT(s.accel, 0.0f);
        EXPECT_LT(s.accel, 0.1f);  // drag is accel / 2; top speed 2 - accel
        EXPECT_GE(s.turn_rate, 3.0f);
        EXPECT_LE(s.turn_rate, 5.0f);
        EXPECT_GE(s.shot_damage, 1);
        EXPECT_GE(s.fire_delay, 1);
    }
}

TEST(ShipListFile, NamesOfSixteenCharactersAreRefused) {
    auto ships = assetgen::default_ships();
    ships[1].mesh_file = "a_name_too_long.x";  // 17 characters
    EXPECT_THROW(assetgen::encode_ship_list(ships), std::invalid_argument);
    ships[1].mesh_file = "fifteen_chars.x";  // exactly 15: fits with its NUL
    const auto bytes = assetgen::encode_ship_list(ships);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[224 + 0xC0])), "fifteen_chars.x");
    EXPECT_EQ(bytes[224 + 0xCF], 0);
}

}  // namespace
