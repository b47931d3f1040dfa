#pragma once

#include "Matrix.h"
#include "Point3D.h"
#include "model/LVXObject.h"

#include <QColor>
#include <QObject>

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

// A triangle mesh of the project. Vertices are owned points; a facet names three vertices by
// index and keeps the unit normal of its corners. Per vertex the surface keeps the facets that
// use it and the vertices it shares a facet with, and over all vertices a bounding box, the
// centroid and the principal axes.
//
// Building: AddVertex, AddFacet (normal and adjacency at once), then ComputeDerivedData.
class Surface : public QObject, public LVXObject {
    Q_OBJECT
public:
    struct Facet {
        std::array<uint32_t, 3> corners{};
        Point3D normal; // (Q - P) x (R - P) of the corners P, Q, R, made unit length
    };
    enum Axis { AxisX = 0, AxisY = 1, AxisZ = 2 };

    explicit Surface(const QString& name = QStringLiteral("Noname"));
    Surface(const Surface& other); // deep copy; identifier reset
    ~Surface() override;

    // Colour k (modulo 8) of the table that newly opened surfaces take in turn: white, light
    // coral, orange, khaki, yellow green, medium sea green, dodger blue, medium purple.
    static QColor PaletteColor(size_t k);

    LVXObject* Clone() const override;
    FileTypes GetFileTypes() const override; // ".stl"
    std::pair<Point3D, Point3D> GetBoundingBox() const override { return {boxMin, boxMax}; }
    bool Save() override; // ASCII STL to the object's file

    // Appends a vertex with empty facet and neighbour lists; returns its index.
    virtual uint32_t AddVertex(const Point3D& p);
    // Appends a facet of three existing vertices (false, nothing added, when an index is out of
    // range), computes its normal and records it in the lists of its corners.
    bool AddFacet(uint32_t a, uint32_t b, uint32_t c);
    // Bounding box, centroid and principal axes of the vertices.
    void ComputeDerivedData();

    // Mirrors the surface along `axis` about the centre of its bounding box, so it stays where
    // it is; swaps two corners of every facet so the outward side stays outward; recomputes the
    // normals, lists and derived data and marks the object changed.
    void Flip(Axis axis);

    // Writes ASCII STL; on failure GetError() says why and an existing file is left as it was.
    bool WriteStl(const QString& path);

    size_t GetVertexCount() const { return vertices.size(); }
    const Point3D& GetVertex(size_t i) const { return *vertices[i]; }
    size_t GetFacetCount() const { return facets.size(); }
    const Facet& GetFacet(size_t i) const { return facets[i]; }
    // Indices of the facets that use vertex i, in the order the facets were added.
    const std::vector<uint32_t>& GetVertexFacets(size_t i) const { return vertexFacets[i]; }
    // Indices of the vertices that share a facet with vertex i: one entry per facet and other
    // corner, in corner order, repeats kept.
    const std::vector<uint32_t>& GetVertexNeighbours(size_t i) const { return vertexNeighbours[i]; }
    const Point3D& GetCentroid() const { return centroid; }
    // Columns are the unit principal axes, largest spread first; the identity until computed.
    const Matrix& GetPrincipalAxes() const { return principalAxes; }
    // The colour the surface is drawn in; its button keeps the common object colour, so that the
    // white of the first palette entry does not hide the button's white text.
    const QColor& GetSurfaceColor() const { return color; }
    void SetColor(const QColor& c) { color = c; }

protected:
    // The unit normal of a facet with these corners (a zero vector for a degenerate one).
    Point3D FacetNormal(const std::array<uint32_t, 3>& corners) const;

private:
    void RecordAdjacency(uint32_t facetIndex);
    void RebuildAdjacency();

    std::deque<std::unique_ptr<Point3D>> vertices;
    std::deque<Facet> facets;
    std::vector<std::vector<uint32_t>> vertexFacets;
    std::vector<std::vector<uint32_t>> vertexNeighbours;
    Point3D boxMin;
    Point3D boxMax;
    Point3D centroid;
    Matrix principalAxes = Matrix::Identity(3);
    QColor color = Qt::white;
};
