#include "contours/NewSnakeDialog.h"

#include "model/Settings.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

NewSnakeDialog::NewSnakeDialog(QWidget* parent)
    : QDialog(parent), sizeEdit(new QLineEdit(this)), spacingEdit(new QLineEdit(this))
{
    setWindowTitle("New active contour");
    setFixedSize(202, 103);

    const Settings::ActiveContours& settings = Settings::Values().activeContours;
    sizeEdit->setObjectName("sizeEdit");
    sizeEdit->setMaximumWidth(60);
    sizeEdit->setText(QString::number(settings.size, 10));
    spacingEdit->setObjectName("spacingEdit");
    spacingEdit->setMaximumWidth(60);
    spacingEdit->setText(QString::number(double(settings.distance), 'g', 6));

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel("Size:", this), 0, 0);
    fields->addWidget(sizeEdit, 0, 1);
    fields->addWidget(new QLabel("Spacing:", this), 1, 0);
    fields->addWidget(spacingEdit, 1, 1);

    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(buttons);
}

int NewSnakeDialog::GetSize() const
{
    return sizeEdit->text().toInt();
}

int NewSnakeDialog::GetSpacing() const
{
    return spacingEdit->text().toInt();
}
