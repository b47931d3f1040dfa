#include "ui/NetworkWidget.h"

#include "app/Attachment.h"
#include "app/Relation.h"
#include "model/LVXObject.h"
#include "ui/LVXObjectWidget.h"
#include "ui/LumivoxWnd.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>
#include <QXmlStreamWriter>
#include <algorithm>
#include <cmath>

namespace {

// Shortest distance of a relation curve's control points from its anchors.
constexpr int minControlDistance = 50;
// Size of the square at the start of a relation and of its arrowhead.
constexpr int startMarkSize = 6;
constexpr double arrowLength = 10.0;
constexpr double arrowHalfWidth = 5.0;
// Space kept free right of and below the lowest and rightmost button.
constexpr int extentMargin = 10;

bool Contains(const std::vector<int32_t>& types, int32_t type)
{
    return std::find(types.begin(), types.end(), type) != types.end();
}

} // namespace

NetworkWidget::NetworkWidget(LumivoxWnd* window, QWidget* parent) : QWidget(parent), window(window)
{
    setObjectName("networkWidget");
    setAcceptDrops(true);
    setMouseTracking(true);
    BuildContextMenu();
}

QPoint NetworkWidget::Clamped(const QPoint& position)
{
    return QPoint(std::clamp(position.x(), 0, MaxCoordinate), std::clamp(position.y(), 0, MaxCoordinate));
}

NetworkWidget::~NetworkWidget()
{
    // The buttons go while this widget is still whole: their relations tell it that they are gone.
    draggedRelation = nullptr;
    hoverTarget = nullptr;
    pressedWidget = nullptr;
    selection.clear();
    // One at a time: deleting a button may make an object ask for the removal of another one.
    while (!buttons.empty()) {
        LVXObjectWidget* widget = buttons.back();
        buttons.pop_back();
        delete widget;
    }
}

void NetworkWidget::BuildContextMenu()
{
    contextMenu = new QMenu(this);
    QMenu* newMenu = contextMenu->addMenu("New");
    QMenu* viewMenu = newMenu->addMenu("View");
    QMenu* openMenu = contextMenu->addMenu("Open");
    if (!window) {
        viewMenu->addAction("3D view");
        for (const char* text :
            {"TIFF", "Surface", "Active contour sequence", "TransformSequence", "Statistical shape model", "Matrix"})
            openMenu->addAction(text);
        return;
    }
    viewMenu->addAction("3D view", window, &LumivoxWnd::onNewOGLView);
    openMenu->addAction("TIFF", window, &LumivoxWnd::onOpenTiff);
    openMenu->addAction("Surface", window, &LumivoxWnd::onOpenSurface);
    openMenu->addAction("Active contour sequence", window, &LumivoxWnd::onOpenSnakeSequence);
    openMenu->addAction("TransformSequence", window, &LumivoxWnd::onOpenTransformSequence);
    openMenu->addAction("Statistical shape model", window, &LumivoxWnd::onOpenSSM);
    openMenu->addAction("Matrix", window, &LumivoxWnd::onOpenMatrix);
}

LVXObjectWidget* NetworkWidget::AddObjectWidget(LVXObject* object, const QPoint& position)
{
    auto* widget = new LVXObjectWidget(object, this);
    widget->move(position);
    widget->setAttribute(Qt::WA_DeleteOnClose);
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
    widget->show();
    buttons.push_back(widget);

    connect(widget, &LVXObjectWidget::pressed, this, &NetworkWidget::onObjectWidgetPressed);
    connect(widget, &LVXObjectWidget::released, this, &NetworkWidget::onObjectWidgetReleased);
    connect(widget, &LVXObjectWidget::toggled, this, &NetworkWidget::onObjectWidgetToggled);
    connect(widget, &LVXObjectWidget::menuActionTriggered, this, &NetworkWidget::onContextMenuActionTriggered);
    if (window)
        connect(
            widget, &LVXObjectWidget::currentViewUpdateRequested, window, &LumivoxWnd::onCurrentViewUpdateRequested);
    // A button closed or deleted by anyone must not stay in the lists.
    connect(widget, &QObject::destroyed, this, &NetworkWidget::Forget);

    UpdateExtent();
    update();
    return widget;
}

