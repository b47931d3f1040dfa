#include "contours/SnakeOverlay.h"

#include "model/Settings.h"
#include "ui/LVXObjectWidget.h"
#include "ui/LumivoxWnd.h"
#include "views/ImageView.h"
#include "views/PaintWidget.h"

#include "Data.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Stack axes: 0 = x, 1 = y, 2 = z.
int NormalAxis(LVX::Orientation plane)
{
    switch (plane) {
    case LVX::XZ:
        return 1;
    case LVX::ZY:
        return 0;
    case LVX::XY:
    default:
        return 2;
    }
}

// The stack axis of a node's first coordinate (its column) in a sequence of that plane.
int ColumnAxis(LVX::Orientation plane)
{
    return plane == LVX::ZY ? 2 : 0;
}

// Whether the node coordinate that runs along the view's normal is the node's column.
bool NormalIsColumn(LVX::Orientation viewPlane, LVX::Orientation sequencePlane)
{
    return NormalAxis(viewPlane) == ColumnAxis(sequencePlane);
}

Point3D StackPoint(const NodePointer& node)
{
    return ViewMapping::PlaneToStack(QPointF(node.node->x, node.node->y), node.orientation, node.z);
}

} // namespace

SnakeOverlay::SnakeOverlay(PaintWidget* paintWidget, SnakeSequence* sequence)
    : BaseOverlay(paintWidget, sequence, sequence ? sequence->GetName() : QString()), sequence(sequence)
{
}

SnakeOverlay::~SnakeOverlay() = default;

SnakeSequence* SnakeOverlay::GetSequence() const
{
    return sequence.data();
}

void SnakeOverlay::SetObjectWidget(LVXObjectWidget* widget)
{
    objectWidget = widget;
}

LVXObjectWidget* SnakeOverlay::FindObjectWidget() const
{
    if (!objectWidget && sequence)
        if (LumivoxWnd* window = LumivoxWnd::Instance())
            objectWidget = window->FindObjectWidget(sequence.data());
    return objectWidget.data();
}

bool SnakeOverlay::IsSelected() const
{
    // Nodes of one slice carry the sequence's button; otherwise it is looked up, and a sequence
    // without a button counts as selected while its own checked flag is set.
    for (const NodePointer& node : nodes)
        if (node.widget)
            return node.widget->isChecked();
    if (const LVXObjectWidget* widget = FindObjectWidget())
        return widget->isChecked();
    return sequence && sequence->IsChecked();
}

int SnakeOverlay::ViewIndex() const
{
    const ImageView* owner = paintWidget ? paintWidget->GetOwner() : nullptr;
    return owner && paintWidget ? owner->GetIndex(paintWidget->GetOrientation()) : 0;
}

bool SnakeOverlay::IsLive(const NodePointer& node) const
{
    if (!sequence || !node.node)
        return false;
    const Snake* snake = sequence->GetSnake(sequence->GetFirstSlice() + node.contour);
    return snake && node.index < snake->Size() && &(*snake)[node.index] == node.node;
}

QPoint SnakeOverlay::NodePosition(const NodePointer& node, LVX::Orientation viewPlane)
{
    if (!node.node)
        return QPoint();
    const QPointF p = ViewMapping::StackToPlane(StackPoint(node), viewPlane);
    return QPoint(Data::TruncToInt(p.x()), Data::TruncToInt(p.y()));
}

void SnakeOverlay::MoveNode(const NodePointer& node, LVX::Orientation viewPlane, int index, const QPoint& imagePosition)
{
    if (!node.node)
        return;
    const Point3D stack = ViewMapping::PlaneToStack(QPointF(imagePosition), viewPlane, float(index));
    const QPointF planePoint = ViewMapping::StackToPlane(stack, node.orientation);
    const float column = float(planePoint.x());
    const float row = float(planePoint.y());
    if (viewPlane == node.orientation) {
        node.node->x = column;
        node.node->y = row;
    } else if (NormalIsColumn(viewPlane, node.orientation)) {
        node.node->y = row; // the column is the view's index and stays
    } else {
        node.node->x = column;
    }
}

