#include "ScaleDialog.h"

#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
QDoubleSpinBox* DoubleBox(const char* name, double min, double max, int decimals, double value)
{
    auto* box = new QDoubleSpinBox;
    box->setObjectName(QString::fromLatin1(name));
    box->setDecimals(decimals);
    box->setRange(min, max);
    box->setValue(value);
    return box;
}

QSpinBox* IntBox(const char* name, int max)
{
    auto* box = new QSpinBox;
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(0, max);
    return box;
}

QGroupBox* Group(const QString& title, const char* name, QWidget* x, QWidget* y, QWidget* z)
{
    auto* group = new QGroupBox(title);
    if (name)
        group->setObjectName(QString::fromLatin1(name));
    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("X:"), x);
    form->addRow(QStringLiteral("Y:"), y);
    form->addRow(QStringLiteral("Z:"), z);
    return group;
}
} // namespace

ScaleDialog::ScaleDialog(QWidget* parent, const StackInfo& stack)
    : QDialog(parent), spinBoxFactX(DoubleBox("spinBoxFactX", MinFactor, MaxFactor, 3, 1.0)),
      spinBoxFactY(DoubleBox("spinBoxFactY", MinFactor, MaxFactor, 3, 1.0)),
      spinBoxFactZ(DoubleBox("spinBoxFactZ", MinFactor, MaxFactor, 3, 1.0)),
      spinBoxSizeX(IntBox("spinBoxSizeX", MaxSize)), spinBoxSizeY(IntBox("spinBoxSizeY", MaxSize)),
      spinBoxSizeZ(IntBox("spinBoxSizeZ", MaxSize)), spinBoxResX(DoubleBox("spinBoxResX", 0.0, MaxResolution, 6, 0.0)),
      spinBoxResY(DoubleBox("spinBoxResY", 0.0, MaxResolution, 6, 0.0)),
      spinBoxResZ(DoubleBox("spinBoxResZ", 0.0, MaxResolution, 6, 0.0)),
      okButton(new QPushButton(QStringLiteral("OK"))), cancelButton(new QPushButton(QStringLiteral("Cancel")))
{
    setWindowTitle(QStringLiteral("Scaling"));
    for (QDoubleSpinBox* box : {spinBoxFactX, spinBoxFactY, spinBoxFactZ})
        box->setSingleStep(0.1);

    QGroupBox* groupFactor = Group(QStringLiteral("Factor"), nullptr, spinBoxFactX, spinBoxFactY, spinBoxFactZ);
    groupBoxSize = Group(QStringLiteral("Size"), "groupBoxSize", spinBoxSizeX, spinBoxSizeY, spinBoxSizeZ);
    groupBoxRes = Group(QStringLiteral("Resolution"), "groupBoxRes", spinBoxResX, spinBoxResY, spinBoxResZ);

    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setDefault(true);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* groups = new QHBoxLayout;
    groups->addWidget(groupFactor);
    groups->addWidget(groupBoxSize);
    groups->addWidget(groupBoxRes);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(buttons);

    if (stack.fixedSize) {
        spinBoxSizeX->setValue(stack.width);
        spinBoxSizeY->setValue(stack.height);
        spinBoxSizeZ->setValue(stack.slices);
        spinBoxResX->setValue(stack.xres);
        spinBoxResY->setValue(stack.yres);
        spinBoxResZ->setValue(stack.zres);
        groupBoxSize->setEnabled(false);
        spinBoxResZ->setEnabled(false);
        spinBoxResX->setEnabled(false);
        spinBoxResY->setEnabled(false);
    }
}

ScaleDialog::ScaleDialog(QWidget* parent) : ScaleDialog(parent, StackInfo())
{
}

double ScaleDialog::GetFactorX() const
{
    return spinBoxFactX->value();
}

double ScaleDialog::GetFactorY() const
{
    return spinBoxFactY->value();
}

double ScaleDialog::GetFactorZ() const
{
    return spinBoxFactZ->value();
}

int ScaleDialog::GetSizeX() const
{
    return spinBoxSizeX->value();
}

int ScaleDialog::GetSizeY() const
{
    return spinBoxSizeY->value();
}

int ScaleDialog::GetSizeZ() const
{
    return spinBoxSizeZ->value();
}

double ScaleDialog::GetResX() const
{
    return spinBoxResX->value();
}

double ScaleDialog::GetResY() const
{
    return spinBoxResY->value();
}

double ScaleDialog::GetResZ() const
{
    return spinBoxResZ->value();
}
