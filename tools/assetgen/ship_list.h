// The ship list "media/default.msl": 224-byte little-endian records with
// no header, one per selectable ship.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

constexpr size_t kShipRecordSize = 224;

struct ShipRecord {
    std::string name;  // bookkeeping only, kept after the in-use byte
    float accel;
    float turn_rate;   // degrees per frame
    int32_t shot_damage;
    int32_t fire_delay;  // frames between shots
    std::string mesh_file;     // at most 15 characters
    std::string texture_file;  // at most 15 characters
};

// The ships we ship: record 0 carries the game's built-in handling, the
// others trade speed, turning and firepower differently.
std::vector<ShipRecord> default_ships();

// Throws std::invalid_argument for a name longer than 15 characters.
std::vector<uint8_t> encode_ship_list(const std::vector<ShipRecord>& ships);

}  // namespace assetgen
