#include "views/ValueOverlay.h"

#include "model/Settings.h"
#include "views/ImageView.h"
#include "views/PaintWidget.h"

#include <QCursor>
#include <QPainter>

const QPoint ValueOverlay::NoPosition(-10000, -10000);

ValueOverlay::ValueOverlay(PaintWidget* paintWidget, bool autoHide)
    : BaseOverlay(paintWidget, nullptr, tr("Value")), position(NoPosition), autoHide(autoHide)
{
    hideTimer.setSingleShot(true);
    hideTimer.setInterval(HideDelayMs);
    connect(&hideTimer, &QTimer::timeout, this, &ValueOverlay::onHideTimerFired);
}

QString ValueOverlay::Text() const
{
    if (!paintWidget || !paintWidget->IsInsideImage(position))
        return QString();
    // The displayed pixel with its row counted from the top of the picture, completed with the
    // index along the plane normal.
    const QPoint pixel = paintWidget->Mapping().WidgetToImageFromTop(position);
    const LVX::Orientation orientation = paintWidget->GetOrientation();
    ImageView* owner = paintWidget->GetOwner();
    const int index = owner ? owner->GetIndex(orientation) : 0;
    const Point3D point = ViewMapping::PlaneToStack(QPointF(pixel), orientation, float(index));
    const QString value = owner ? owner->GetValueText(position) : QString();
    return QString::number(double(point.x), 'g', 6) + QStringLiteral(", ") + QString::number(double(point.y), 'g', 6)
        + QStringLiteral(", ") + QString::number(double(point.z), 'g', 6) + QStringLiteral(": ") + value;
}

void ValueOverlay::Paint(QPainter* painter)
{
    const QString text = Text();
    if (text.isEmpty())
        return;
    painter->setPen(Settings::Values().colors.overlayHoverColor);
    painter->drawText(position + QPoint(10, 20), text);
}

void ValueOverlay::Hover(const QPoint& newPosition)
{
    position = newPosition;
    if (autoHide)
        hideTimer.start();
    if (paintWidget)
        paintWidget->RequestRepaint();
}

void ValueOverlay::Leave()
{
    position = NoPosition;
    hideTimer.stop();
    if (paintWidget)
        paintWidget->RequestRepaint();
}

void ValueOverlay::onHideTimerFired()
{
    if (!paintWidget)
        return;
    // A cursor that rests over the image keeps the value; it is looked at again later, so the
    // value still goes once the cursor has moved off the image without passing over it.
    const QPoint cursor = paintWidget->mapFromGlobal(QCursor::pos());
    if (paintWidget->IsInsideImage(cursor)) {
        hideTimer.start();
        return;
    }
    position = NoPosition;
    paintWidget->RequestRepaint();
    paintWidget->update();
}
