#pragma once

#include "views/PaintWidgetTool.h"

namespace PaintWidgetTool {

// A press asks the main window for a new line at that point of the view; the press then goes on
// to the overlays, so the new line's end follows the mouse at once.
class Line : public Base {
public:
    Line() = default;

    Base* Clone() const override;
    bool MousePress(const QPoint& position) override; // false: the press is not consumed
};

} // namespace PaintWidgetTool
