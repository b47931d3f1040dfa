#include "views/ImageViewParametersControl.h"

#include "app/Resources.h"
#include "model/Settings.h"
#include "ui/LumivoxWnd.h"
#include "views/ColorPreviewWidget.h"
#include "views/ImageView.h"
#include "views/LineTool.h"
#include "views/PaintWidget.h"
#include "views/RectangleTool.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMetaMethod>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

ImageViewParametersControl::ToolMaker& SplineToolMaker()
{
    static ImageViewParametersControl::ToolMaker maker;
    return maker;
}

} // namespace

ImageViewParametersControl::ImageViewParametersControl(ImageView* view, QWidget* parent) : Control(parent), view(view)
{
    layout = new QVBoxLayout(this);

    toolsGroup = new QGroupBox(QStringLiteral("Tools"), this);
    auto* toolsLayout = new QHBoxLayout(toolsGroup);
    toolButtons = new QButtonGroup(this);
    toolButtons->setExclusive(true);
    const char* icons[] = {"cursor.png", "line.png", "rectangle.png", "spline.png"};
    for (int tool = PointerTool; tool <= SplineTool; ++tool) {
        auto* button = new QPushButton(toolsGroup);
        button->setIcon(Resources::Icon(QString::fromLatin1(icons[tool])));
        button->setCheckable(true);
        toolButtons->addButton(button, tool);
        toolsLayout->addWidget(button);
    }
    toolsLayout->addStretch();
    // A view starts without a tool.
    toolButtons->button(PointerTool)->setChecked(true);
    connect(toolButtons, &QButtonGroup::idClicked, this, &ImageViewParametersControl::onToolClicked);
    layout->addWidget(toolsGroup);

    colorsGroup = new QGroupBox(QStringLiteral("Overlay colors"), this);
    auto* colorsLayout = new QHBoxLayout(colorsGroup);
    const Settings::Colors& colors = Settings::Values().colors;
    colorButtons[0] = new ColorPreviewWidget(colors.overlayDefaultColor, QStringLiteral("Default"), colorsGroup);
    colorButtons[1] = new ColorPreviewWidget(colors.overlaySelectedColor, QStringLiteral("Selected"), colorsGroup);
    colorButtons[2] = new ColorPreviewWidget(colors.overlayHoverColor, QStringLiteral("Hover"), colorsGroup);
    for (ColorPreviewWidget* button : colorButtons) {
        colorsLayout->addWidget(button);
        connect(button, &ColorPreviewWidget::colorChanged, this, &ImageViewParametersControl::onColorChanged);
    }
    layout->addWidget(colorsGroup);

    if (view)
        connect(this, &ImageViewParametersControl::setToolRequested, view, &ImageView::onSetToolRequested);
}

QPushButton* ImageViewParametersControl::GetToolButton(Tool tool) const
{
    return qobject_cast<QPushButton*>(toolButtons->button(tool));
}

void ImageViewParametersControl::SetSplineToolMaker(ToolMaker maker)
{
    SplineToolMaker() = std::move(maker);
}

void ImageViewParametersControl::onToolClicked(int tool)
{
    // Whoever receives the request owns the tool; with nobody listening none is made.
    if (!isSignalConnected(QMetaMethod::fromSignal(&ImageViewParametersControl::setToolRequested)))
        return;
    PaintWidgetTool::Base* made = nullptr;
    switch (tool) {
    case LineTool:
        made = new PaintWidgetTool::Line;
        break;
    case RectangleTool:
        made = new PaintWidgetTool::Rectangle;
        break;
    case SplineTool:
        if (SplineToolMaker())
            made = SplineToolMaker()();
        break;
    default:
        break;
    }
    emit setToolRequested(made);
}

void ImageViewParametersControl::onColorChanged()
{
    Settings::Colors& colors = Settings::Values().colors;
    colors.overlayDefaultColor = colorButtons[0]->GetColor();
    colors.overlaySelectedColor = colorButtons[1]->GetColor();
    colors.overlayHoverColor = colorButtons[2]->GetColor();
    Settings::WriteOverlayColors();
    if (view)
        for (PaintWidget* paintWidget : view->findChildren<PaintWidget*>())
            paintWidget->update();
    if (LumivoxWnd* window = LumivoxWnd::Instance())
        window->Redraw();
}
