#include "ship_list.h"

#include <cstring>
#include <stdexcept>

namespace assetgen {
namespace {

constexpr size_t kNameField = 16;

void put_name(std::vector<uint8_t>& record, size_t at, const std::string& name, size_t field) {
    if (name.size() >= field)
        throw std::invalid_argument("ship list name \"" + name + "\" is longer than " + std::to_string(field - 1) +
                                    " characters");
    std::memcpy(record.data() + at, name.data(), name.size());
}

void put_u32(std::vector<uint8_t>& record, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) record[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void put_f32(std::vector<uint8_t>& record, size_t at, float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    put_u32(record, at, bits);
}

}  // namespace

std::vector<ShipRecord> default_ships() {
    return {
        {"Arrow", 0.03f, 3.5f, 2, 8, "ship1.x", "ship1.bmp"},
        {"Hammer", 0.022f, 3.0f, 6, 11, "ship2.x", "ship2.bmp"},
        {"Manta", 0.045f, 5.0f, 2, 5, "ship3.x", "ship3.bmp"},
    };
}

std::vector<uint8_t> encode_ship_list(const std::vector<ShipRecord>& ships) {
    std::vector<uint8_t> out;
    for (const ShipRecord& s : ships) {
        std::vector<uint8_t> record(kShipRecordSize, 0);
        record[0] = 1;  // in use
        put_name(record, 0x01, s.name, 0xA0 - 0x01);
        put_f32(record, 0xA0, s.accel);
        put_f32(record, 0xA4, s.turn_rate);
        put_u32(record, 0xA8, static_cast<uint32_t>(s.shot_damage));
        put_u32(record, 0xAC, static_cast<uint32_t>(s.fire_delay));
        put_name(record, 0xC0, s.mesh_file, kNameField);
        put_name(record, 0xD0, s.texture_file, kNameField);
        out.insert(out.end(), record.begin(), record.end());
    }
    return out;
}

}  // namespace assetgen
