#pragma once

#include <QString>
#include <QWidget>

class LVXObjectWidget;

// The base of the control panels that the main window shows beside the current view.
class Control : public QWidget {
    Q_OBJECT
public:
    explicit Control(QWidget* parent = nullptr);

    const QString& GetName() const { return name; }

signals:
    void currentViewUpdateRequested();

public slots:
    // The panel's object was docked to the stack of `stackWidget`; panels that depend on the
    // stack take it from there.
    virtual void onAttach(LVXObjectWidget* stackWidget);
    virtual void onDetach();

protected:
    void SetName(const QString& newName) { name = newName; }

private:
    QString name = QStringLiteral("Unnamed control");
};
