#include "surfaces/Surface.h"

#include "surfaces/StlWriter.h"

#include "MVector.h"

#include <algorithm>
#include <cmath>

Surface::Surface(const QString& name) : LVXObject(name)
{
    SetType(LVX::SurfaceType);
}

Surface::Surface(const Surface& other)
    : QObject(), LVXObject(other), facets(other.facets), vertexFacets(other.vertexFacets),
      vertexNeighbours(other.vertexNeighbours), boxMin(other.boxMin), boxMax(other.boxMax), centroid(other.centroid),
      principalAxes(other.principalAxes), color(other.color)
{
    for (const auto& v : other.vertices)
        vertices.push_back(std::make_unique<Point3D>(*v));
}

Surface::~Surface() = default;

QColor Surface::PaletteColor(size_t k)
{
    static const QColor table[8] = {QColor(255, 255, 255), QColor(240, 128, 128), QColor(255, 165, 0),
        QColor(240, 230, 140), QColor(154, 205, 50), QColor(60, 179, 113), QColor(30, 144, 255), QColor(147, 112, 219)};
    return table[k % 8];
}

LVXObject* Surface::Clone() const
{
    return new Surface(*this);
}

FileTypes Surface::GetFileTypes() const
{
    return {{".stl"}, "STL files (*.stl);;"};
}

bool Surface::Save()
{
    return WriteStl(GetFile().filePath());
}

uint32_t Surface::AddVertex(const Point3D& p)
{
    vertices.push_back(std::make_unique<Point3D>(p));
    vertexFacets.emplace_back();
    vertexNeighbours.emplace_back();
    return uint32_t(vertices.size() - 1);
}

Point3D Surface::FacetNormal(const std::array<uint32_t, 3>& corners) const
{
    const Point3D& p = *vertices[corners[0]];
    const Point3D n = (*vertices[corners[1]] - p).Cross(*vertices[corners[2]] - p);
    const float length = n.Norm();
    return length > 0.0f ? n / length : Point3D();
}

void Surface::RecordAdjacency(uint32_t facetIndex)
{
    const std::array<uint32_t, 3>& c = facets[facetIndex].corners;
    for (int k = 0; k < 3; ++k) {
        vertexFacets[c[k]].push_back(facetIndex);
        for (int other = 0; other < 3; ++other)
            if (other != k)
                vertexNeighbours[c[k]].push_back(c[other]);
    }
}

void Surface::RebuildAdjacency()
{
    for (auto& list : vertexFacets)
        list.clear();
    for (auto& list : vertexNeighbours)
        list.clear();
    for (size_t f = 0; f < facets.size(); ++f)
        RecordAdjacency(uint32_t(f));
}

bool Surface::AddFacet(uint32_t a, uint32_t b, uint32_t c)
{
    const size_t n = vertices.size();
    if (a >= n || b >= n || c >= n)
        return false;
    Facet facet;
    facet.corners = {a, b, c};
    facet.normal = FacetNormal(facet.corners);
    facets.push_back(facet);
    RecordAdjacency(uint32_t(facets.size() - 1));
    return true;
}

void Surface::ComputeDerivedData()
{
    boxMin = boxMax = centroid = Point3D();
    principalAxes = Matrix::Identity(3);
    const size_t n = vertices.size();
    if (n == 0)
        return;

    boxMin = boxMax = *vertices.front();
    double sum[3] = {0.0, 0.0, 0.0};
    for (const auto& v : vertices) {
        boxMin = Point3D(std::min(boxMin.x, v->x), std::min(boxMin.y, v->y), std::min(boxMin.z, v->z));
        boxMax = Point3D(std::max(boxMax.x, v->x), std::max(boxMax.y, v->y), std::max(boxMax.z, v->z));
        sum[0] += v->x;
        sum[1] += v->y;
        sum[2] += v->z;
    }
    const double mean[3] = {sum[0] / double(n), sum[1] / double(n), sum[2] / double(n)};
    centroid = Point3D(float(mean[0]), float(mean[1]), float(mean[2]));

    // Summed products of the offsets from the centroid, each offset divided by the count first.
    Matrix offsets(uint32_t(n), 3);
    uint32_t row = 0;
    for (const auto& v : vertices) {
        double* d = offsets[row++];
        d[0] = (v->x - double(centroid.x)) / double(n);
        d[1] = (v->y - double(centroid.y)) / double(n);
        d[2] = (v->z - double(centroid.z)) / double(n);
    }
    Matrix::SVD eigen = offsets.Gram().Eigendecompose();
    if (eigen.U && eigen.U->X() == 3 && eigen.U->Y() == 3)
        principalAxes = *eigen.U;
}

void Surface::Flip(Axis axis)
{
    ComputeDerivedData(); // the box of the vertices as they are now
    // Computed in double so that the box corners map exactly onto each other.
    const auto coordinate = [axis](Point3D& p) -> float& { return axis == AxisX ? p.x : axis == AxisY ? p.y : p.z; };
    const double sum = double(coordinate(boxMin)) + double(coordinate(boxMax));
    for (auto& v : vertices) {
        float& value = coordinate(*v);
        value = float(sum - double(value));
    }
    // A mirror image turns the winding round; swapping two corners turns it back.
    for (Facet& facet : facets) {
        std::swap(facet.corners[1], facet.corners[2]);
        facet.normal = FacetNormal(facet.corners);
    }
    RebuildAdjacency();
    ComputeDerivedData();
    SetChanged(true);
}

bool Surface::WriteStl(const QString& path)
{
    SetError(QString());
    StlWriter writer(path, GetName());
    if (writer.IsOpen()) {
        StlWriter::VertexTexts texts;
        texts.Reserve(vertices.size());
        for (const auto& v : vertices)
            texts.Add(v->x, v->y, v->z);
        for (const Facet& f : facets)
            writer.AddFacet({f.normal.x, f.normal.y, f.normal.z}, texts.Get(f.corners[0]), texts.Get(f.corners[1]),
                texts.Get(f.corners[2]));
        if (writer.Finish())
            return true;
    }
    SetError(writer.GetError());
    return false;
}
