#include "views/PaintWidget.h"

#include "model/Log.h"
#include "model/Prompter.h"
#include "ui/LumivoxWnd.h"
#include "ui/ScreenshotDialog.h"
#include "views/BaseOverlay.h"
#include "views/ImageView.h"
#include "views/PaintWidgetTool.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QWheelEvent>
#include <algorithm>

PaintWidget::PaintWidget(ImageView* owner, LVX::Orientation orientation, QWidget* parent)
    : QWidget(parent), owner(owner), orientation(orientation)
{
    // Overlays give hover feedback, so moves without a pressed button count too.
    setAttribute(Qt::WA_MouseTracking);
    setContextMenuPolicy(Qt::DefaultContextMenu);

    contextMenu = new QMenu(this);
    QMenu* newMenu = contextMenu->addMenu(tr("New"));
    QAction* snakeAction = newMenu->addAction(tr("Active contour"));
    connect(snakeAction, &QAction::triggered, this, &PaintWidget::onNewSnake);
    QAction* screenshotAction = contextMenu->addAction(tr("Screenshot..."));
    connect(screenshotAction, &QAction::triggered, this, &PaintWidget::onScreenshot);
}

PaintWidget::~PaintWidget()
{
    // The overlays and the tool may still look at the widget while they go.
    draggedOverlay = nullptr;
    lastOverlay = nullptr;
    tool.reset();
    overlays.clear();
}

void PaintWidget::SetDisplayImage(const QImage* image, const QSize& size)
{
    displayImage = image;
    sourceSize = size;
}

ViewMapping PaintWidget::Mapping() const
{
    ViewMapping mapping;
    mapping.zoom = zoom;
    mapping.offsetX = offset.x();
    mapping.offsetY = offset.y();
    if (displayImage && !displayImage->isNull()) {
        mapping.imageWidth = displayImage->width();
        mapping.imageHeight = displayImage->height();
        if (sourceSize.isValid()) {
            mapping.sourceWidth = sourceSize.width();
            mapping.sourceHeight = sourceSize.height();
        }
    }
    return mapping;
}

void PaintWidget::PushBackOverlay(BaseOverlay* overlay, bool remember)
{
    if (!overlay)
        return;
    overlays.emplace_back(overlay);
    if (remember)
        lastOverlay = overlay;
    emit overlayPushedBack(overlay);
}

void PaintWidget::RemoveOverlay(BaseOverlay* overlay)
{
    auto it = std::find_if(overlays.begin(), overlays.end(),
        [overlay](const std::unique_ptr<BaseOverlay>& o) { return o.get() == overlay; });
    if (it == overlays.end())
        return;
    if (draggedOverlay == overlay)
        draggedOverlay = nullptr;
    if (lastOverlay == overlay)
        lastOverlay = nullptr;
    // Listeners (the overlays panel) drop their rows while the overlay still exists.
    emit overlayRemoved(overlay);
    std::unique_ptr<BaseOverlay> removed = std::move(*it);
    overlays.erase(it);
    removed.reset();
    update();
}

void PaintWidget::StartDrag(BaseOverlay* overlay)
{
    draggedOverlay = overlay;
}

void PaintWidget::SetCenter(const QPointF& c)
{
    center = c;
    UpdateOffsets();
    emit centerChanged(&center);
    update();
}

void PaintWidget::ResetCenter(bool force)
{
    if (force || !displayImage || displayImage->isNull()) {
        center = QPointF(0.5, 0.5);
    } else {
        // Only a direction in which the image fits the widget is re-centred; in the other the
        // user's pan stays.
        if (displayImage->width() <= width())
            center.setX(0.5);
        if (displayImage->height() <= height())
            center.setY(0.5);
    }
    UpdateOffsets();
    update();
}

void PaintWidget::UpdateOffsets()
{
    if (!displayImage || displayImage->isNull())
        return;
    offset = ViewMapping::OffsetsFor(center, width(), height(), displayImage->width(), displayImage->height());
}

void PaintWidget::SetTool(PaintWidgetTool::Base* newTool)
{
    tool.reset(newTool);
    if (tool)
        tool->SetPaintWidget(this);
    update();
}

QPoint PaintWidget::WidgetToImage(const QPoint& p) const
{
    return Mapping().WidgetToImage(p);
}

QPoint PaintWidget::ImageToWidget(const QPoint& p) const
{
    return Mapping().ImageToWidget(p);
}

QPoint PaintWidget::ImageToWidget(const QPointF& p) const
{
    return Mapping().ImageToWidget(p);
}

QPointF PaintWidget::StackToPlane(const Point3D& p) const
{
    return ViewMapping::StackToPlane(p, orientation);
}

Point3D PaintWidget::WidgetToStack(const QPoint& p) const
{
    const int index = owner ? owner->GetIndex(orientation) : 0;
    return ViewMapping::PlaneToStack(QPointF(WidgetToImage(p)), orientation, float(index));
}

bool PaintWidget::IsOnPlane(const Point3D& p) const
{
    const int index = owner ? owner->GetIndex(orientation) : 0;
    return ViewMapping::IsOnPlane(p, orientation, index);
}

