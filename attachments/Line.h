#pragma once

#include "app/Attachment.h"

#include "Point3D.h"

#include <memory>

namespace Att {

// The two end points of a line, in volume coordinates (column, row, slice).
struct LineEnds {
    Point3D start;
    Point3D end;
};

// A segment between two points of the volume, drawn where it crosses or lies in the plane a
// view shows. It cannot be rasterised into a selection.
class Line : public Attachment {
    Q_OBJECT
public:
    explicit Line(std::unique_ptr<LineEnds> ends); // takes the record; null means both at the origin
    Line(const Point3D& start, const Point3D& end);
    Line(const Line& other); // a deep copy of the end points

    LVXObject* Clone() const override;
    bool WriteXml(QXmlStreamWriter& xml) override;
    bool IsRasterisable() const override { return false; }
    bool IsOrientation(LVX::Orientation /*orientation*/) const override { return false; }

    const Point3D& GetStart() const { return ends->start; }
    const Point3D& GetEnd() const { return ends->end; }
    void SetStart(const Point3D& p) { ends->start = p; }
    void SetEnd(const Point3D& p) { ends->end = p; }
    float GetLength() const { return Point3D::Distance(ends->start, ends->end); }

private:
    std::unique_ptr<LineEnds> ends;
};

} // namespace Att
