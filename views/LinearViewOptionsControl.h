#pragma once

#include "views/Control.h"

#include <QPointer>

class LinearView;
class QComboBox;
class QGroupBox;
class QLabel;

// "Options" of a linear view: what the mouse wheel does over the picture.
class LinearViewOptionsControl : public Control {
    Q_OBJECT
public:
    enum WheelChoice { DoNothing = 0, MoveSlider = 1, Zoom = 2 };

    explicit LinearViewOptionsControl(LinearView* view, QWidget* parent = nullptr);

    QComboBox* GetWheelComboBox() const { return wheelComboBox; }
    QLabel* GetWheelLabel() const { return wheelLabel; }
    QGroupBox* GetActionsGroup() const { return actionsGroup; }

public slots:
    // Gives the view the wheel action of the chosen entry.
    void onWheelActionChanged(int index);

private:
    QPointer<LinearView> view;
    QGroupBox* actionsGroup;
    QLabel* wheelLabel;
    QComboBox* wheelComboBox;
};
