#include "contours/ContourTriangulation.h"

#include "Snake.h"

#include <cmath>
#include <limits>

namespace ContourTriangulation {

namespace {

Vec3 Sub(const Vec3& p, const Vec3& q)
{
    return {p[0] - q[0], p[1] - q[1], p[2] - q[2]};
}

Vec3 Cross(const Vec3& u, const Vec3& v)
{
    return {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
}

double Distance(const Vec3& p, const Vec3& q)
{
    const Vec3 d = Sub(p, q);
    return std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
}

// Contour nodes are single-precision data; their placed positions are rounded the same way.
Vec3 PlaceNode(const Point& node, uint32_t slice, const NodePlacement& placement)
{
    const std::array<double, 3> p = placement.Place(node.x, node.y, slice);
    return {double(float(p[0])), double(float(p[1])), double(float(p[2]))};
}

Vec3 PlaceCentre(const NodeList& nodes, uint32_t slice, const NodePlacement& placement)
{
    const Snake snake(nodes.data(), nodes.size(), nullptr);
    const Point centre = snake.GetCenter();
    return placement.Place(centre.x, centre.y, slice);
}

// The fan closing one contour: (C, a_j, a_{j+1}) for every node j, the last wrapping to node 0.
// Both ends of the mesh use this same vertex order.
void AppendCap(
    uint32_t centre, uint32_t start, uint32_t count, const std::vector<Vec3>& vertices, std::vector<Facet>& facets)
{
    const Vec3& c = vertices[centre];
    for (uint32_t j = 0; j < count; ++j) {
        const uint32_t k = start + j;
        const uint32_t next = start + (j + 1 == count ? 0 : j + 1);
        const Vec3& aj = vertices[k];
        const Vec3& an = vertices[next];
        facets.push_back({{centre, k, next}, Normalised(Cross(Sub(c, aj), Sub(an, aj)))});
    }
}

} // namespace

Vec3 Normalised(const Vec3& v)
{
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return {v[0] / length, v[1] / length, v[2] / length};
}

void AppendBand(const std::vector<Vec3>& a, const std::vector<Vec3>& b, uint32_t aStart, uint32_t bStart,
    const std::vector<Vec3>& vertices, std::vector<Facet>& facets)
{
    const size_t n = a.size();
    const size_t m = b.size();
    if (n == 0 || m == 0)
        return;

    // The closest pair starts the band; the first pair in (i, j) order wins ties.
    size_t i0 = 0, j0 = 0;
    double best = std::numeric_limits<double>::max();
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < m; ++j) {
            const double d = Distance(a[i], b[j]);
            if (d < best) {
                best = d;
                i0 = i;
                j0 = j;
            }
        }

    auto emitTriangle = [&](size_t p, size_t q, uint32_t r) {
        const uint32_t pi = aStart + uint32_t(p), qi = bStart + uint32_t(q);
        const Vec3& P = vertices[pi];
        const Vec3 normal = Normalised(Cross(Sub(vertices[qi], P), Sub(vertices[r], P)));
        facets.push_back({{pi, qi, r}, normal});
    };

    // Walk both contours from the start pair, always stepping along the shorter diagonal.
    //
    // Why this ends: each pass steps exactly one of i, j by one. A contour that is complete
    // (back at its start index after having moved) is stepped again only when the other one is
    // complete as well, and then both indices are back at (i0, j0), where the previous pass
    // already stopped the loop. So A steps at most n times and B at most m times, and the loop
    // runs at most n + m passes whatever the distances are (NaN included). The pass limit below
    // states that bound; it never cuts a walk short.
    size_t i = i0, j = j0;
    bool aAdvanced = false, bAdvanced = false;
    for (size_t pass = 0; pass < n + m; ++pass) {
        const size_t iNext = (i + 1) % n;
        const size_t jNext = (j + 1) % m;
        const double d1 = Distance(b[jNext], a[i]);
        const double d2 = Distance(a[iNext], b[j]);
        const bool aComplete = i == i0 && aAdvanced;
        const bool bComplete = j == j0 && bAdvanced;
        const bool advanceA = d2 < d1 ? !aComplete : bComplete;
        if (advanceA) {
            emitTriangle(i, j, aStart + uint32_t(iNext));
            i = iNext;
            aAdvanced = true;
        } else {
            emitTriangle(i, j, bStart + uint32_t(jNext));
            j = jNext;
            bAdvanced = true;
        }
        if (i == i0 && j == j0)
            break;
    }
}

Mesh Triangulate(const std::vector<NodeList>& contours, uint32_t firstSlice, const NodePlacement& placement)
{
    Mesh mesh;
    if (contours.empty())
        return mesh;
    const uint32_t count = uint32_t(contours.size());
    const uint32_t lastSlice = firstSlice + count - 1;

    size_t total = 2;
    for (const NodeList& nodes : contours)
        total += nodes.size();
    mesh.vertices.reserve(total);

    mesh.vertices.push_back(PlaceCentre(contours.front(), firstSlice, placement));
    std::vector<std::vector<Vec3>> placed(count);
    for (uint32_t k = 0; k < count; ++k) {
        mesh.contourStart.push_back(uint32_t(mesh.vertices.size()));
        placed[k].reserve(contours[k].size());
        for (const Point& node : contours[k]) {
            placed[k].push_back(PlaceNode(node, firstSlice + k, placement));
            mesh.vertices.push_back(placed[k].back());
        }
    }
    const uint32_t lastCentre = uint32_t(mesh.vertices.size());
    mesh.vertices.push_back(PlaceCentre(contours.back(), lastSlice, placement));

    size_t facetCount = contours.front().size() + contours.back().size();
    for (uint32_t k = 0; k + 1 < count; ++k)
        facetCount += contours[k].size() + contours[k + 1].size();
    mesh.facets.reserve(facetCount);

    AppendCap(0, mesh.contourStart.front(), uint32_t(contours.front().size()), mesh.vertices, mesh.facets);
    for (uint32_t k = 0; k + 1 < count; ++k)
        AppendBand(
            placed[k], placed[k + 1], mesh.contourStart[k], mesh.contourStart[k + 1], mesh.vertices, mesh.facets);
    AppendCap(lastCentre, mesh.contourStart.back(), uint32_t(contours.back().size()), mesh.vertices, mesh.facets);
    return mesh;
}

} // namespace ContourTriangulation
