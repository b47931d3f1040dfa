#include "views/View.h"

View::View(const QString& name, QWidget* parent) : QWidget(parent), LVXObject(name)
{
    SetType(LVX::ViewType);
}

View::View(const View& other) : QWidget(nullptr), LVXObject(other)
{
}

View::~View() = default;

LVXObject* View::Clone() const
{
    return new View(*this);
}

QColor View::GetColor() const
{
    return QColor(205, 133, 63);
}

VirtualView* View::CreateVirtualView()
{
    return nullptr;
}
