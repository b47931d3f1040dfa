#include "attachments/Rectangle.h"

#include "BoolImage.h"
#include "Image.h"

#include <QXmlStreamWriter>
#include <algorithm>
#include <cstring>
#include <limits>

namespace Att {

namespace {
// A corner shifted by an offset, kept inside the 32-bit range instead of wrapping.
int32_t Shifted(int32_t value, int64_t offset)
{
    const int64_t result = int64_t(value) + offset;
    return int32_t(
        std::clamp<int64_t>(result, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}
} // namespace

Rectangle::Rectangle(int32_t h0, int32_t h1, int32_t v0, int32_t v1, LVX::Orientation orientation)
    : Attachment(QStringLiteral("Rectangle")), h0(h0), v0(v0), h1(h1), v1(v1), orient(orientation)
{
    SetType(LVX::RectangleType);
}

LVXObject* Rectangle::Clone() const
{
    return new Rectangle(*this);
}

bool Rectangle::WriteXml(QXmlStreamWriter& xml)
{
    xml.writeStartElement("rectangle");
    xml.writeAttribute("h0", QString::number(h0));
    xml.writeAttribute("h1", QString::number(h1));
    xml.writeAttribute("v0", QString::number(v0));
    xml.writeAttribute("v1", QString::number(v1));
    xml.writeAttribute("orient", QString::number(int(orient)));
    return true;
}

QPoint Rectangle::GetCenter() const
{
    return QPoint(int((float(h0) + float(h1)) * 0.5f), int((float(v0) + float(v1)) * 0.5f));
}

void Rectangle::MoveCenter(const QPoint& p)
{
    const QPoint c = GetCenter();
    const int64_t dh = int64_t(p.x()) - c.x();
    const int64_t dv = int64_t(p.y()) - c.y();
    h0 = Shifted(h0, dh);
    h1 = Shifted(h1, dh);
    v0 = Shifted(v0, dv);
    v1 = Shifted(v1, dv);
}

SliceMask Rectangle::GetMask(int width, int height, uint32_t slice) const
{
    SliceMask result;
    // A new mask starts cleared.
    result.mask = Image::Boolean(width, height, RATIONAL(), RATIONAL(), "");
    result.plane = orient;
    result.slice = slice;

    const int w = result.mask->width;
    const int h = result.mask->height;
    const int64_t left = std::max<int64_t>(std::min(h0, h1), 0);
    const int64_t right = std::min<int64_t>(std::max(h0, h1), int64_t(w) - 1);
    const int64_t bottom = std::max<int64_t>(std::min(v0, v1), 0);
    const int64_t top = std::min<int64_t>(std::max(v0, v1), int64_t(h) - 1);
    if (left > right)
        return result;
    for (int64_t y = bottom; y <= top; ++y)
        std::memset(result.mask->Row(int(y)) + left, 1, size_t(right - left + 1));
    return result;
}

} // namespace Att