QPoint NetworkWidget::NextPosition(const LVXObjectWidget* near) const
{
    if (near)
        return QPoint(near->x() + near->width() + 50, near->y());
    int lowest = 0;
    for (const LVXObjectWidget* widget : buttons)
        lowest = std::max(lowest, widget->geometry().bottom() + 1);
    return QPoint(10, lowest + 10);
}

LVXObjectWidget* NetworkWidget::AddObjectWidgetNextTo(LVXObject* object, const LVXObjectWidget* near)
{
    return AddObjectWidget(object, NextPosition(near));
}

void NetworkWidget::RemoveObjectWidget(const LVXObject* object)
{
    LVXObjectWidget* widget = FindObjectWidget(object);
    if (!widget)
        return;
    if (object->IsAttachment())
        if (LVXObjectWidget* stack = widget->GetDockedTo())
            stack->Detach(widget);
    const std::deque<LVXObjectWidget*> docked = widget->GetAttachments();
    for (LVXObjectWidget* attachment : docked)
        widget->Detach(attachment);
    Forget(widget);
    delete widget;
    UpdateExtent();
    update();
}

void NetworkWidget::Forget(QObject* widget)
{
    buttons.erase(std::remove(buttons.begin(), buttons.end(), widget), buttons.end());
    selection.erase(std::remove(selection.begin(), selection.end(), widget), selection.end());
    if (pressedWidget == widget) {
        pressedWidget = nullptr;
        moved = false;
    }
    if (hoverTarget == widget)
        hoverTarget = nullptr;
    if (draggedRelation && draggedRelation->GetOwner() == widget)
        draggedRelation = nullptr;
}

LVXObjectWidget* NetworkWidget::FindObjectWidget(const LVXObject* object) const
{
    for (LVXObjectWidget* widget : buttons)
        if (widget->GetObject() == object)
            return widget;
    return nullptr;
}

QList<LVXObjectWidget*> NetworkWidget::GetObjectWidgets() const
{
    QList<LVXObjectWidget*> result;
    for (LVXObjectWidget* widget : buttons)
        result.append(widget);
    return result;
}

QList<LVXObjectWidget*> NetworkWidget::GetObjectWidgets(int32_t objectType) const
{
    QList<LVXObjectWidget*> result;
    for (LVXObjectWidget* widget : buttons)
        if (widget->GetObject()->GetType() == objectType)
            result.append(widget);
    return result;
}

QList<LVXObjectWidget*> NetworkWidget::GetSelectedWidgets() const
{
    QList<LVXObjectWidget*> result;
    for (LVXObjectWidget* widget : selection)
        result.append(widget);
    return result;
}

QList<LVXObject*> NetworkWidget::GetSelectedObjects() const
{
    QList<LVXObject*> result;
    for (LVXObjectWidget* widget : selection)
        result.append(widget->GetObject());
    return result;
}

void NetworkWidget::UpdateSelection()
{
    selection.erase(std::remove_if(selection.begin(), selection.end(),
                        [](const LVXObjectWidget* widget) { return !widget->isChecked(); }),
        selection.end());
    for (LVXObjectWidget* widget : buttons)
        if (widget->isChecked() && std::find(selection.begin(), selection.end(), widget) == selection.end())
            selection.push_back(widget);
}

void NetworkWidget::ClearSelection()
{
    SetDraggedRelation(nullptr);
    const std::vector<LVXObjectWidget*> all = buttons;
    for (LVXObjectWidget* widget : all)
        widget->setChecked(false);
    UpdateSelection();
    update();
}

void NetworkWidget::MoveObjectWidget(LVXObjectWidget* widget, const QPoint& position)
{
    const QPoint delta = position - widget->pos();
    widget->move(position);
    for (LVXObjectWidget* attachment : widget->GetAttachments())
        attachment->move(attachment->pos() + delta);
    UpdateExtent();
    update();
}

