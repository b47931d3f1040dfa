#include "contours/ContourMesh.h"

#include "contours/ContourTriangulation.h"
#include "contours/SnakeSequence.h"
#include "surfaces/SimpleSurface.h"
#include "surfaces/StlWriter.h"

namespace ContourMesh {

namespace {

// The node lists of the sequence's contours in slice order (a missing contour counts as empty).
std::vector<ContourTriangulation::NodeList> NodeLists(const SnakeSequence& sequence)
{
    std::vector<ContourTriangulation::NodeList> lists(sequence.GetCount());
    for (uint32_t k = 0; k < sequence.GetCount(); ++k)
        if (const Snake* snake = sequence.GetSnake(sequence.GetFirstSlice() + k))
            lists[k] = snake->GetPoints();
    return lists;
}

} // namespace

bool WriteStl(const ContourTriangulation::Mesh& mesh, const QString& name, const QString& path, QString* error)
{
    StlWriter writer(path, name);
    if (writer.IsOpen()) {
        StlWriter::VertexTexts texts;
        texts.Reserve(mesh.vertices.size());
        for (const ContourTriangulation::Vec3& v : mesh.vertices)
            texts.Add(v);
        for (const ContourTriangulation::Facet& f : mesh.facets)
            writer.AddFacet(f.normal, texts.Get(f.corners[0]), texts.Get(f.corners[1]), texts.Get(f.corners[2]));
        if (writer.Finish())
            return true;
    }
    if (error)
        *error = writer.GetError();
    return false;
}

std::unique_ptr<SimpleSurface> ToSurface(const ContourTriangulation::Mesh& mesh, const QString& name)
{
    auto surface = std::make_unique<SimpleSurface>(name, Surface::PaletteColor(0));
    for (const ContourTriangulation::Vec3& v : mesh.vertices)
        surface->AddVertex(Point3D(float(v[0]), float(v[1]), float(v[2])));
    for (const ContourTriangulation::Facet& f : mesh.facets)
        surface->AddFacet(f.corners[0], f.corners[1], f.corners[2]);
    surface->ComputeDerivedData();
    return surface;
}

bool ExportStl(const SnakeSequence& sequence, const QString& path, const NodePlacement& placement, QString* error)
{
    if (sequence.IsEmpty())
        return false;
    const ContourTriangulation::Mesh mesh
        = ContourTriangulation::Triangulate(NodeLists(sequence), sequence.GetFirstSlice(), placement);
    return WriteStl(mesh, sequence.GetName(), path, error);
}

std::unique_ptr<SimpleSurface> BuildSurface(const SnakeSequence& sequence, const NodePlacement& placement)
{
    if (sequence.IsEmpty())
        return nullptr;
    return ToSurface(ContourTriangulation::Triangulate(NodeLists(sequence), sequence.GetFirstSlice(), placement),
        sequence.GetName());
}

} // namespace ContourMesh
