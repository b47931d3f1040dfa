#include "views/PaintWidgetTool.h"

namespace PaintWidgetTool {

namespace {
PaintWidget* pressing = nullptr;
} // namespace

PaintWidget* PressingWidget()
{
    return pressing;
}

PressSource::PressSource(PaintWidget* widget) : previous(pressing)
{
    pressing = widget;
}

PressSource::~PressSource()
{
    pressing = previous;
}

Base::~Base() = default;

Base* Base::Clone() const
{
    return new Base(*this);
}

bool Base::MousePress(const QPoint& /*position*/)
{
    return false;
}

void Base::MouseRelease(const QPoint& /*position*/)
{
}

void Base::MouseMove(const QPoint& /*position*/)
{
}

void Base::Paint(QPainter* /*painter*/)
{
}

} // namespace PaintWidgetTool