QRect NetworkWidget::DockingZone(const QRect& stackGeometry)
{
    const int x = stackGeometry.x();
    const int y = stackGeometry.y();
    const int w = stackGeometry.width();
    const int h = stackGeometry.height();
    return QRect(QPoint(x - 10, y + h - 10), QPoint(x + w + 9, y + 2 * h + 9));
}

bool NetworkWidget::InDockingZone(const QRect& stackGeometry, const QPoint& cursor)
{
    // QRect::contains includes the right and bottom edges given as corners.
    return DockingZone(stackGeometry).contains(cursor);
}

void NetworkWidget::SetDraggedRelation(Relation* relation)
{
    if (!relation) {
        Relation* previous = draggedRelation;
        draggedRelation = nullptr;
        hoverTarget = nullptr;
        draggedAcceptedTypes.clear();
        if (previous && previous->IsOpen())
            previous->GetOwner()->RemoveRelation(previous);
        update();
        return;
    }
    relation->Disconnect();
    draggedRelation = relation;
    hoverTarget = nullptr;
    dragPoint = mapFromGlobal(QCursor::pos());
    draggedAcceptedTypes = relation->GetAcceptedTypes();
    update();
}

void NetworkWidget::ForgetRelation(const Relation* relation)
{
    if (draggedRelation == relation) {
        draggedRelation = nullptr;
        hoverTarget = nullptr;
        draggedAcceptedTypes.clear();
    }
}

void NetworkWidget::HandleMouseMove(const QPoint& cursor)
{
    lastCursor = cursor;
    if (pressedWidget) {
        moved = true;
        LVXObject* object = pressedWidget->GetObject();
        auto* attachment = object->IsAttachment() ? dynamic_cast<Attachment*>(object) : nullptr;
        if (!attachment) {
            MoveObjectWidget(pressedWidget, cursor + pressOffset);
        } else if (LVXObjectWidget* stack = pressedWidget->GetDockedTo()) {
            if (!InDockingZone(stack->geometry(), cursor))
                stack->Detach(pressedWidget);
        } else {
            pressedWidget->move(cursor + pressOffset);
            const std::vector<int32_t>& stackTypes = attachment->GetAcceptedStackTypes();
            for (LVXObjectWidget* widget : buttons) {
                if (widget == pressedWidget || !Contains(stackTypes, widget->GetObject()->GetType()))
                    continue;
                if (InDockingZone(widget->geometry(), cursor)) {
                    widget->Attach(pressedWidget);
                    break;
                }
            }
            UpdateExtent();
        }
        update();
    } else if (draggedRelation) {
        dragPoint = cursor;
        hoverTarget = nullptr;
        QWidget* under = childAt(cursor);
        while (under && under->parentWidget() != this)
            under = under->parentWidget();
        if (auto* widget = qobject_cast<LVXObjectWidget*>(under))
            if (widget != draggedRelation->GetOwner() && Contains(draggedAcceptedTypes, widget->GetObject()->GetType()))
                hoverTarget = widget;
        update();
    }
}

void NetworkWidget::onObjectWidgetPressed()
{
    auto* widget = qobject_cast<LVXObjectWidget*>(sender());
    if (!widget)
        return;
    UpdateSelection();
    if (!draggedRelation) {
        pressedWidget = widget;
        moved = false;
        pressOffset = widget->pos() - lastCursor;
        widget->raise();
        return;
    }
    // The press ends a relation drag: the free end goes to the button under the cursor when the
    // relation accepts it, otherwise the relation stays open.
    Relation* relation = draggedRelation;
    LVXObjectWidget* target = hoverTarget ? hoverTarget : widget;
    draggedRelation = nullptr;
    hoverTarget = nullptr;
    draggedAcceptedTypes.clear();
    if (target != relation->GetOwner())
        relation->ConnectTo(target);
    update();
}

void NetworkWidget::onObjectWidgetReleased()
{
    if (auto* widget = qobject_cast<LVXObjectWidget*>(sender()))
        EndPress(widget);
}

void NetworkWidget::EndPress(LVXObjectWidget* widget)
{
    if (pressedWidget) {
        if (moved)
            pressedWidget->setChecked(true);
        pressedWidget = nullptr;
        moved = false;
    }
    UpdateSelection();
    if (widget->isChecked() && window) {
        window->Redraw();
        window->ShowControls(widget);
    }
    update();
}

