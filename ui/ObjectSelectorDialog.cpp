#include "ObjectSelectorDialog.h"

#include "model/LVXObject.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

ObjectSelectorDialog::ObjectSelectorDialog(const QList<LVXObject*>& objects, QWidget* parent)
    : QDialog(parent), objects(objects), processAllBox(new QCheckBox(QStringLiteral("Process entire stack")))
{
    setWindowTitle(QStringLiteral("Dialog"));

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("<b>Name</b>")), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("<b>ID</b>")), 0, 1);
    int row = 1;
    for (LVXObject* object : objects) {
        // "&" would mark a shortcut in a check box's text; names show as they are.
        QString name = object->GetName();
        auto* box = new QCheckBox(name.replace(QLatin1Char('&'), QStringLiteral("&&")));
        box->setChecked(false);
        objectBoxes.append(box);
        grid->addWidget(box, row, 0);
        auto* id = new QLabel(QString::number(object->GetId()));
        id->setTextFormat(Qt::PlainText);
        grid->addWidget(id, row, 1);
        ++row;
    }

    auto* line = new QFrame;
    line->setObjectName(QStringLiteral("line"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    processAllBox->setObjectName(QStringLiteral("processAllBox"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(line);
    layout->addWidget(processAllBox);
    layout->addWidget(buttons);
}

QList<LVXObject*> ObjectSelectorDialog::GetSelectedObjects() const
{
    QList<LVXObject*> selected;
    for (int i = 0; i < objects.size(); ++i)
        if (objectBoxes.at(i)->isChecked())
            selected.append(objects.at(i));
    return selected;
}

bool ObjectSelectorDialog::IsProcessAll() const
{
    return processAllBox->isChecked();
}
