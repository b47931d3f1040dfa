#pragma once

#include "views/PaintWidgetTool.h"

namespace PaintWidgetTool {

// A press asks the main window for a new rectangle at that point of the view; the press then
// goes on to the overlays, so the new rectangle is sized by dragging at once.
class Rectangle : public Base {
public:
    Rectangle() = default;

    Base* Clone() const override;
    bool MousePress(const QPoint& position) override; // false: the press is not consumed
};

} // namespace PaintWidgetTool
