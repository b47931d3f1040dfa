#include "contours/NewSnakeDialog.h"

#include "model/Prompter.h"
#include "model/Settings.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <QMessageBox>
#include <cmath>

NewSnakeDialog::NewSnakeDialog(QWidget* parent)
    : QDialog(parent), sizeEdit(new QLineEdit(this)), spacingEdit(new QLineEdit(this))
{
    setWindowTitle(Title());
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

bool NewSnakeDialog::Read(int* size, float* spacing, QString* error) const
{
    bool ok = false;
    const int readSize = sizeEdit->text().toInt(&ok);
    if (!ok || readSize <= 0) {
        *error = "The size \"" + sizeEdit->text() + "\" is not a whole number greater than 0.";
        return false;
    }
    // The spacing is the optimal node distance of the contour parameters, a decimal number.
    const float readSpacing = spacingEdit->text().toFloat(&ok);
    if (!ok || !std::isfinite(readSpacing) || readSpacing <= 0.0f) {
        *error = "The spacing \"" + spacingEdit->text() + "\" is not a number greater than 0.";
        return false;
    }
    *size = readSize;
    *spacing = readSpacing;
    return true;
}

void NewSnakeDialog::accept()
{
    int size = 0;
    float spacing = 0.0f;
    QString error;
    if (!Read(&size, &spacing, &error)) {
        Prompter::Current().Warning(this, Title(), error, QMessageBox::Ok);
        return;
    }
    QDialog::accept();
}
