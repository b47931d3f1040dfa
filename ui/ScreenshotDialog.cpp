#include "ScreenshotDialog.h"

#include "model/Prompter.h"
#include "model/Settings.h"
#include "ui/LumivoxWnd.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

ScreenshotDialog::ScreenshotDialog(int width, int height, const QString& viewName, QWidget* parent)
    : QDialog(parent), checkBoxCustomSize(new QCheckBox(QStringLiteral("Custom"))),
      widthLabel(new QLabel(QStringLiteral("Width:"))), heightLabel(new QLabel(QStringLiteral("Height:"))),
      spinWidth(new QSpinBox), spinHeight(new QSpinBox), groupBoxFilePath(new QGroupBox(QStringLiteral("Target file"))),
      pathEdit(new QLineEdit), buttonBrowse(new QPushButton(QStringLiteral("Browse...")))
{
    setWindowTitle(viewName.isEmpty() ? QStringLiteral("Screenshot") : QStringLiteral("Screenshot of ") + viewName);

    checkBoxCustomSize->setObjectName(QStringLiteral("checkBoxCustomSize"));
    spinWidth->setObjectName(QStringLiteral("spinWidth"));
    spinHeight->setObjectName(QStringLiteral("spinHeight"));
    groupBoxFilePath->setObjectName(QStringLiteral("groupBoxFilePath"));
    pathEdit->setObjectName(QStringLiteral("lineEditPath"));
    buttonBrowse->setObjectName(QStringLiteral("buttonBrowse"));

    spinWidth->setRange(1, MaxSize);
    spinHeight->setRange(1, MaxSize);
    spinWidth->setValue(width);
    spinHeight->setValue(height);

    widthLabel->setBuddy(spinWidth);
    heightLabel->setBuddy(spinHeight);
    widthLabel->setObjectName(QStringLiteral("labelWidth"));
    heightLabel->setObjectName(QStringLiteral("labelHeight"));
    auto* sizeGrid = new QGridLayout;
    sizeGrid->addWidget(checkBoxCustomSize, 0, 0, 1, 2);
    sizeGrid->addWidget(widthLabel, 1, 0);
    sizeGrid->addWidget(spinWidth, 1, 1);
    sizeGrid->addWidget(heightLabel, 2, 0);
    sizeGrid->addWidget(spinHeight, 2, 1);

    auto* pathRow = new QHBoxLayout(groupBoxFilePath);
    pathRow->addWidget(pathEdit);
    pathRow->addWidget(buttonBrowse);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(sizeGrid);
    layout->addWidget(groupBoxFilePath);
    layout->addWidget(buttons);

    connect(checkBoxCustomSize, &QCheckBox::toggled, this, &ScreenshotDialog::onCustomSizeToggled);
    connect(buttonBrowse, &QPushButton::clicked, this, &ScreenshotDialog::onBrowse);
    pathEdit->installEventFilter(this);
    onCustomSizeToggled(checkBoxCustomSize->isChecked());
}

bool ScreenshotDialog::IsCustomSize() const
{
    return checkBoxCustomSize->isChecked();
}

int ScreenshotDialog::GetWidth() const
{
    return spinWidth->value();
}

int ScreenshotDialog::GetHeight() const
{
    return spinHeight->value();
}

QString ScreenshotDialog::GetPath() const
{
    return pathEdit->text();
}

QString ScreenshotDialog::BrowseCaption()
{
    return QStringLiteral("Screenshot");
}

QString ScreenshotDialog::BrowseFilter()
{
    return QStringLiteral("JPEG images (*.jpg *.jpeg);;PNG images (*.png);;TIFF images (*.tif *.tiff)");
}

void ScreenshotDialog::onBrowse()
{
    // The main window's save dialog starts in, and remembers, the last used directory; without a
    // window the question goes to the prompter directly.
    QString path;
    if (LumivoxWnd* window = LumivoxWnd::Instance())
        path = window->GetSaveFileName(BrowseCaption(), BrowseFilter());
    else
        path = Prompter::Current().GetSaveFileName(
            this, BrowseCaption(), Settings::Values().main.currentDir, BrowseFilter());
    if (!path.isEmpty())
        pathEdit->setText(path);
}

void ScreenshotDialog::onCustomSizeToggled(bool checked)
{
    for (QWidget* widget : {static_cast<QWidget*>(widthLabel), static_cast<QWidget*>(spinWidth),
             static_cast<QWidget*>(heightLabel), static_cast<QWidget*>(spinHeight)})
        widget->setEnabled(checked);
}

bool ScreenshotDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == pathEdit && event->type() == QEvent::MouseButtonPress && pathEdit->text().isEmpty())
        onBrowse();
    return QDialog::eventFilter(watched, event);
}
