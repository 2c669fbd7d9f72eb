// The models other than the ships: rock, planet, shield, blaster bolt,
// missile and power-up. Sizes are in model units as the game scales them.
#pragma once

#include <cstdint>

#include "mesh.h"

namespace assetgen {

// An irregular, cratered rock of mean radius 50 (320 triangles).
Mesh make_rock_mesh(uint32_t seed);
// A sphere of radius 80 with its poles on y and an equirectangular map
// (u = longitude, v = 0 at the +y pole).
Mesh make_planet_mesh();
// A bubble of radius 20 with its poles on z, so its texture turns with
// the spin about z.
Mesh make_shield_mesh();
// A bolt about 140 long and 24 across, nose along -z.
Mesh make_blaster_mesh();
// A finned missile 70 long and 12 across, nose along -z.
Mesh make_missile_mesh();
// A faceted crystal of radius 50.
Mesh make_powerup_mesh();

}  // namespace assetgen
