// The builders behind the region styles 58 to 117: blinds, ragged edges, rounded shapes and
// triangles. RegionEffect (Effects.h) picks the builder and its arguments by style.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "gfx/Region.h"
#include "gfx/Types.h"
#include "pictureshow/Effects.h"

namespace pictova {

// Interleaved blinds, 5 pixels wide. a is the row strips' extent (their edge moves
// horizontally), b the column strips' extent (their edge moves vertically), j the snap distance.
// hmode and vmode choose the direction (0 = that kind of strip contributes nothing):
// 1 right/bottom, 2 left/top, 3 comb, 4 left-then-right, 5 right-then-left. An extent beyond
// the picture (a > w, b > h) is the second phase, in which the odd strips grow.
// Nothing (std::nullopt) when neither pass produced a rectangle.
std::optional<TRegion> StripRegion(int32_t a, int32_t b, int32_t w, int32_t h, int32_t j, int hmode,
                                   int vmode);

// Bands whose growing edge is ragged: every 5-pixel strip's edge is moved by a jitter of
// Random(r) - Random(r) while the reveal is incomplete. Draws from the run-time Random
// generator in a fixed order: row strips top to bottom, then column strips left to right, two
// calls per edge (JaggedRandomCalls gives the count).
// hmode/vmode: 1 right/bottom, 2 left/top, 3 out from the centre line, 4 in from both edges.
std::optional<TRegion> JaggedRegion(int32_t a, int32_t b, int32_t w, int32_t h, int hmode, int vmode);
// How many times one JaggedRegion call draws from Random.
int32_t JaggedRandomCalls(int32_t w, int32_t h, int hmode, int vmode);

// The polygon P1, P2, P3, P1 filled in winding mode.
TRegion TriangleRegion(TPoint p1, TPoint p2, TPoint p3);

// The union of many rectangles or regions, built pairwise in a balanced tree: the same pixel
// set (and so the same region) as OR-combining them one by one, without copying the growing
// result once per piece. Rectangles are normalised first, as rectangle regions are.
TRegion UnionOfRects(std::span<const TRect> rects);
TRegion UnionOfRegions(std::vector<TRegion> regions);

// The style families. Each returns std::nullopt for a style outside its family too, so ask
// Is...Style first when the difference matters.
bool IsStripStyle(int style);
std::optional<TRegion> StripEffect(int style, const TFrameGeometry& g);
bool IsShapeStyle(int style);
std::optional<TRegion> ShapeEffect(int style, const TFrameGeometry& g);

}  // namespace pictova
