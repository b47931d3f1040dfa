#include "views/Control.h"

Control::Control(QWidget* parent) : QWidget(parent)
{
}

void Control::onAttach(LVXObjectWidget* /*stackWidget*/)
{
}

void Control::onDetach()
{
}
