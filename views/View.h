#pragma once

#include "model/LVXObject.h"

#include <QWidget>

class VirtualView;

// The base of every view: a project object that is also the widget in its tab of the main
// window. A bare View is the "No views" placeholder tab.
class View : public QWidget, public LVXObject {
    Q_OBJECT
public:
    explicit View(const QString& name, QWidget* parent = nullptr);
    View(const View& other); // a new widget without parent
    ~View() override;

    LVXObject* Clone() const override;
    QColor GetColor() const override;
    bool IsView() const override { return true; }

    // Operations added by views, in this order.
    virtual VirtualView* CreateVirtualView(); // a copy for another view's pane; null here
};
