#include "views/DragOverlay.h"

#include "views/PaintWidget.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

const QColor DragOverlay::FrameColor(205, 133, 63);

namespace {

// Distance of the frames from the edges of the visible part of the image.
constexpr int FrameMargin = 6;
// The longer side of the whole-image frame.
constexpr double FrameSize = 100.0;

} // namespace

DragOverlay::DragOverlay(PaintWidget* paintWidget) : BaseOverlay(paintWidget, nullptr, tr("Drag"))
{
}

void DragOverlay::Frames(QRect* image, QRect* view) const
{
    *image = QRect();
    *view = QRect();
    if (!paintWidget)
        return;
    const QImage* display = paintWidget->GetDisplayImage();
    if (!display || display->isNull())
        return;
    const int w = display->width();
    const int h = display->height();
    if (w <= paintWidget->width() && h <= paintWidget->height())
        return;
    const QPoint offset = paintWidget->GetOffset();
    const QRect visible = QRect(offset, QSize(w, h)).intersected(paintWidget->rect());
    if (visible.isEmpty())
        return;
    const double s = FrameSize / double(std::max(w, h));
    const int frameW = int(std::lround(w * s));
    const int frameH = int(std::lround(h * s));
    *image = QRect(visible.right() - FrameMargin - frameW, visible.top() + FrameMargin, frameW, frameH);
    // The visible part in image coordinates, scaled into the whole-image frame.
    const QRect inImage = visible.translated(-offset);
    *view = QRect(image->left() + int(std::lround(inImage.left() * s)),
        image->top() + int(std::lround(inImage.top() * s)), int(std::lround(inImage.width() * s)),
        int(std::lround(inImage.height() * s)));
}

QRect DragOverlay::ImageFrame() const
{
    QRect image, view;
    Frames(&image, &view);
    return image;
}

QRect DragOverlay::ViewFrame() const
{
    QRect image, view;
    Frames(&image, &view);
    return view;
}

void DragOverlay::Paint(QPainter* painter)
{
    QRect image, view;
    Frames(&image, &view);
    if (image.isEmpty())
        return;
    painter->setPen(FrameColor);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(image);
    painter->drawRect(view);
}

BaseOverlay* DragOverlay::HitTest(const QPoint& position)
{
    // Always a hit: the drag overlay sits below every other overlay and catches what they leave.
    dragging = true;
    pressPosition = position;
    centerAtPress = paintWidget ? paintWidget->GetCenter() : QPointF(0.5, 0.5);
    minDx = maxDx = minDy = maxDy = 0;
    if (paintWidget) {
        const QImage* display = paintWidget->GetDisplayImage();
        if (display && !display->isNull()) {
            // The image's left edge stays left of the widget's left edge (offset <= 0) and its
            // right edge right of the widget's right edge (offset + size >= widget size).
            const QPoint offset = paintWidget->GetOffset();
            minDx = std::min(0, paintWidget->width() - display->width() - offset.x());
            maxDx = std::max(0, -offset.x());
            minDy = std::min(0, paintWidget->height() - display->height() - offset.y());
            maxDy = std::max(0, -offset.y());
        }
    }
    return this;
}

void DragOverlay::Drag(const QPoint& position)
{
    if (!dragging || !paintWidget)
        return;
    const QImage* display = paintWidget->GetDisplayImage();
    if (!display || display->isNull())
        return;
    const int w = display->width();
    const int h = display->height();
    const bool wider = w > paintWidget->width();
    const bool higher = h > paintWidget->height();
    if (!wider && !higher)
        return;
    const QPoint displacement = position - pressPosition;
    QPointF center = centerAtPress;
    if (wider)
        center.setX(centerAtPress.x() - double(std::clamp(displacement.x(), minDx, maxDx)) / double(w));
    if (higher)
        center.setY(centerAtPress.y() - double(std::clamp(displacement.y(), minDy, maxDy)) / double(h));
    paintWidget->SetCenter(center);
}

void DragOverlay::Drop(const QPoint&)
{
    dragging = false;
}
