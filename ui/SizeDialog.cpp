#include "SizeDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>
#include <QVBoxLayout>

SizeDialog::SizeDialog(QWidget* parent) : QDialog(parent), widthBox(new QSpinBox), heightBox(new QSpinBox)
{
    setWindowTitle(QStringLiteral("Size"));
    widthBox->setObjectName(QStringLiteral("widthBox"));
    heightBox->setObjectName(QStringLiteral("heightBox"));
    for (QSpinBox* box : {widthBox, heightBox}) {
        box->setRange(1, MaxSize);
        box->setValue(DefaultSize);
    }

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Width"), widthBox);
    form->addRow(QStringLiteral("Height"), heightBox);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void SizeDialog::SetSize(int width, int height)
{
    widthBox->setValue(width);
    heightBox->setValue(height);
}

int SizeDialog::GetWidth() const
{
    return widthBox->value();
}

int SizeDialog::GetHeight() const
{
    return heightBox->value();
}
