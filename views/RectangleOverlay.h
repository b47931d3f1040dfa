#pragma once

#include "views/BaseOverlay.h"

#include <QPointer>
#include <QRect>
#include <memory>

namespace Att {
class Rectangle;
}

// Draws a rectangle attachment on the paint widgets of its plane, with handles on its corners
// and a mark at its centre, and moves a corner or the whole box with the mouse.
class RectangleOverlay : public BaseOverlay {
    Q_OBJECT
public:
    // What a drag does to the rectangle; the point is an image point (column, row). The base
    // does nothing.
    class MoveAction {
    public:
        explicit MoveAction(Att::Rectangle* rectangle) : rectangle(rectangle) { }
        virtual ~MoveAction();
        virtual void Apply(const QPoint& point);

    protected:
        Att::Rectangle* rectangle;
    };
    class MoveUpperLeftAction : public MoveAction { // h0 = x, v0 = y
    public:
        using MoveAction::MoveAction;
        void Apply(const QPoint& point) override;
    };
    class MoveUpperRightAction : public MoveAction { // h1 = x, v0 = y
    public:
        using MoveAction::MoveAction;
        void Apply(const QPoint& point) override;
    };
    class MoveLowerLeftAction : public MoveAction { // h0 = x, v1 = y
    public:
        using MoveAction::MoveAction;
        void Apply(const QPoint& point) override;
    };
    class MoveLowerRightAction : public MoveAction { // h1 = x, v1 = y
    public:
        using MoveAction::MoveAction;
        void Apply(const QPoint& point) override;
    };
    class MoveCenterAction : public MoveAction {
    public:
        using MoveAction::MoveAction;
        void Apply(const QPoint& point) override;
    };

    RectangleOverlay(PaintWidget* paintWidget, Att::Rectangle* rectangle);
    ~RectangleOverlay() override;

    void Update() override;
    void Paint(QPainter* painter) override;
    BaseOverlay* HitTest(const QPoint& position) override;
    void Drag(const QPoint& position) override;
    void Drop(const QPoint& position) override;

    Att::Rectangle* GetRectangle() const;
    const MoveAction* GetMoveAction() const { return action.get(); }
    // For a rectangle just made by a press at `position`: that press sizes it by its lower-right
    // corner.
    void StartSizing(const QPoint& position);
    // The box in widget coordinates, covering the displayed pixels of the rectangle; empty when
    // the rectangle is not drawn on this paint widget.
    QRect WidgetRect() const;

private:
    bool IsShown() const;

    QPointer<Att::Rectangle> rectangle; // the rectangle may be removed before the view rebuilds its overlays
    std::unique_ptr<MoveAction> action;
    bool creating = false;
    QPoint creationPosition;
};
