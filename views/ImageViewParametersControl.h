#pragma once

#include "views/Control.h"

#include <QPointer>
#include <array>
#include <functional>

class ColorPreviewWidget;
class ImageView;
class QButtonGroup;
class QGroupBox;
class QPushButton;
class QVBoxLayout;
namespace PaintWidgetTool {
class Base;
}

// The part of an image view's parameters panel that every image view shares: the drawing tools
// and the overlay colours. Subclasses add their own groups below (GetLayout).
class ImageViewParametersControl : public Control {
    Q_OBJECT
public:
    enum Tool { PointerTool = 0, LineTool = 1, RectangleTool = 2, SplineTool = 3 };

    // Tool requests go to the view's onSetToolRequested when a view is given.
    explicit ImageViewParametersControl(ImageView* view, QWidget* parent = nullptr);

    ImageView* GetView() const { return view; }
    QGroupBox* GetToolsGroup() const { return toolsGroup; }
    QButtonGroup* GetToolButtons() const { return toolButtons; }
    QPushButton* GetToolButton(Tool tool) const;
    QGroupBox* GetColorsGroup() const { return colorsGroup; }
    ColorPreviewWidget* GetDefaultColorButton() const { return colorButtons[0]; }
    ColorPreviewWidget* GetSelectedColorButton() const { return colorButtons[1]; }
    ColorPreviewWidget* GetHoverColorButton() const { return colorButtons[2]; }

    // The spline tool comes with the spline attachment, which installs how to make one; until
    // then the spline button asks for the pointer.
    using ToolMaker = std::function<PaintWidgetTool::Base*()>;
    static void SetSplineToolMaker(ToolMaker maker);

signals:
    // The receiver takes ownership of the tool; null asks for the pointer (no tool).
    void setToolRequested(PaintWidgetTool::Base* tool);

public slots:
    void onToolClicked(int tool);
    // One of the three colours changed: all three go to the settings and the views redraw.
    void onColorChanged();

protected:
    QVBoxLayout* GetLayout() const { return layout; }

private:
    QPointer<ImageView> view;
    QVBoxLayout* layout;
    QGroupBox* toolsGroup;
    QButtonGroup* toolButtons;
    QGroupBox* colorsGroup;
    std::array<ColorPreviewWidget*, 3> colorButtons{};
};
