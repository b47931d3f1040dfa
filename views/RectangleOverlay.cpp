#include "views/RectangleOverlay.h"

#include "attachments/Rectangle.h"
#include "model/Settings.h"
#include "views/OverlayFactory.h"
#include "views/PaintWidget.h"

#include "Data.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {
// The centre mark: a circle of this radius with ticks out to TickEnd, drawn only on boxes at
// least MinMarkedSize pixels wide and high.
constexpr int MarkRadius = 5;
constexpr int TickEnd = 9;
constexpr int MinMarkedSize = 11;
// A press within this many image pixels of the centre (in both directions) moves the box.
constexpr int CenterDistance = 5;

} // namespace

// The views of a stack show its rectangles through this overlay.
static const bool registeredRectangleOverlay = [] {
    OverlayFactory::RegisterMaker(
        LVX::RectangleType, [](PaintWidget* paintWidget, Attachment* attachment) -> BaseOverlay* {
            auto* typed = dynamic_cast<Att::Rectangle*>(attachment);
            return typed ? new RectangleOverlay(paintWidget, typed) : nullptr;
        });
    return true;
}();

RectangleOverlay::MoveAction::~MoveAction() = default;

void RectangleOverlay::MoveAction::Apply(const QPoint& /*point*/)
{
}

void RectangleOverlay::MoveUpperLeftAction::Apply(const QPoint& point)
{
    if (!rectangle)
        return;
    rectangle->SetH0(point.x());
    rectangle->SetV0(point.y());
}

void RectangleOverlay::MoveUpperRightAction::Apply(const QPoint& point)
{
    if (!rectangle)
        return;
    rectangle->SetH1(point.x());
    rectangle->SetV0(point.y());
}

void RectangleOverlay::MoveLowerLeftAction::Apply(const QPoint& point)
{
    if (!rectangle)
        return;
    rectangle->SetH0(point.x());
    rectangle->SetV1(point.y());
}

void RectangleOverlay::MoveLowerRightAction::Apply(const QPoint& point)
{
    if (!rectangle)
        return;
    rectangle->SetH1(point.x());
    rectangle->SetV1(point.y());
}

void RectangleOverlay::MoveCenterAction::Apply(const QPoint& point)
{
    if (rectangle)
        rectangle->MoveCenter(point);
}

RectangleOverlay::RectangleOverlay(PaintWidget* paintWidget, Att::Rectangle* rectangle)
    : BaseOverlay(paintWidget, rectangle, rectangle ? rectangle->GetName() : QString()), rectangle(rectangle),
      action(std::make_unique<MoveAction>(rectangle))
{
}

RectangleOverlay::~RectangleOverlay() = default;

Att::Rectangle* RectangleOverlay::GetRectangle() const
{
    return rectangle.data();
}

bool RectangleOverlay::IsShown() const
{
    // A rectangle lies in one plane; paint widgets of the other planes do not show it.
    return rectangle && paintWidget && rectangle->IsOrientation(paintWidget->GetOrientation());
}

void RectangleOverlay::Update()
{
    if (rectangle)
        name = rectangle->GetName();
}

QRect RectangleOverlay::WidgetRect() const
{
    if (!IsShown())
        return QRect();
    // The widget pixels that show the box's pixels, corner pixels included.
    return paintWidget->Mapping().PixelsRect(
        QPoint(rectangle->GetH0(), rectangle->GetV0()), QPoint(rectangle->GetH1(), rectangle->GetV1()));
}

void RectangleOverlay::Paint(QPainter* painter)
{
    if (!painter || !IsShown())
        return;
    const QRect box = WidgetRect();
    if (box.isEmpty())
        return;
    const QColor color = Settings::Values().colors.overlaySelectedColor;
    painter->setPen(color);
    painter->setBrush(Qt::NoBrush);
    // The outline runs over the outermost displayed pixels of the box.
    painter->drawRect(box.adjusted(0, 0, -1, -1));

    const int side = Data::TruncToInt(4.0 * double(paintWidget->GetZoom()));
    if (side > 0) {
        for (const QPoint& corner : {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()})
            painter->fillRect(QRect(corner.x() - side / 2, corner.y() - side / 2, side, side), color);
    }

    if (box.width() >= MinMarkedSize && box.height() >= MinMarkedSize) {
        const QPoint c = box.center();
        painter->drawEllipse(c, MarkRadius, MarkRadius);
        painter->drawLine(c.x() + MarkRadius, c.y(), c.x() + TickEnd, c.y());
        painter->drawLine(c.x() - MarkRadius, c.y(), c.x() - TickEnd, c.y());
        painter->drawLine(c.x(), c.y() + MarkRadius, c.x(), c.y() + TickEnd);
        painter->drawLine(c.x(), c.y() - MarkRadius, c.x(), c.y() - TickEnd);
    }
}

BaseOverlay* RectangleOverlay::HitTest(const QPoint& position)
{
    if (!IsShown())
        return nullptr;
    if (creating) {
        creating = false;
        if (position == creationPosition) {
            action = std::make_unique<MoveLowerRightAction>(rectangle.data());
            return this;
        }
    }
    action = std::make_unique<MoveAction>(rectangle.data());

    const QPoint p = paintWidget->WidgetToImage(position);
    const double tolerance = 4.0 * double(paintWidget->GetZoom());
    const auto near = [tolerance](int a, int b) { return std::abs(double(a) - double(b)) <= tolerance; };
    const bool nearH0 = near(p.x(), rectangle->GetH0());
    const bool nearH1 = near(p.x(), rectangle->GetH1());
    const bool nearV0 = near(p.y(), rectangle->GetV0());
    const bool nearV1 = near(p.y(), rectangle->GetV1());

    if (nearH0 && nearV1)
        action = std::make_unique<MoveLowerLeftAction>(rectangle.data());
    else if (nearH0 && nearV0)
        action = std::make_unique<MoveUpperLeftAction>(rectangle.data());
    else if (nearH1 && nearV1)
        action = std::make_unique<MoveLowerRightAction>(rectangle.data());
    else if (nearH1 && nearV0)
        action = std::make_unique<MoveUpperRightAction>(rectangle.data());
    else {
        const QPoint c = rectangle->GetCenter();
        if (std::abs(double(p.x()) - c.x()) > CenterDistance || std::abs(double(p.y()) - c.y()) > CenterDistance)
            return nullptr;
        action = std::make_unique<MoveCenterAction>(rectangle.data());
    }
    return this;
}

void RectangleOverlay::Drag(const QPoint& position)
{
    if (!IsShown() || !action)
        return;
    const int before[4] = {rectangle->GetH0(), rectangle->GetH1(), rectangle->GetV0(), rectangle->GetV1()};
    action->Apply(paintWidget->WidgetToImage(position));
    const int after[4] = {rectangle->GetH0(), rectangle->GetH1(), rectangle->GetV0(), rectangle->GetV1()};
    // Other views of the stack follow the change.
    if (!std::equal(before, before + 4, after))
        rectangle->SetChanged(true);
    paintWidget->RequestRepaint();
    paintWidget->update();
}

void RectangleOverlay::Drop(const QPoint& /*position*/)
{
    creating = false;
    action = std::make_unique<MoveAction>(rectangle.data());
}

void RectangleOverlay::StartSizing(const QPoint& position)
{
    action = std::make_unique<MoveLowerRightAction>(rectangle.data());
    creating = true;
    creationPosition = position;
}
