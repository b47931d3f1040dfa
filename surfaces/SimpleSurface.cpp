#include "surfaces/SimpleSurface.h"

#include <QXmlStreamWriter>

SimpleSurface::SimpleSurface(const QString& name, const QColor& color) : Surface(name)
{
    SetType(LVX::SimpleSurfaceType);
    SetColor(color);
}

SimpleSurface::SimpleSurface(const SimpleSurface& other) : Surface(other), vertexColors(other.vertexColors)
{
}

SimpleSurface::~SimpleSurface() = default;

LVXObject* SimpleSurface::Clone() const
{
    return new SimpleSurface(*this);
}

bool SimpleSurface::WriteXml(QXmlStreamWriter& xml)
{
    xml.writeStartElement("simple_surface");
    xml.writeAttribute("color", (vertexColors.empty() ? GetSurfaceColor() : vertexColors.front()).name());
    return true;
}

uint32_t SimpleSurface::AddVertex(const Point3D& p)
{
    vertexColors.push_back(GetSurfaceColor());
    return Surface::AddVertex(p);
}
