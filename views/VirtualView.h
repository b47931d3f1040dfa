#pragma once

#include <QWidget>

class SliceView;

// A placeholder that embeds a copy of a view inside another view (a tomogram view's fourth
// pane). The surrounding layout decides its size.
class VirtualView : public QWidget {
    Q_OBJECT
public:
    explicit VirtualView(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
};

// Holds a copy of a slice view, at the source's zoom and slice and bound to the same stack. The
// copy goes with the virtual view.
class VirtualSliceView : public VirtualView {
    Q_OBJECT
public:
    explicit VirtualSliceView(SliceView* source);

    SliceView* GetView() const { return view; }

private:
    SliceView* view;
};
