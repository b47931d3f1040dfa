#include "attachments/Line.h"

#include <QXmlStreamWriter>

namespace Att {

namespace {
QString Real(float value)
{
    return QString::number(double(value), 'g', 6);
}
} // namespace

Line::Line(std::unique_ptr<LineEnds> points)
    : Attachment(QStringLiteral("Line")), ends(points ? std::move(points) : std::make_unique<LineEnds>())
{
    SetType(LVX::LineType);
}

Line::Line(const Point3D& start, const Point3D& end) : Line(std::make_unique<LineEnds>(LineEnds{start, end}))
{
}

Line::Line(const Line& other) : Attachment(other), ends(std::make_unique<LineEnds>(*other.ends))
{
}

LVXObject* Line::Clone() const
{
    return new Line(*this);
}

// The z coordinates follow the four plane coordinates so that a line keeps its slice when the
// project is read back; readers that only know x and y ignore them.
bool Line::WriteXml(QXmlStreamWriter& xml)
{
    xml.writeStartElement("line");
    xml.writeAttribute("name", GetName());
    xml.writeAttribute("x0", Real(ends->start.x));
    xml.writeAttribute("y0", Real(ends->start.y));
    xml.writeAttribute("x1", Real(ends->end.x));
    xml.writeAttribute("y1", Real(ends->end.y));
    xml.writeAttribute("z0", Real(ends->start.z));
    xml.writeAttribute("z1", Real(ends->end.z));
    return true;
}

} // namespace Att
