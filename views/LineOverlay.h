#pragma once

#include "views/BaseOverlay.h"

#include "Point3D.h"

#include <QPointer>
#include <memory>

class LVXObjectWidget;
namespace Att {
class Line;
}

// Draws a line attachment where it crosses or lies in the plane shown, with its end points and
// its length, and moves an end point with the mouse.
class LineOverlay : public BaseOverlay {
    Q_OBJECT
public:
    // What a drag does to the line; the point is a stack point. The base does nothing.
    class MoveAction {
    public:
        explicit MoveAction(Att::Line* line) : line(line) { }
        virtual ~MoveAction();
        virtual void Apply(const Point3D& point);

    protected:
        Att::Line* line;
    };
    class MoveP0Action : public MoveAction {
    public:
        using MoveAction::MoveAction;
        void Apply(const Point3D& point) override;
    };
    class MoveP1Action : public MoveAction {
    public:
        using MoveAction::MoveAction;
        void Apply(const Point3D& point) override;
    };

    // `objectWidget` is the line's button; without one the overlay looks it up in the main window.
    LineOverlay(PaintWidget* paintWidget, Att::Line* line, LVXObjectWidget* objectWidget = nullptr);
    ~LineOverlay() override;

    void Update() override;
    void Paint(QPainter* painter) override;
    BaseOverlay* HitTest(const QPoint& position) override;
    void Drag(const QPoint& position) override;
    void Drop(const QPoint& position) override;

    Att::Line* GetLine() const;
    void SetObjectWidget(LVXObjectWidget* widget);
    // The line counts as selected while its button is checked.
    bool IsSelected() const;
    const MoveAction* GetMoveAction() const { return action.get(); }
    // For a line just made by a press at `position`: that press drags the end point p1, even
    // where rounding at a high zoom puts the end point more than the hit distance away.
    void StartMovingEnd(const QPoint& position);

private:
    LVXObjectWidget* FindObjectWidget() const;
    bool IsNear(const Point3D& point, const QPoint& position) const;

    QPointer<Att::Line> line; // the line may be removed before the view rebuilds its overlays
    mutable QPointer<LVXObjectWidget> objectWidget;
    std::unique_ptr<MoveAction> action;
    bool creating = false;
    QPoint creationPosition;
};
