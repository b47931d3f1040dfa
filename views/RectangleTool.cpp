#include "views/RectangleTool.h"

#include "ui/LumivoxWnd.h"
#include "views/PaintWidget.h"

namespace PaintWidgetTool {

Base* Rectangle::Clone() const
{
    return new Rectangle(*this);
}

bool Rectangle::MousePress(const QPoint& position)
{
    LumivoxWnd* window = LumivoxWnd::Instance();
    if (window && paintWidget && paintWidget->GetOwner()) {
        PressSource source(paintWidget);
        emit window->newRectangleRequested(position, paintWidget->GetOwner());
    }
    return false;
}

} // namespace PaintWidgetTool
