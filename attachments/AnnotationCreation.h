#pragma once

#include <QPoint>

class App;
class ImageView;
class PaintWidget;
namespace Att {
class Line;
class Rectangle;
} // namespace Att

// New line and rectangle annotations drawn with the tools of a view: the controller's answers
// to the main window's newLineRequested and newRectangleRequested.
namespace AnnotationCreation {

// The paint widget of `view` that a press came from: the one whose tool is pressing, else the
// view's first paint widget; null when the view has none.
PaintWidget* SourcePaintWidget(ImageView* view);

// A line with both ends at the stack point under `position` (a widget position of the view's
// paint widget): registered, its button docked below the view's stack and checked, its overlay
// on the paint widget dragging the end p1. Null when the view shows no stack.
Att::Line* CreateLine(App& app, const QPoint& position, ImageView* view);

// A rectangle whose four edges run through the image point under `position`, in the plane of
// the paint widget, set up like a line; its overlay drags the lower-right corner.
Att::Rectangle* CreateRectangle(App& app, const QPoint& position, ImageView* view);

} // namespace AnnotationCreation
