#pragma once

#include <QDialog>
#include <QList>

class LVXObject;
class QCheckBox;

// Lets the user tick some of the offered objects (shown in the given order, none ticked at start)
// and choose whether the whole stack is processed.
class ObjectSelectorDialog : public QDialog {
    Q_OBJECT
public:
    ObjectSelectorDialog(const QList<LVXObject*>& objects, QWidget* parent = nullptr);

    QList<LVXObject*> GetSelectedObjects() const; // in the order offered
    bool IsProcessAll() const;                    // "Process entire stack"
    QList<QCheckBox*> GetObjectBoxes() const { return objectBoxes; }

private:
    QList<LVXObject*> objects;
    QList<QCheckBox*> objectBoxes; // one per object, same order
    QCheckBox* processAllBox;
};
