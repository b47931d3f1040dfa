#pragma once

#include <QPoint>

class PaintWidget;
class QPainter;

// What a mouse press does on a paint widget besides the overlays. The default pointer tool does
// nothing and consumes nothing.
namespace PaintWidgetTool {

class Base {
public:
    Base() = default;
    virtual ~Base();

    // In this order.
    virtual Base* Clone() const;
    virtual bool MousePress(const QPoint& position); // true when the tool consumed the press
    virtual void MouseRelease(const QPoint& position);
    virtual void MouseMove(const QPoint& position);
    virtual void Paint(QPainter* painter);

    void SetPaintWidget(PaintWidget* widget) { paintWidget = widget; }
    PaintWidget* GetPaintWidget() const { return paintWidget; }

protected:
    PaintWidget* paintWidget = nullptr;
};

// The paint widget whose tool is answering a press right now, or null. The main window's
// requests for new annotations carry only the view; a view with several planes (the tomogram
// view) is told by this which plane the press came from.
PaintWidget* PressingWidget();

// Marks a paint widget as the pressing one for its lifetime (a tool's MousePress).
class PressSource {
public:
    explicit PressSource(PaintWidget* widget);
    ~PressSource();
    PressSource(const PressSource&) = delete;
    PressSource& operator=(const PressSource&) = delete;

private:
    PaintWidget* previous;
};

} // namespace PaintWidgetTool
