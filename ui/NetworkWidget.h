#pragma once

#include "model/LVX.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

class LVXObject;
class LVXObjectWidget;
class LumivoxWnd;
class QMenu;
class QPainter;
class QXmlStreamWriter;
class Relation;

// The free-form pane of object buttons. The user moves buttons, selects them (several with
// Shift held), docks attachments below their stacks, connects open relations by dragging their
// free end onto another button, and drops files on it. Every relation is drawn as a curved arrow.
class NetworkWidget : public QWidget {
    Q_OBJECT
public:
    explicit NetworkWidget(LumivoxWnd* window, QWidget* parent = nullptr);
    ~NetworkWidget() override;

    // Button positions are kept within 0 to MaxCoordinate, far inside what widget sizes and
    // their sums can hold.
    static constexpr int MaxCoordinate = 100000;
    static QPoint Clamped(const QPoint& position);

    // Creates the button of an object at a position, shows it and returns it.
    LVXObjectWidget* AddObjectWidget(LVXObject* object, const QPoint& position);
    // Creates the button 50 pixels to the right of `near`; without `near`, at x 10 and 10 pixels
    // below the lowest button.
    LVXObjectWidget* AddObjectWidgetNextTo(LVXObject* object, const LVXObjectWidget* near);
    // Where AddObjectWidgetNextTo places a new button.
    QPoint NextPosition(const LVXObjectWidget* near) const;
    // Detaches the object's button from its stack and its attachments from it, then deletes it.
    void RemoveObjectWidget(const LVXObject* object);

    LVXObjectWidget* FindObjectWidget(const LVXObject* object) const;
    QList<LVXObjectWidget*> GetObjectWidgets() const; // in creation order
    QList<LVXObjectWidget*> GetObjectWidgets(int32_t objectType) const;
    QList<LVXObjectWidget*> GetSelectedWidgets() const; // checked buttons, in selection order
    QList<LVXObject*> GetSelectedObjects() const;
    // Unchecks every button and ends a relation drag (deleting the relation if it is still open).
    void ClearSelection();

    // Moves a button to a position; the attachments docked to it move with it.
    void MoveObjectWidget(LVXObjectWidget* widget, const QPoint& position);

    // The area in which a dragged attachment docks to a button with this geometry: the slot one
    // button height below it, widened by 10 pixels on every side (edges included).
    static QRect DockingZone(const QRect& stackGeometry);
    static bool InDockingZone(const QRect& stackGeometry, const QPoint& cursor);

    // Starts dragging the free end of a relation (disconnecting it first); null ends the drag and
    // deletes the dragged relation when it is still open.
    void SetDraggedRelation(Relation* relation);
    Relation* GetDraggedRelation() const { return draggedRelation; }
    // Forgets a relation that is being deleted elsewhere.
    void ForgetRelation(const Relation* relation);
    LVXObjectWidget* GetHoverTarget() const { return hoverTarget; }
    QPoint GetDragPoint() const { return dragPoint; }

    void SetMultiSelection(bool on) { multiSelection = on; }
    bool IsMultiSelection() const { return multiSelection; }

    // The cursor moved to a point of this widget (moving a button or a relation's free end).
    void HandleMouseMove(const QPoint& cursor);

    // Writes the "relations" element of the project file.
    void WriteRelations(QXmlStreamWriter& xml) const;

    QMenu* GetContextMenu() const { return contextMenu; }
    LumivoxWnd* GetWindow() const { return window; }

public slots:
    void onObjectWidgetPressed();
    void onObjectWidgetReleased();
    void onObjectWidgetToggled(bool checked);
    void onContextMenuActionTriggered(LVX::MenuAction actionType);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildContextMenu();
    void UpdateSelection();
    void EndPress(LVXObjectWidget* widget); // the press on a button ends: release or end of a move
    void UpdateExtent();
    void Forget(QObject* widget);
    void DrawRelation(QPainter& painter, const Relation& relation) const;

    LumivoxWnd* window;
    LVXObjectWidget* pressedWidget = nullptr;
    QPoint pressOffset;
    bool moved = false;
    Relation* draggedRelation = nullptr;
    QPoint dragPoint;
    std::vector<int32_t> draggedAcceptedTypes;
    LVXObjectWidget* hoverTarget = nullptr;
    bool multiSelection = false;
    QMenu* contextMenu = nullptr;
    std::deque<LVXObjectWidget*> selection;

    std::vector<LVXObjectWidget*> buttons; // creation order
    QPoint lastCursor;                     // the last cursor position seen over this widget or a button
};
