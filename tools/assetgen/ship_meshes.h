// The three player ship hulls, nose along -z, top along +y, about 11
// units long. Each maps into the same texture layout (see ship_atlas).
#pragma once

#include "mesh.h"
#include "mesh_parts.h"

namespace assetgen {

// Where each kind of surface of a ship lies in its texture.
namespace ship_atlas {
constexpr UvRect kHull{0.0f, 0.0f, 0.5f, 1.0f};      // hull seen from above, nose at the top
constexpr UvRect kWing{0.5f, 0.0f, 1.0f, 0.5f};      // right wing seen from above
constexpr UvRect kGlass{0.5f, 0.5f, 0.75f, 0.75f};   // canopy
constexpr UvRect kEngine{0.75f, 0.5f, 1.0f, 0.75f};  // exhaust glow
constexpr UvRect kTrim{0.5f, 0.75f, 1.0f, 1.0f};     // fins and trim
}  // namespace ship_atlas

// A swept delta fighter with a single tail fin.
Mesh make_arrow_ship();
// A heavy twin-nacelle gunship: a fat pod between two long engines.
Mesh make_hammer_ship();
// A crescent flying wing with a raised spine and wing-tip fins.
Mesh make_manta_ship();

}  // namespace assetgen
