#pragma once

#include <QSlider>
#include <QString>
#include <functional>

// A horizontal slider that shows its value, passed through a mapping function, in a tool tip
// while the handle is pressed or dragged. The mapping is the identity unless set.
class ToolTipSlider : public QSlider {
    Q_OBJECT
public:
    using Mapping = std::function<double(int)>;

    explicit ToolTipSlider(QWidget* parent = nullptr);

    void SetMapping(Mapping function); // an empty function restores the identity
    double Map(int value) const;
    double MappedValue() const { return Map(value()); }
    // The text the tool tip shows for the current value.
    QString ToolTipText() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void ShowValueTip(const QPoint& globalPosition);

    Mapping mapping;
};