bool PaintWidget::IsInsideImage(const QPoint& p) const
{
    return Mapping().IsInsideImage(p);
}

QImage PaintWidget::RenderDisplay() const
{
    if (!displayImage || displayImage->isNull())
        return QImage();
    QImage target(displayImage->size(), QImage::Format_RGB32);
    target.fill(Qt::white);

    // Overlays and tools read the offset from the widget, so it is moved for the time of the
    // drawing and put back afterwards.
    auto* self = const_cast<PaintWidget*>(this);
    const QPoint savedOffset = offset;
    self->offset = QPoint(0, 0);
    {
        QPainter painter(&target);
        PaintContents(painter);
    }
    self->offset = savedOffset;
    return target;
}

void PaintWidget::PaintContents(QPainter& painter) const
{
    if (displayImage && !displayImage->isNull()) {
        // Only the part that lands on the device is drawn; a negative offset cuts off the left or
        // top of the image.
        const int deviceWidth = painter.device()->width();
        const int deviceHeight = painter.device()->height();
        const int sourceX = std::max(0, -offset.x());
        const int sourceY = std::max(0, -offset.y());
        const int targetX = std::max(0, offset.x());
        const int targetY = std::max(0, offset.y());
        const int w = std::min(displayImage->width() - sourceX, deviceWidth - targetX);
        const int h = std::min(displayImage->height() - sourceY, deviceHeight - targetY);
        if (w > 0 && h > 0)
            painter.drawImage(QPoint(targetX, targetY), *displayImage, QRect(sourceX, sourceY, w, h));
    }
    for (const std::unique_ptr<BaseOverlay>& overlay : overlays) {
        if (!overlay->IsVisible())
            continue;
        painter.save();
        overlay->Paint(&painter);
        painter.restore();
    }
    if (tool) {
        painter.save();
        tool->Paint(&painter);
        painter.restore();
    }
}

void PaintWidget::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintContents(painter);
    repaintFlag = false;
}

void PaintWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPoint position = event->pos();
    draggedOverlay = nullptr;
    if (tool && tool->MousePress(position)) {
        update();
        return;
    }
    // The top-most visible overlay wins; hidden overlays are not asked at all. The loop goes by
    // index because a tool's press may have added overlays.
    for (size_t i = overlays.size(); i-- > 0;) {
        BaseOverlay* overlay = overlays[i].get();
        if (!overlay->IsVisible())
            continue;
        BaseOverlay* hit = overlay->HitTest(position);
        if (hit && hit->IsVisible()) {
            draggedOverlay = hit;
            break;
        }
    }
    update();
}

void PaintWidget::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint position = event->pos();
    bool nowInside = inside;
    if (displayImage && !displayImage->isNull())
        nowInside = IsInsideImage(position);

    if (draggedOverlay) {
        draggedOverlay->Drag(position);
    } else {
        if (tool)
            tool->MouseMove(position);
        if (nowInside) {
            for (size_t i = 0; i < overlays.size(); ++i)
                overlays[i]->Hover(position);
        }
    }
    if (nowInside != inside) {
        inside = nowInside;
        if (!inside)
            emit imageLeft();
    }
    if (repaintFlag)
        repaint();
}

void PaintWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    const QPoint position = event->pos();
    if (tool)
        tool->MouseRelease(position);
    if (draggedOverlay) {
        BaseOverlay* dropped = draggedOverlay;
        draggedOverlay = nullptr;
        dropped->Drop(position);
    }
    update();
}

void PaintWidget::leaveEvent(QEvent* event)
{
    inside = false;
    onImageLeft();
    QWidget::leaveEvent(event);
}

void PaintWidget::wheelEvent(QWheelEvent* event)
{
    emit wheelRotated(event);
    event->accept();
}

void PaintWidget::contextMenuEvent(QContextMenuEvent* event)
{
    contextMenuPosition = event->pos();
    // popup, not exec: the menu does not run an event loop of its own inside the event handler.
    contextMenu->popup(event->globalPos());
    event->accept();
}

void PaintWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // A pan stays in a direction where the picture is still larger than the widget; where it now
    // fits, the picture is centred again.
    ResetCenter(false);
}

void PaintWidget::onNewSnake()
{
    LumivoxWnd* window = LumivoxWnd::Instance();
    if (!window)
        return;
    const QPoint imagePoint = WidgetToImage(contextMenuPosition);
    emit window->newSnakeRequested(imagePoint, orientation, owner);
}

void PaintWidget::onScreenshot()
{
    if (!displayImage || displayImage->isNull())
        return;
    const QString viewName = owner ? owner->GetName() : QString();
    ScreenshotDialog dialog(displayImage->width(), displayImage->height(), viewName, this);
    if (Prompter::Current().Exec(&dialog) != QDialog::Accepted)
        return;
    const QString path = dialog.GetPath();
    if (path.isEmpty())
        return;
    const QImage picture = RenderDisplay();
    if (!picture.save(path))
        Log::Error(tr("Could not save the screenshot to %1").arg(path));
}

void PaintWidget::onImageLeft()
{
    for (size_t i = 0; i < overlays.size(); ++i)
        overlays[i]->Leave();
    if (repaintFlag)
        repaint();
}
