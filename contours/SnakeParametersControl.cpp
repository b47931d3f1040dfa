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

// The next free row of a group's grid (an empty grid reports one row already).
int NextRow(QGroupBox* group)
{
    auto* grid = static_cast<QGridLayout*>(group->layout());
    return grid->count() == 0 ? 0 : grid->rowCount();
}

void AddRow(QGroupBox* group, const QString& label, QWidget* field)
{
    auto* grid = static_cast<QGridLayout*>(group->layout());
    const int row = NextRow(group);
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
    edits[MaxImages] = NewEdit(limits, "maxImagesEdit");
    edits[MaxIterations] = NewEdit(limits, "maxIterationsEdit");
    reverse = new QCheckBox(QStringLiteral("Reverse direction"), limits);
    reverse->setObjectName(QStringLiteral("reverseCheckBox"));
    AddRow(limits, QStringLiteral("Max. images"), edits[MaxImages]);
    AddRow(limits, QStringLiteral("Max. iterations per image"), edits[MaxIterations]);
    static_cast<QGridLayout*>(limits->layout())->addWidget(reverse, NextRow(limits), 0, 1, 2);
    layout->addWidget(limits);

    QGroupBox* geometry = NewGroup(this, QStringLiteral("Contour geometry"), "contourGeometryGroup");
    edits[Spacing] = NewEdit(geometry, "spacingEdit");
    edits[Shrinkage] = NewEdit(geometry, "shrinkageEdit");
    AddRow(geometry, QStringLiteral("Optimal spacing"), edits[Spacing]);
    AddRow(geometry, QStringLiteral("Shrinkage"), edits[Shrinkage]);
    layout->addWidget(geometry);

    QGroupBox* movement = NewGroup(this, QStringLiteral("Node movement"), "nodeMovementGroup");
    edits[Depth] = NewEdit(movement, "depthEdit");
    edits[Displacement] = NewEdit(movement, "displacementEdit");
    AddRow(movement, QStringLiteral("Max. search depth"), edits[Depth]);
    AddRow(movement, QStringLiteral("Max. node displacement"), edits[Displacement]);
    layout->addWidget(movement);

    QGroupBox* image = NewGroup(this, QStringLiteral("Image"), "imageGroup");
    auto* imageGrid = static_cast<QGridLayout*>(image->layout());
    edits[ThresholdMin] = NewEdit(image, "thresholdMinEdit");
    edits[ThresholdMax] = NewEdit(image, "thresholdMaxEdit");
    // The thresholds row spans both columns: below the long "Background preference:" label the
    // second column leaves two fields too little room for "65535".
    auto* thresholds = new QHBoxLayout;
    thresholds->addWidget(new QLabel(QStringLiteral("Thresholds"), image));
    thresholds->addWidget(edits[ThresholdMin]);
    thresholds->addWidget(new QLabel(QStringLiteral("to"), image));
    thresholds->addWidget(edits[ThresholdMax]);
    thresholds->addStretch();
    imageGrid->addLayout(thresholds, 0, 0, 1, 2);
    background = new QComboBox(image);
    background->setObjectName(QStringLiteral("backgroundCombo"));
    background->addItems({QStringLiteral("White"), QStringLiteral("Black"), QStringLiteral("None")});
    imageGrid->addWidget(new QLabel(QStringLiteral("Background preference:"), image), 1, 0);
    imageGrid->addWidget(background, 1, 1);
    layout->addWidget(image);
    layout->addStretch();

    Refresh();
}

QString SnakeParametersControl::SettingText(Field field) const
{
    const Settings::ActiveContours& ac = Settings::Values().activeContours;
    switch (field) {
    case MaxImages:
        return QString::number(ac.maxSlices, 10);
    case MaxIterations:
        return QString::number(ac.maxIter, 10);
    case Reverse:
        return ac.isReversedirection ? QStringLiteral("1") : QStringLiteral("0");
    case Spacing:
        return ContourViews::FloatText(ac.distance);
    case Shrinkage:
        return QString::number(ac.shrinkage, 10);
    case Depth:
        return QString::number(ac.depth, 10);
    case Displacement:
        return QString::number(ac.disp, 10);
    case ThresholdMin:
        return QString::number(ac.thrMin, 10);
    case ThresholdMax:
        return QString::number(ac.thrMax, 10);
    case Background:
        // An index the combo box does not have shows as its first item.
        return QString::number(ac.background >= 0 && ac.background < background->count() ? ac.background : 0);
    case FieldCount:
        break;
    }
    return QString();
}

QString SnakeParametersControl::FieldText(Field field) const
{
    switch (field) {
    case Reverse:
        return reverse->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    case Background:
        return QString::number(background->currentIndex());
    default:
        return edits[size_t(field)]->text();
    }
}

void SnakeParametersControl::SetFieldText(Field field, const QString& text)
{
    switch (field) {
    case Reverse:
        reverse->setChecked(text == QLatin1String("1"));
        break;
    case Background:
        background->setCurrentIndex(text.toInt());
        break;
    default:
        edits[size_t(field)]->setText(text);
        break;
    }
}

void SnakeParametersControl::StoreField(Field field) const
{
    // The toolkit's conversions answer 0 for text that is no number (or out of range).
    Settings::ActiveContours& ac = Settings::Values().activeContours;
    const QString text = FieldText(field);
    switch (field) {
    case MaxImages:
        ac.maxSlices = text.toUInt();
        break;
    case MaxIterations:
        ac.maxIter = text.toUShort();
        break;
    case Reverse:
        ac.isReversedirection = reverse->isChecked();
        break;
    case Spacing:
        ac.distance = ContourViews::ReadFloat(edits[Spacing]);
        break;
    case Shrinkage:
        ac.shrinkage = text.toInt();
        break;
    case Depth:
        ac.depth = text.toUInt();
        break;
    case Displacement:
        ac.disp = text.toUInt();
        break;
    case ThresholdMin:
        ac.thrMin = text.toUInt();
        break;
    case ThresholdMax:
        ac.thrMax = text.toUInt();
        break;
    case Background:
        ac.background = background->currentIndex();
        break;
    case FieldCount:
        break;
    }
}

void SnakeParametersControl::Refresh()
{
    for (int i = 0; i < FieldCount; ++i) {
        shown[size_t(i)] = SettingText(Field(i));
        SetFieldText(Field(i), shown[size_t(i)]);
    }
}

bool SnakeParametersControl::ApplyParameters()
{
    bool stored = false;
    for (int i = 0; i < FieldCount; ++i) {
        if (FieldText(Field(i)) != shown[size_t(i)]) {
            StoreField(Field(i));
            stored = true;
        }
    }
    if (stored) {
        SharedSnakeParams::UpdateFromSettings();
        Settings::WriteContourParameters();
    }
    // The fields now show what is stored (text that is no number as 0).
    Refresh();
    return stored;
}

void SnakeParametersControl::showEvent(QShowEvent* event)
{
    Refresh();
    Control::showEvent(event);
}

void SnakeParametersControl::hideEvent(QHideEvent* event)
{
    ApplyParameters();
    Control::hideEvent(event);
}
