#include "views/AxesOverlay.h"

#include "Point3D.h"
#include "views/PaintWidget.h"

#include <QPainter>
#include <algorithm>
#include <cstdlib>

namespace {

bool IsAxesCursor(Qt::CursorShape shape)
{
    return shape == Qt::SizeAllCursor || shape == Qt::SizeHorCursor || shape == Qt::SizeVerCursor;
}

} // namespace

AxesOverlay::AxesOverlay(PaintWidget* paintWidget, const QColor& verticalColor, const QColor& horizontalColor)
    : BaseOverlay(paintWidget, nullptr, tr("Axes")), verticalColor(verticalColor), horizontalColor(horizontalColor)
{
}

void AxesOverlay::SetPositions(double verticalPosition, double horizontalPosition)
{
    vertical = std::clamp(verticalPosition, 0.0, 1.0);
    horizontal = std::clamp(horizontalPosition, 0.0, 1.0);
    if (paintWidget)
        paintWidget->RequestRepaint();
}

// The hover test works in display pixels, as painting and dragging do: the mouse is near a line
// when fewer than NearDistance displayed pixels lie between them.
bool AxesOverlay::IsNearVertical(const QPoint& position) const
{
    if (!paintWidget)
        return false;
    const ViewMapping mapping = paintWidget->Mapping();
    if (mapping.imageWidth <= 0)
        return false;
    const int column = position.x() - mapping.offsetX;
    return std::abs(column - int(mapping.imageWidth * vertical)) < NearDistance;
}

bool AxesOverlay::IsNearHorizontal(const QPoint& position) const
{
    if (!paintWidget)
        return false;
    const ViewMapping mapping = paintWidget->Mapping();
    if (mapping.imageHeight <= 0)
        return false;
    const int row = position.y() - mapping.offsetY;
    return std::abs(row - int(mapping.imageHeight * horizontal)) < NearDistance;
}

void AxesOverlay::Paint(QPainter* painter)
{
    if (!paintWidget)
        return;
    const ViewMapping mapping = paintWidget->Mapping();
    if (mapping.imageWidth <= 0 || mapping.imageHeight <= 0)
        return;
    const int x = mapping.offsetX + int(mapping.imageWidth * vertical);
    const int y = mapping.offsetY + int(mapping.imageHeight * horizontal);
    painter->setPen(verticalColor);
    painter->drawLine(x, mapping.offsetY, x, mapping.offsetY + mapping.imageHeight - 1);
    painter->setPen(horizontalColor);
    painter->drawLine(mapping.offsetX, y, mapping.offsetX + mapping.imageWidth - 1, y);
}

void AxesOverlay::Hover(const QPoint& position)
{
    if (!paintWidget)
        return;
    const bool nearV = IsNearVertical(position);
    const bool nearH = IsNearHorizontal(position);
    if (nearV && nearH)
        paintWidget->setCursor(Qt::SizeAllCursor);
    else if (nearV)
        paintWidget->setCursor(Qt::SizeHorCursor);
    else if (nearH)
        paintWidget->setCursor(Qt::SizeVerCursor);
    else if (paintWidget->testAttribute(Qt::WA_SetCursor) && IsAxesCursor(paintWidget->cursor().shape()))
        paintWidget->unsetCursor();
    if (nearV || nearH)
        paintWidget->RequestRepaint();
}

BaseOverlay* AxesOverlay::HitTest(const QPoint& position)
{
    const bool nearV = IsNearVertical(position);
    const bool nearH = IsNearHorizontal(position);
    if (!nearV && !nearH)
        return nullptr;
    pressPosition = position;
    verticalAtPress = vertical;
    horizontalAtPress = horizontal;
    vDrag = nearV;
    hDrag = nearH;
    return this;
}

void AxesOverlay::Drag(const QPoint& position)
{
    if (!paintWidget || (!vDrag && !hDrag))
        return;
    const ViewMapping mapping = paintWidget->Mapping();
    if (mapping.imageWidth <= 0 || mapping.imageHeight <= 0)
        return;
    const QPoint displacement = position - pressPosition;
    if (vDrag)
        vertical = std::clamp(verticalAtPress + double(displacement.x()) / mapping.imageWidth, 0.0, 1.0);
    if (hDrag)
        horizontal = std::clamp(horizontalAtPress + double(displacement.y()) / mapping.imageHeight, 0.0, 1.0);
    paintWidget->RequestRepaint();
    emit planeChanged(vertical, horizontal, vDrag, hDrag, paintWidget->GetOrientation());
}

void AxesOverlay::Drop(const QPoint&)
{
    vDrag = false;
    hDrag = false;
}

void AxesOverlay::onPlaneChanged(Point3D* plane, LVX::Orientation orientation)
{
    if (!plane || !paintWidget || orientation == paintWidget->GetOrientation())
        return;
    const QPointF positions = ViewMapping::StackToPlane(*plane, paintWidget->GetOrientation());
    SetPositions(positions.x(), positions.y());
    paintWidget->update();
}
