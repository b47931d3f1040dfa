#include "contours/SnakeParametersControl.h"

#include "contours/ContourViews.h"
#include "contours/SharedSnakeParams.h"
#include "model/Settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

constexpr int EditWidth = 56;

QLineEdit* NewEdit(QWidget* parent, const char* objectName)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(objectName));
    edit->setMaximumWidth(EditWidth);
    return edit;
}

// A group of label/field rows.
QGroupBox* NewGroup(QWidget* parent, const QString& title, const char* objectName)
{
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(QString::fromLatin1(objectName));
    new QGridLayout(group);
    return group;
}

void AddRow(QGroupBox* group, const QString& label, QWidget* field)
{
    auto* grid = static_cast<QGridLayout*>(group->layout());
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(label, group), row, 0);
    grid->addWidget(field, row, 1);
}

} // namespace

SnakeParametersControl::SnakeParametersControl(QWidget* parent) : Control(parent)
{
    SetName(QStringLiteral("Parameters"));
    setObjectName(QStringLiteral("snakeParametersControl"));
    auto* layout = new QVBoxLayout(this);

    QGroupBox* limits = NewGroup(this, QStringLiteral("Iteration limits"), "iterationLimitsGroup");
    maxImages = NewEdit(limits, "maxImagesEdit");
    maxIterations = NewEdit(limits, "maxIterationsEdit");
    reverse = new QCheckBox(QStringLiteral("Reverse direction"), limits);
    reverse->setObjectName(QStringLiteral("reverseCheckBox"));
    AddRow(limits, QStringLiteral("Max. images"), maxImages);
    AddRow(limits, QStringLiteral("Max. iterations per image"), maxIterations);
    static_cast<QGridLayout*>(limits->layout())->addWidget(reverse, 2, 0, 1, 2);
    layout->addWidget(limits);

    QGroupBox* geometry = NewGroup(this, QStringLiteral("Contour geometry"), "contourGeometryGroup");
    spacing = NewEdit(geometry, "spacingEdit");
    shrinkage = NewEdit(geometry, "shrinkageEdit");
    AddRow(geometry, QStringLiteral("Optimal spacing"), spacing);
    AddRow(geometry, QStringLiteral("Shrinkage"), shrinkage);
    layout->addWidget(geometry);

    QGroupBox* movement = NewGroup(this, QStringLiteral("Node movement"), "nodeMovementGroup");
    depth = NewEdit(movement, "depthEdit");
    displacement = NewEdit(movement, "displacementEdit");
    AddRow(movement, QStringLiteral("Max. search depth"), depth);
    AddRow(movement, QStringLiteral("Max. node displacement"), displacement);
    layout->addWidget(movement);

    QGroupBox* image = NewGroup(this, QStringLiteral("Image"), "imageGroup");
    auto* imageGrid = static_cast<QGridLayout*>(image->layout());
    thresholdMin = NewEdit(image, "thresholdMinEdit");
    thresholdMax = NewEdit(image, "thresholdMaxEdit");
    imageGrid->addWidget(new QLabel(QStringLiteral("Thresholds"), image), 0, 0);
    auto* thresholds = new QHBoxLayout;
    thresholds->addWidget(thresholdMin);
    thresholds->addWidget(new QLabel(QStringLiteral("to"), image));
    thresholds->addWidget(thresholdMax);
    thresholds->addStretch();
    imageGrid->addLayout(thresholds, 0, 1);
    background = new QComboBox(image);
    background->setObjectName(QStringLiteral("backgroundCombo"));
    background->addItems({QStringLiteral("White"), QStringLiteral("Black"), QStringLiteral("None")});
    imageGrid->addWidget(new QLabel(QStringLiteral("Background preference:"), image), 1, 0);
    imageGrid->addWidget(background, 1, 1);
    layout->addWidget(image);
    layout->addStretch();

    Refresh();
}

void SnakeParametersControl::Refresh()
{
    const Settings::ActiveContours& ac = Settings::Values().activeContours;
    maxImages->setText(QString::number(ac.maxSlices, 10));
    maxIterations->setText(QString::number(ac.maxIter, 10));
    reverse->setChecked(ac.isReversedirection);
    spacing->setText(ContourViews::FloatText(ac.distance));
    shrinkage->setText(QString::number(ac.shrinkage, 10));
    depth->setText(QString::number(ac.depth, 10));
    displacement->setText(QString::number(ac.disp, 10));
    thresholdMin->setText(QString::number(ac.thrMin, 10));
    thresholdMax->setText(QString::number(ac.thrMax, 10));
    // An index the combo box does not have shows as its first item.
    background->setCurrentIndex(ac.background >= 0 && ac.background < background->count() ? ac.background : 0);
}

void SnakeParametersControl::ApplyParameters()
{
    // The toolkit's conversions answer 0 for text that is no number (or out of range).
    Settings::ActiveContours& ac = Settings::Values().activeContours;
    ac.distance = ContourViews::ReadFloat(spacing);
    ac.depth = depth->text().toUInt();
    ac.disp = displacement->text().toUInt();
    ac.maxIter = maxIterations->text().toUShort();
    ac.maxSlices = maxImages->text().toUInt();
    ac.isReversedirection = reverse->isChecked();
    ac.thrMin = thresholdMin->text().toUInt();
    ac.thrMax = thresholdMax->text().toUInt();
    ac.shrinkage = shrinkage->text().toInt();
    ac.background = background->currentIndex();
    SharedSnakeParams::UpdateFromSettings();
    Settings::WriteContourParameters();
}

void SnakeParametersControl::hideEvent(QHideEvent* event)
{
    ApplyParameters();
    Control::hideEvent(event);
}
