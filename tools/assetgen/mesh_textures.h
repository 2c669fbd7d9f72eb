// The textures the models name. Power-of-two sizes; mesh textures are not
// cut out, so black in them is simply dark.
#pragma once

#include "image.h"

namespace assetgen {

// Colours of one ship's paint scheme.
struct ShipPaint {
    Rgb base;    // main hull colour
    Rgb light;   // stripes and highlights
    Rgb trim;    // fins and secondary parts
    Rgb accent;  // small markings
};

Image make_rock_texture();     // 256 x 256, tiles
Image make_planet_texture();   // 512 x 256, equirectangular, +y pole at the top
Image make_shield_texture();   // 128 x 128
Image make_blaster_texture();  // 64 x 64
Image make_missile_texture();  // 128 x 128
Image make_powerup_texture();  // 128 x 128
Image make_ship_texture(const ShipPaint& paint, unsigned seed);  // 256 x 256 in the ship_atlas layout

}  // namespace assetgen
