#include "views/LineTool.h"

#include "ui/LumivoxWnd.h"
#include "views/PaintWidget.h"

namespace PaintWidgetTool {

Base* Line::Clone() const
{
    return new Line(*this);
}

bool Line::MousePress(const QPoint& position)
{
    LumivoxWnd* window = LumivoxWnd::Instance();
    if (window && paintWidget && paintWidget->GetOwner()) {
        PressSource source(paintWidget);
        emit window->newLineRequested(position, paintWidget->GetOwner());
    }
    return false;
}

} // namespace PaintWidgetTool
