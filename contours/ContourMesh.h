#pragma once

#include "contours/NodePlacement.h"

#include <QString>

#include <memory>

class SimpleSurface;
class SnakeSequence;

namespace ContourTriangulation {
struct Mesh;
}

// The closed triangulation of a contour sequence: a fan closing the first contour, a band
// joining each pair of consecutive contours, a fan closing the last contour.
namespace ContourMesh {

// Writes the triangulation as ASCII STL. False, with `error` set, when the file cannot be
// created ("Could not open file " + path); false without writing when there are no contours.
bool ExportStl(const SnakeSequence& sequence, const QString& path, const NodePlacement& placement, QString* error);

// The same triangles as a surface with shared vertices, named like the sequence. Null when the
// sequence has no contours.
std::unique_ptr<SimpleSurface> BuildSurface(const SnakeSequence& sequence, const NodePlacement& placement);

// The two steps of the above for a triangulation at hand: its ASCII STL file (the solid named
// `name`, "Noname" when empty) and its surface (white, derived data computed).
bool WriteStl(const ContourTriangulation::Mesh& mesh, const QString& name, const QString& path, QString* error);
std::unique_ptr<SimpleSurface> ToSurface(const ContourTriangulation::Mesh& mesh, const QString& name);

} // namespace ContourMesh
