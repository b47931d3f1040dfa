#include "views/ImageViewOverlaysControl.h"

#include "views/OverlaysControlWidget.h"

#include <QVBoxLayout>

ImageViewOverlaysControl::ImageViewOverlaysControl(QWidget* parent) : Control(parent)
{
    SetName(QStringLiteral("Overlays"));
    layout = new QVBoxLayout(this);
    layout->addStretch();
}

OverlaysControlWidget* ImageViewOverlaysControl::AddPaintWidget(PaintWidget* paintWidget, const QString& title)
{
    auto* group = new OverlaysControlWidget(paintWidget, title, this);
    // Groups go above the stretch that keeps them at the top.
    layout->insertWidget(int(groups.size()), group);
    groups.push_back(group);
    return group;
}
