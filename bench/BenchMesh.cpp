// Measures meshing and STL writing: the triangulation of 200 contours of 400 nodes each (the
// start pair of every band tests all 400 x 400 node pairs), the ASCII STL file of that mesh
// (about 160,000 facets), and the STL file of a 1,000,000-facet surface. Writing is reported in
// facets per second (goal: at least 1 million per second).
//
// Usage: bench_mesh [repetitions]   (default 5). Files go to the system's temporary folder.

#include "BenchTiming.h"
#include "contours/ContourMesh.h"
#include "contours/ContourTriangulation.h"
#include "surfaces/SimpleSurface.h"

#include <QDir>
#include <QFile>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Wavy closed contours around a drifting centre, as a segmented bone gives them.
std::vector<ContourTriangulation::NodeList> Contours(int count, int nodes)
{
    auto contours = std::vector<ContourTriangulation::NodeList>(size_t(count));
    for (int k = 0; k < count; ++k)
        for (int j = 0; j < nodes; ++j) {
            const double t = 2.0 * kPi * j / nodes;
            const double r = 80.0 + 6.0 * std::sin(5.0 * t + 0.1 * k) + 0.05 * k;
            contours[size_t(k)].emplace_back(
                float(256.0 + 0.3 * k + r * std::cos(t)), float(256.0 - 0.2 * k + r * std::sin(t + 0.01 * k)));
        }
    return contours;
}

// A closed tube of rings x segments quads, two facets each, with non-round coordinates.
std::unique_ptr<SimpleSurface> Tube(int rings, int segments)
{
    auto surface = std::make_unique<SimpleSurface>("tube");
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            const double t = 2.0 * kPi * j / segments;
            const double r = 40.0 + 3.0 * std::sin(0.05 * i);
            surface->AddVertex(Point3D(float(r * std::cos(t)), float(r * std::sin(t)), float(0.37 * i)));
        }
    for (int i = 0; i + 1 < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            const uint32_t a = uint32_t(i * segments + j), b = uint32_t(i * segments + (j + 1) % segments);
            surface->AddFacet(a, b, b + uint32_t(segments));
            surface->AddFacet(a, b + uint32_t(segments), a + uint32_t(segments));
        }
    surface->ComputeDerivedData();
    return surface;
}

void Rate(const char* what, const BenchTiming::Timing& t, size_t facets, const QString& path)
{
    BenchTiming::Print(what, t);
    std::printf("%-48s  %zu facets, %.2f million facets/s (CPU), %.2f million facets/s (wall), %.1f MB\n", "", facets,
        double(facets) / t.medianCpu / 1e3, double(facets) / t.bestWall / 1e3, double(QFile(path).size()) / 1e6);
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const QString folder = QDir::tempPath();

    const auto contours = Contours(200, 400);
    ContourTriangulation::Mesh mesh;
    const BenchTiming::Timing meshing
        = BenchTiming::Measure([&] { mesh = ContourTriangulation::Triangulate(contours, 0, NodePlacement()); }, runs);
    BenchTiming::Print("triangulate 200 contours x 400 nodes", meshing);
    std::printf("%-48s  %zu vertices, %zu facets\n", "", mesh.vertices.size(), mesh.facets.size());

    const QString meshPath = folder + "/bench_mesh_contours.stl";
    const BenchTiming::Timing meshWrite
        = BenchTiming::Measure([&] { ContourMesh::WriteStl(mesh, "bench", meshPath, nullptr); }, runs);
    Rate("write the mesh as ASCII STL", meshWrite, mesh.facets.size(), meshPath);

    const std::unique_ptr<SimpleSurface> surface = Tube(501, 1000);
    const QString surfacePath = folder + "/bench_mesh_surface.stl";
    const BenchTiming::Timing surfaceWrite = BenchTiming::Measure([&] { surface->WriteStl(surfacePath); }, runs);
    Rate("write a 1,000,000-facet surface", surfaceWrite, surface->GetFacetCount(), surfacePath);

    QFile::remove(meshPath);
    QFile::remove(surfacePath);
    return 0;
}
