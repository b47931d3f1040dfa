#include "views/LinearViewOptionsControl.h"

#include "views/LinearView.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

LinearViewOptionsControl::LinearViewOptionsControl(LinearView* view, QWidget* parent) : Control(parent), view(view)
{
    SetName(QStringLiteral("Options"));
    auto* layout = new QVBoxLayout(this);
    actionsGroup = new QGroupBox(QStringLiteral("Actions"), this);
    auto* groupLayout = new QHBoxLayout(actionsGroup);
    wheelLabel = new QLabel(QStringLiteral("On mouse wheel"), actionsGroup);
    wheelComboBox = new QComboBox(actionsGroup);
    wheelComboBox->addItems({QStringLiteral("Do nothing"), QStringLiteral("Move slider"), QStringLiteral("Zoom")});
    // A linear view starts with the wheel moving its slider.
    wheelComboBox->setCurrentIndex(MoveSlider);
    groupLayout->addWidget(wheelLabel);
    groupLayout->addWidget(wheelComboBox);
    layout->addWidget(actionsGroup);
    layout->addStretch();

    connect(wheelComboBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
        &LinearViewOptionsControl::onWheelActionChanged);
}

void LinearViewOptionsControl::onWheelActionChanged(int index)
{
    if (!view)
        return;
    switch (index) {
    case DoNothing:
        view->SetWheelAction(new LinearView::WheelAction);
        break;
    case MoveSlider:
        view->SetWheelAction(new LinearView::SliderWheelAction);
        break;
    case Zoom:
        view->SetWheelAction(new LinearView::ZoomWheelAction);
        break;
    default:
        break;
    }
}
