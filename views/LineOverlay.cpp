#include "views/LineOverlay.h"

#include "attachments/Line.h"
#include "model/Settings.h"
#include "ui/LVXObjectWidget.h"
#include "ui/LumivoxWnd.h"
#include "views/OverlayFactory.h"
#include "views/PaintWidget.h"

#include "Data.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
// The most points one line is drawn with; a line longer than any stack would otherwise keep the
// painter busy without showing more.
constexpr double MaxLineSteps = 1 << 22;
// How close (widget pixels, in both directions) a press must come to an end point.
constexpr int HitDistance = 2;
} // namespace

// The views of a stack show its lines through this overlay.
static const bool registeredLineOverlay = [] {
    OverlayFactory::RegisterMaker(LVX::LineType, [](PaintWidget* paintWidget, Attachment* attachment) -> BaseOverlay* {
        auto* typed = dynamic_cast<Att::Line*>(attachment);
        return typed ? new LineOverlay(paintWidget, typed) : nullptr;
    });
    return true;
}();

LineOverlay::MoveAction::~MoveAction() = default;

void LineOverlay::MoveAction::Apply(const Point3D& /*point*/)
{
}

void LineOverlay::MoveP0Action::Apply(const Point3D& point)
{
    if (line)
        line->SetStart(point);
}

void LineOverlay::MoveP1Action::Apply(const Point3D& point)
{
    if (line)
        line->SetEnd(point);
}

LineOverlay::LineOverlay(PaintWidget* paintWidget, Att::Line* line, LVXObjectWidget* objectWidget)
    : BaseOverlay(paintWidget, line, line ? line->GetName() : QString()), line(line), objectWidget(objectWidget),
      action(std::make_unique<MoveAction>(line))
{
}

LineOverlay::~LineOverlay() = default;

Att::Line* LineOverlay::GetLine() const
{
    return line.data();
}

void LineOverlay::SetObjectWidget(LVXObjectWidget* widget)
{
    objectWidget = widget;
}

LVXObjectWidget* LineOverlay::FindObjectWidget() const
{
    if (!objectWidget && line)
        if (LumivoxWnd* window = LumivoxWnd::Instance())
            objectWidget = window->FindObjectWidget(line.data());
    return objectWidget.data();
}

bool LineOverlay::IsSelected() const
{
    const LVXObjectWidget* widget = FindObjectWidget();
    return widget && widget->isChecked();
}

void LineOverlay::Update()
{
    // The end points are read at every paint; only the name shown in the overlays panel and the
    // button may have changed.
    if (line)
        name = line->GetName();
    FindObjectWidget();
}

void LineOverlay::Paint(QPainter* painter)
{
    if (!line || !paintWidget || !painter)
        return;
    const Settings::Colors& colors = Settings::Values().colors;
    const QColor color = IsSelected() ? colors.overlaySelectedColor : colors.overlayDefaultColor;
    painter->setPen(color);
    painter->setBrush(color);

    const Point3D p0 = line->GetStart();
    const Point3D p1 = line->GetEnd();
    const double length = double(line->GetLength());
    const double zoom = double(paintWidget->GetZoom());
    const auto toWidget = [this](const Point3D& p) { return paintWidget->ImageToWidget(paintWidget->StackToPlane(p)); };

    // The line shows as single points wherever it runs through the plane, one per displayed pixel
    // along its length.
    if (length > 0.0 && std::isfinite(length) && zoom > 0.0) {
        const Point3D direction = (p1 - p0) / float(length);
        const double step = 1.0 / zoom;
        const double steps = std::min(std::floor(length * zoom), MaxLineSteps);
        QPolygon points;
        for (int i = 0; i <= int(steps); ++i) {
            const Point3D p = p0 + direction * float(i * step);
            if (paintWidget->IsOnPlane(p))
                points.append(toWidget(p));
        }
        if (!points.isEmpty())
            painter->drawPoints(points);
    }

    for (const Point3D& end : {p0, p1}) {
        if (!paintWidget->IsOnPlane(end))
            continue;
        const QPoint w = toWidget(end);
        painter->fillRect(QRect(w.x() - 2, w.y() - 2, 4, 4), color);
    }

    const Point3D middle = (p0 + p1) * 0.5f;
    if (paintWidget->IsOnPlane(middle)) {
        const QPoint w = toWidget(middle);
        painter->drawText(w.x() + 2, w.y() - 2, QString::number(length, 'g', 6) + " px");
    }
}

bool LineOverlay::IsNear(const Point3D& point, const QPoint& position) const
{
    // An end point in another slice is not drawn here, so it cannot be grabbed here either.
    if (!paintWidget->IsOnPlane(point))
        return false;
    const QPointF plane = paintWidget->StackToPlane(point);
    const QPoint w = paintWidget->ImageToWidget(plane);
    if (std::abs(w.x() - position.x()) <= HitDistance && std::abs(w.y() - position.y()) <= HitDistance)
        return true;
    // A press anywhere on the image pixel that holds the end point grabs it too, which matters
    // when the zoom draws that pixel larger than the distance.
    const QPoint pixel(Data::TruncToInt(std::floor(plane.x())), Data::TruncToInt(std::floor(plane.y())));
    return paintWidget->WidgetToImage(position) == pixel;
}

BaseOverlay* LineOverlay::HitTest(const QPoint& position)
{
    if (!line || !paintWidget)
        return nullptr;
    if (creating) {
        creating = false;
        if (position == creationPosition) {
            action = std::make_unique<MoveP1Action>(line.data());
            return this;
        }
    }
    // p1 wins when both end points are close.
    if (IsNear(line->GetEnd(), position)) {
        action = std::make_unique<MoveP1Action>(line.data());
        return this;
    }
    if (IsNear(line->GetStart(), position)) {
        action = std::make_unique<MoveP0Action>(line.data());
        return this;
    }
    return nullptr;
}

void LineOverlay::Drag(const QPoint& position)
{
    if (!line || !paintWidget || !action)
        return;
    const Point3D start = line->GetStart();
    const Point3D end = line->GetEnd();
    action->Apply(paintWidget->WidgetToStack(position));
    // Other views of the stack follow the change.
    if (line->GetStart() != start || line->GetEnd() != end)
        line->SetChanged(true);
    paintWidget->RequestRepaint();
    paintWidget->update();
}

void LineOverlay::Drop(const QPoint& /*position*/)
{
    creating = false;
    action = std::make_unique<MoveAction>(line.data());
}

void LineOverlay::StartMovingEnd(const QPoint& position)
{
    action = std::make_unique<MoveP1Action>(line.data());
    creating = true;
    creationPosition = position;
}