void NetworkWidget::onObjectWidgetToggled(bool checked)
{
    auto* widget = qobject_cast<LVXObjectWidget*>(sender());
    if (!widget)
        return;
    // Without Shift held a newly checked button is the only one.
    if (checked && !multiSelection) {
        const std::vector<LVXObjectWidget*> all = buttons;
        for (LVXObjectWidget* other : all)
            if (other != widget && other->isChecked())
                other->setChecked(false);
    }
    UpdateSelection();
    LVXObject* object = widget->GetObject();
    object->SetFlag(checked);
    if (checked && object->IsView() && window)
        window->SetCurrentView(object);
    update();
}

void NetworkWidget::onContextMenuActionTriggered(LVX::MenuAction actionType)
{
    auto* widget = qobject_cast<LVXObjectWidget*>(sender());
    if (window)
        emit window->contextMenuActionTriggered(widget, actionType);
}

bool NetworkWidget::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<LVXObjectWidget*>(watched);
    if (!widget || widget->parentWidget() != this)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        // Recorded before the button reports the press, for the press offset.
        lastCursor = widget->mapToParent(static_cast<QMouseEvent*>(event)->pos());
        break;
    case QEvent::MouseButtonRelease:
        // A moved button is not clicked: it keeps the checked state its move gave it. The button
        // never saw the moves, so the release is handled here (the cursor may even be outside a
        // button that snapped to its stack).
        if (pressedWidget == widget && moved && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            widget->setDown(false);
            EndPress(widget);
            return true;
        }
        break;
    case QEvent::MouseMove: {
        const QPoint cursor = widget->mapToParent(static_cast<QMouseEvent*>(event)->pos());
        if (pressedWidget == widget) {
            HandleMouseMove(cursor);
            return true;
        }
        if (draggedRelation) {
            HandleMouseMove(cursor);
            return true;
        }
        lastCursor = cursor;
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void NetworkWidget::mouseMoveEvent(QMouseEvent* event)
{
    HandleMouseMove(event->pos());
    QWidget::mouseMoveEvent(event);
}

void NetworkWidget::mouseReleaseEvent(QMouseEvent* event)
{
    // A release on empty space clears the selection.
    const std::vector<LVXObjectWidget*> all = buttons;
    for (LVXObjectWidget* widget : all)
        widget->setChecked(false);
    pressedWidget = nullptr;
    moved = false;
    UpdateSelection();
    update();
    event->accept();
}

void NetworkWidget::contextMenuEvent(QContextMenuEvent* event)
{
    contextMenu->popup(event->globalPos());
    event->accept();
}

void NetworkWidget::dragEnterEvent(QDragEnterEvent* event)
{
    // Only files dragged in from other programs; drags inside the program carry no files to open.
    if (event->mimeData()->hasUrls() && !event->source())
        event->acceptProposedAction();
    else
        event->ignore();
}

void NetworkWidget::dropEvent(QDropEvent* event)
{
    if (!event->mimeData()->hasUrls() || event->source()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    const QList<QUrl> urls = event->mimeData()->urls();
    for (const QUrl& url : urls)
        if (url.isLocalFile() && window)
            window->OpenFileBySuffix(url.toLocalFile());
}

void NetworkWidget::UpdateExtent()
{
    // The pane grows with its buttons so that the scroll area around it can reach all of them.
    QPoint extent(0, 0);
    for (const LVXObjectWidget* widget : buttons)
        extent = QPoint(std::max(extent.x(), widget->geometry().right() + 1),
            std::max(extent.y(), widget->geometry().bottom() + 1));
    setMinimumSize(extent.x() + extentMargin, extent.y() + extentMargin);
}

void NetworkWidget::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const LVXObjectWidget* widget : buttons)
        for (const auto& relation : widget->GetRelations())
            DrawRelation(painter, *relation);
    if (hoverTarget) {
        painter.setPen(QPen(hoverTarget->GetColor().darker(150), 2, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(hoverTarget->geometry()).adjusted(-3, -3, 3, 3), 5, 5);
    }
}

void NetworkWidget::DrawRelation(QPainter& painter, const Relation& relation) const
{
    // The ends of the arrow: a button, or the drag point for the free end of the dragged relation.
    const LVXObjectWidget* owner = relation.GetOwner();
    const LVXObjectWidget* other = relation.GetOther();
    const bool dragged = &relation == draggedRelation && !other;
    if (!other && !dragged)
        return;
    const LVXObjectWidget* start = relation.GetDir() == 1 ? other : owner;
    const LVXObjectWidget* end = relation.GetDir() == 1 ? owner : other;
    const QRectF startRect = start ? QRectF(start->geometry()) : QRectF(dragPoint, QSizeF(0, 0));
    const QRectF endRect = end ? QRectF(end->geometry()) : QRectF(dragPoint, QSizeF(0, 0));

    const QColor baseColor = start ? start->GetObject()->GetColor() : end->GetObject()->GetColor();
    const QColor color = baseColor.darker(150);

    // Anchors on the facing sides of the two ends: left and right sides when the ends lie side by
    // side, otherwise bottom and top. The curve leaves and enters perpendicular to those sides.
    QPointF p0, p1, d0, d1;
    if (endRect.left() >= startRect.right()) {
        p0 = QPointF(startRect.right(), startRect.center().y());
        p1 = QPointF(endRect.left(), endRect.center().y());
        d0 = QPointF(1, 0);
    } else if (endRect.right() <= startRect.left()) {
        p0 = QPointF(startRect.left(), startRect.center().y());
        p1 = QPointF(endRect.right(), endRect.center().y());
        d0 = QPointF(-1, 0);
    } else if (endRect.center().y() >= startRect.center().y()) {
        p0 = QPointF(startRect.center().x(), startRect.bottom());
        p1 = QPointF(endRect.center().x(), endRect.top());
        d0 = QPointF(0, 1);
    } else {
        p0 = QPointF(startRect.center().x(), startRect.top());
        p1 = QPointF(endRect.center().x(), endRect.bottom());
        d0 = QPointF(0, -1);
    }
    d1 = -d0;
    const double distance = std::max<double>(minControlDistance, std::abs(p1.x() - p0.x()) / 2.0);
    const QPointF c0 = p0 + d0 * distance;
    const QPointF c1 = p1 + d1 * distance;

    QPainterPath path(p0);
    path.cubicTo(c0, c1, p1);
    painter.setPen(QPen(color, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);

    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawRect(QRectF(p0.x() - startMarkSize / 2.0, p0.y() - startMarkSize / 2.0, startMarkSize, startMarkSize));

    // The arrowhead points along the curve's direction at its end (from the last control point).
    QPointF direction = p1 - c1;
    const double length = std::hypot(direction.x(), direction.y());
    direction = length > 0 ? direction / length : -d1;
    const QPointF normal(-direction.y(), direction.x());
    const QPointF base = p1 - direction * arrowLength;
    const QPointF head[3] = {p1, base + normal * arrowHalfWidth, base - normal * arrowHalfWidth};
    painter.drawPolygon(head, 3);
}

void NetworkWidget::WriteRelations(QXmlStreamWriter& xml) const
{
    xml.writeStartElement("relations");
    for (const LVXObjectWidget* widget : buttons) {
        const auto& relations = widget->GetRelations();
        xml.writeStartElement("relation_group");
        xml.writeAttribute("size", QString::number(relations.size()));
        xml.writeAttribute("owner", QString::number(widget->GetObject()->GetId()));
        for (const auto& relation : relations) {
            const LVXObjectWidget* other = relation->GetOther();
            xml.writeStartElement("relation");
            xml.writeAttribute("other", other ? QString::number(other->GetObject()->GetId()) : QStringLiteral("-1"));
            xml.writeAttribute("type", QString::number(relation->GetType()));
            xml.writeAttribute("dir", QString::number(relation->GetDir()));
            xml.writeAttribute("priority", QString::number(relation->GetPriority()));
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
}
