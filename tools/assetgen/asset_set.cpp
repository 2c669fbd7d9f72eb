#include "asset_set.h"

#include <fstream>
#include <functional>
#include <stdexcept>
#include <system_error>

#include "avi_writer.h"
#include "bmp_writer.h"
#include "intro_video.h"
#include "mesh_textures.h"
#include "music.h"
#include "ship_list.h"
#include "ship_meshes.h"
#include "sounds.h"
#include "sprite_images.h"
#include "text_painter.h"
#include "wav_writer.h"
#include "world_meshes.h"

namespace assetgen {
namespace {

std::vector<uint8_t> text_bytes(const std::string& s) { return {s.begin(), s.end()}; }

std::vector<uint8_t> x_file(const Mesh& mesh, const std::string& name, const std::string& texture) {
    return text_bytes(write_x_file(mesh, name, texture));
}

std::vector<uint8_t> wav(const Samples& s, uint64_t seed) { return encode_wav_u8(to_u8(s, seed)); }

// The game's one light gives a surface facing the camera only about 0.42 of
// its texture colour, so the paints sit near the top of the range: darker
// schemes turn into dim shapes on the black of space. Three different hues
// (and trims) tell the ships apart at a glance.
const ShipPaint kArrowPaint{{110, 165, 255}, {235, 245, 255}, {255, 90, 60}, {255, 255, 255}};
const ShipPaint kHammerPaint{{250, 90, 60}, {255, 200, 90}, {190, 190, 205}, {255, 235, 130}};
const ShipPaint kMantaPaint{{90, 215, 105}, {250, 235, 90}, {70, 160, 90}, {250, 250, 235}};

}  // namespace

std::vector<AssetFile> build_assets() {
    TextPainter text;
    using Maker = std::function<std::vector<uint8_t>()>;
    const std::vector<std::pair<std::string, Maker>> makers = {
        {"media/default.msl", [] { return encode_ship_list(default_ships()); }},
        {"media/ship1.x", [] { return x_file(make_arrow_ship(), "Arrow", "ship1.bmp"); }},
        {"media/ship2.x", [] { return x_file(make_hammer_ship(), "Hammer", "ship2.bmp"); }},
        {"media/ship3.x", [] { return x_file(make_manta_ship(), "Manta", "ship3.bmp"); }},
        {"media/ship1.bmp", [] { return encode_bmp24(make_ship_texture(kArrowPaint, 1)); }},
        {"media/ship2.bmp", [] { return encode_bmp24(make_ship_texture(kHammerPaint, 2)); }},
        {"media/ship3.bmp", [] { return encode_bmp24(make_ship_texture(kMantaPaint, 3)); }},
        {"media/blaster.x", [] { return x_file(make_blaster_mesh(), "Blaster", "blastersurf.bmp"); }},
        {"media/blastersurf.bmp", [] { return encode_bmp24(make_blaster_texture()); }},
        {"media/missle1.x", [] { return x_file(make_missile_mesh(), "Missile", "surface1.bmp"); }},
        {"media/surface1.bmp", [] { return encode_bmp24(make_missile_texture()); }},
        {"media/shield.x", [] { return x_file(make_shield_mesh(), "Shield", "shield2.bmp"); }},
        {"media/shield2.bmp", [] { return encode_bmp24(make_shield_texture()); }},
        {"media/powerup.x", [] { return x_file(make_powerup_mesh(), "PowerUp", "powerup.bmp"); }},
        {"media/powerup.bmp", [] { return encode_bmp24(make_powerup_texture()); }},
        {"media/kelvane1.x", [] { return x_file(make_rock_mesh(7), "Rock", "surface2.bmp"); }},
        {"media/surface2.bmp", [] { return encode_bmp24(make_rock_texture()); }},
        {"media/planet1.x", [] { return x_file(make_planet_mesh(), "Planet", "planetskin1.bmp"); }},
        {"media/planetskin1.bmp", [] { return encode_bmp24(make_planet_texture()); }},
        {"media/loadscreen.bmp", [&] { return encode_bmp24(make_loadscreen(text)); }},
        {"media/loading.bmp", [&] { return encode_bmp24(make_loading_panel(text)); }},
        {"media/indicator.bmp", [] { return encode_bmp24(make_indicator()); }},
        {"media/mainmenu3.bmp", [&] { return encode_bmp24(make_main_menu(text)); }},
        {"media/cursor.bmp", [] { return encode_bmp24(make_cursor()); }},
        {"media/ssmenu.bmp", [&] { return encode_bmp24(make_ship_select(text)); }},
        {"media/LeftBUT.bmp", [&] { return encode_bmp24(make_button_sheet(ButtonGlyph::Left, text)); }},
        {"media/RightBUT.bmp", [&] { return encode_bmp24(make_button_sheet(ButtonGlyph::Right, text)); }},
        {"media/OkBUT.bmp", [&] { return encode_bmp24(make_button_sheet(ButtonGlyph::Ok, text)); }},
        {"media/explosion2.bmp", [] { return encode_bmp24(make_explosion_sheet()); }},
        {"media/Stars.bmp", [] { return encode_bmp24(make_star_sheet()); }},
        {"SOUND/newtext.WAV", [] { return wav(make_chime(), 1); }},
        {"SOUND/exp1.WAV", [] { return wav(make_explosion(), 2); }},
        {"SOUND/blasters.WAV", [] { return wav(make_zap(), 3); }},
        {"SOUND/love.WAV", [] { return wav(make_music_love(), 4); }},
        {"SOUND/dominos.WAV", [] { return wav(make_music_dominos(), 5); }},
        {"SOUND/echo.WAV", [] { return wav(make_sting(), 6); }},
        {"video/intro.avi", [&] { return encode_avi(make_intro_clip(text)); }},
    };
    std::vector<AssetFile> files;
    for (const auto& [path, make] : makers) {
        try {
            files.push_back({path, make()});
        } catch (const std::exception& e) {
            throw std::runtime_error("cannot make " + path + ": " + e.what());
        }
    }
    return files;
}

void write_assets(const std::vector<AssetFile>& files, const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    for (const AssetFile& f : files) {
        const fs::path target = root / fs::path(f.path);
        std::error_code ec;
        fs::create_directories(target.parent_path(), ec);
        if (ec) throw std::runtime_error("cannot create folder " + target.parent_path().string() + ": " + ec.message());
        const fs::path temporary = target.string() + ".partial";
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out.write(reinterpret_cast<const char*>(f.bytes.data()), static_cast<std::streamsize>(f.bytes.size()));
            if (!out) throw std::runtime_error("cannot write " + temporary.string());
        }
        fs::rename(temporary, target, ec);
        if (ec) throw std::runtime_error("cannot rename " + temporary.string() + ": " + ec.message());
    }
}

}  // namespace assetgen