SnakeSequence::NodeList SnakeOverlay::NodesInView(SnakeSequence& sequence, LVX::Orientation viewPlane, int index)
{
    std::unique_ptr<SnakeSequence::NodeList> found;
    const LVX::Orientation sequencePlane = sequence.GetOrientation();
    if (viewPlane == sequencePlane) {
        if (index >= 0)
            found = sequence.GetNodesAtSlice(uint32_t(index));
    } else if (NormalIsColumn(viewPlane, sequencePlane)) {
        found = sequence.GetNodesAtX(float(index));
    } else {
        found = sequence.GetNodesAtY(float(index));
    }
    return found ? *found : SnakeSequence::NodeList();
}

void SnakeOverlay::Update()
{
    if (sequence)
        name = sequence->GetName();
    const int32_t previous = hovered;
    if (!sequence || !paintWidget)
        nodes.clear();
    else
        nodes = NodesInView(*sequence, paintWidget->GetOrientation(), ViewIndex());
    // The same slice lists its nodes in the same order, so a hovered (or dragged) node keeps its
    // index while it exists.
    if (hovered >= int32_t(nodes.size()))
        hovered = -1;
    if (hovered != previous && paintWidget)
        paintWidget->RequestRepaint();
}

void SnakeOverlay::Paint(QPainter* painter)
{
    if (!painter || !paintWidget || !sequence || nodes.empty())
        return;
    const Settings::Colors& colors = Settings::Values().colors;
    const QColor color = IsSelected() ? colors.overlaySelectedColor : colors.overlayDefaultColor;
    const LVX::Orientation plane = paintWidget->GetOrientation();
    const double r = double(paintWidget->GetZoom());
    const int side = Data::TruncToInt(2.0 * r);

    const auto square = [&](const NodePointer& node, const QColor& c) {
        // Centred on the widget pixels that show the node's image pixel, the pixel a press there
        // picks.
        const QPoint w = paintWidget->Mapping().PixelCenter(NodePosition(node, plane));
        painter->fillRect(QRect(Data::TruncToInt(w.x() - r), Data::TruncToInt(w.y() - r), side, side), c);
        return w;
    };

    painter->setPen(color);
    painter->setBrush(color);
    for (size_t i = 0; i < nodes.size(); ++i)
        if (int32_t(i) != hovered && IsLive(nodes[i]))
            square(nodes[i], color);

    if (hovered >= 0 && IsLive(nodes[size_t(hovered)])) {
        const NodePointer& node = nodes[size_t(hovered)];
        painter->setPen(colors.overlayHoverColor);
        painter->setBrush(colors.overlayHoverColor);
        const QPoint w = square(node, colors.overlayHoverColor);
        painter->drawText(w.x(), Data::TruncToInt(w.y() - r - 1.0), QString("%1;%2").arg(node.contour).arg(node.index));
    }
}

BaseOverlay* SnakeOverlay::HitTest(const QPoint& /*position*/)
{
    return hovered >= 0 ? this : nullptr;
}

void SnakeOverlay::Hover(const QPoint& position)
{
    if (!paintWidget)
        return;
    const QPoint mouse = paintWidget->WidgetToImage(position);
    const LVX::Orientation plane = paintWidget->GetOrientation();
    const double r = double(paintWidget->GetZoom());
    int32_t best = -1;
    double bestDistance = 0.0;
    for (size_t i = 0; i < nodes.size(); ++i) {
        if (!IsLive(nodes[i]))
            continue;
        const QPoint p = NodePosition(nodes[i], plane);
        const double dx = double(p.x()) - mouse.x();
        const double dy = double(p.y()) - mouse.y();
        if (std::abs(dx) > r || std::abs(dy) > r)
            continue;
        const double distance = dx * dx + dy * dy;
        // Strictly nearer only: on a tie the first in the list stays.
        if (best < 0 || distance < bestDistance) {
            best = int32_t(i);
            bestDistance = distance;
        }
    }
    if (best != hovered) {
        hovered = best;
        paintWidget->RequestRepaint();
    }
}

void SnakeOverlay::Drag(const QPoint& position)
{
    if (!paintWidget || !sequence || hovered < 0 || hovered >= int32_t(nodes.size()))
        return;
    const NodePointer& node = nodes[size_t(hovered)];
    if (!IsLive(node))
        return;
    const Point before = *node.node;
    MoveNode(node, paintWidget->GetOrientation(), ViewIndex(), paintWidget->WidgetToImage(position));
    paintWidget->RequestRepaint();
    paintWidget->update();
    // Other views of the stack follow the change, and the sequence has unsaved changes.
    if (*node.node != before)
        sequence->SetChanged(true);
}
