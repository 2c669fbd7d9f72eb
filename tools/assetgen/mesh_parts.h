// Building blocks for the generated models: lofted hulls, flat slabs
// (wings, fins) and spheres, each added to a MeshBuilder.
#pragma once

#include <functional>
#include <vector>

#include "mesh.h"

namespace assetgen {

// Texture coordinates for a point of a part. `around` and `along` run
// from 0 to 1 around a loft's rings and along its length (0 for slabs).
using UvMap = std::function<Vec2(Vec3 position, float around, float along)>;

// A rectangle of the texture, in uv units.
struct UvRect {
    float u0, v0, u1, v1;
};

// Projects x and z (a view from above, nose up) of the box
// [x0, x1] x [z0, z1] onto `rect`.
UvMap top_view(UvRect rect, float x0, float x1, float z0, float z1);
// Wraps `rect` around a loft: u follows `around`, v follows `along`.
UvMap wrap_around(UvRect rect);
// Every point maps to the centre of `rect` (a flat colour patch).
UvMap patch(UvRect rect);

// One cross-section of a loft: an ellipse of half sizes (w, h) centred on
// (cx, cy) in the plane at z. A section of size 0 is a tip.
struct LoftRing {
    float z, cx, cy, w, h;
};

// Joins consecutive rings with flat quads; closes the first and last ring
// with a flat cap when they are not tips. `sides` points per ring, the
// first at angle `phase` (radians) from +x toward +y.
void add_loft(MeshBuilder& builder, const std::vector<LoftRing>& rings, int sides, float phase, const UvMap& uv);

// A flat polygon (star-shaped about its centroid) with thickness: the
// polygon lies in the plane through `origin` spanned by `axis_u` and
// `axis_v`, and extends thickness / 2 either way along `axis_n`.
void add_slab(MeshBuilder& builder, const std::vector<Vec2>& outline, Vec3 origin, Vec3 axis_u, Vec3 axis_v,
              Vec3 axis_n, float thickness, const UvMap& uv);

// The same outline mirrored in x (u negated), for left/right pairs.
std::vector<Vec2> mirror_u(const std::vector<Vec2>& outline);

}  // namespace assetgen
