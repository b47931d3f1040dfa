#pragma once

#include "surfaces/Surface.h"

#include <vector>

// A surface with one colour per vertex: every vertex added gets the colour the surface was made
// with. Made from a contour sequence or (later) read from an ASCII STL file.
class SimpleSurface : public Surface {
    Q_OBJECT
public:
    explicit SimpleSurface(const QString& name = QStringLiteral("Noname"), const QColor& color = Qt::white);
    SimpleSurface(const SimpleSurface& other); // deep copy of every list
    ~SimpleSurface() override;

    LVXObject* Clone() const override;
    // "simple_surface" with "color", the first vertex colour as #rrggbb (the surface colour
    // while there are no vertices). The object's button adds "src" and closes the element.
    bool WriteXml(QXmlStreamWriter& xml) override;
    uint32_t AddVertex(const Point3D& p) override;

    const QColor& GetVertexColor(size_t i) const { return vertexColors[i]; }

private:
    std::vector<QColor> vertexColors;
};
