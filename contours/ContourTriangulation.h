#pragma once

#include "contours/NodePlacement.h"

#include "Point.h"

#include <array>
#include <cstdint>
#include <vector>

// The closed triangulation of a run of contours, without any Qt object: a fan closes the first
// contour around its centre, a band of triangles joins every pair of consecutive contours, and a
// fan closes the last contour around its centre.
//
// Vertices are shared and appended in this order: the centre of the first contour, the placed
// nodes of contour 0, of contour 1, ... of the last contour, then the centre of the last contour.
// Nodes are rounded to float as the contour data is; the centres keep double precision.
// Facets list their corners in emission order: cap (centre, node j, node j + 1 wrapping to node
// 0), band (a_i, b_j, then the node that was advanced to).
namespace ContourTriangulation {

using Vec3 = std::array<double, 3>;

struct Facet {
    std::array<uint32_t, 3> corners;
    Vec3 normal; // the normal written to STL files (see Triangulate)
};

struct Mesh {
    std::vector<Vec3> vertices;
    std::vector<Facet> facets;
    // Index of the first node of each contour in `vertices`.
    std::vector<uint32_t> contourStart;
};

// One contour's nodes, in node order.
using NodeList = std::vector<Point>;

// Triangulates the contours (contour k lies on slice firstSlice + k). Empty mesh for no
// contours. Cap normals are (C - a_j) x (a_{j+1} - a_j), band normals (Q - P) x (R - P), each
// divided by its length without a guard (a degenerate triangle gets a NaN normal). A contour
// without nodes adds no cap triangles and no band triangles with its neighbours.
Mesh Triangulate(const std::vector<NodeList>& contours, uint32_t firstSlice, const NodePlacement& placement);

// The band between two placed contours, appended to `facets`; `aStart` and `bStart` are the
// vertex indices of a_0 and b_0. Emits nothing when either contour is empty; otherwise at most
// a.size() + b.size() triangles (exactly that many unless one contour is stepped all the way
// round before the other moves).
void AppendBand(const std::vector<Vec3>& a, const std::vector<Vec3>& b, uint32_t aStart, uint32_t bStart,
    const std::vector<Vec3>& vertices, std::vector<Facet>& facets);

// The unit vector of v (divided by its length, NaN components for a zero vector).
Vec3 Normalised(const Vec3& v);

} // namespace ContourTriangulation
