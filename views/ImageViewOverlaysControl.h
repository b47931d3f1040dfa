#pragma once

#include "views/Control.h"

#include <QString>
#include <vector>

class OverlaysControlWidget;
class PaintWidget;
class QVBoxLayout;

// "Overlays": for each paint widget of a view a group of its overlays with their visibility.
class ImageViewOverlaysControl : public Control {
    Q_OBJECT
public:
    explicit ImageViewOverlaysControl(QWidget* parent = nullptr);

    // Adds the group of a paint widget, titled `title` ("XY plane", "Source", ...; the slice
    // view's single group has no title).
    OverlaysControlWidget* AddPaintWidget(PaintWidget* paintWidget, const QString& title = QString());
    const std::vector<OverlaysControlWidget*>& GetGroups() const { return groups; }

private:
    QVBoxLayout* layout;
    std::vector<OverlaysControlWidget*> groups;
};
