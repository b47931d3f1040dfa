#include "contours/SnakeMainControl.h"

#include "app/Resources.h"
#include "contours/ContourViews.h"
#include "contours/SharedSnakeParams.h"
#include "contours/SnakeSequence.h"
#include "model/Settings.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

// The icon of a weight, centred on a 36 x 24 pixmap.
QPixmap WeightPixmap(const QString& name)
{
    QPixmap pixmap(36, 24);
    pixmap.fill(Qt::transparent);
    const QPixmap icon = Resources::Pixmap(name);
    if (!icon.isNull()) {
        const QPixmap scaled = icon.scaled(pixmap.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QPainter painter(&pixmap);
        painter.drawPixmap((pixmap.width() - scaled.width()) / 2, (pixmap.height() - scaled.height()) / 2, scaled);
    }
    return pixmap;
}

// The width a push button needs to show its text in full: the text and the style's margins.
int TextWidth(const QPushButton* button)
{
    const QStyle* style = button->style();
    const int margin = style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button)
        + style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
    return button->fontMetrics().horizontalAdvance(button->text()) + 2 * margin;
}

} // namespace

SnakeMainControl::SnakeMainControl(SnakeSequence* sequence, QWidget* parent) : Control(parent), sequence(sequence)
{
    SetName(QStringLiteral("Base controls"));
    setObjectName(QStringLiteral("snakeMainControl"));
    auto* layout = new QVBoxLayout(this);

    auto* energies = new QGroupBox(QStringLiteral("Energies"), this);
    energies->setObjectName(QStringLiteral("energiesGroup"));
    auto* grid = new QGridLayout(energies);
    const char* names[] = {"alpha", "beta", "gamma", "delta"};
    for (int i = Alpha; i <= Delta; ++i) {
        const QString name = QString::fromLatin1(names[i]);
        auto* edit = new QLineEdit(energies);
        edit->setObjectName(name + QStringLiteral("Edit"));
        grid->addWidget(edit, 0, i + 1);
        weightEdits[size_t(i)] = edit;
        auto* icon = new QLabel(energies);
        icon->setObjectName(name + QStringLiteral("Icon"));
        icon->setPixmap(WeightPixmap(name + QStringLiteral(".png")));
        grid->addWidget(icon, 1, i + 1);
    }
    layout->addWidget(energies);

    struct ButtonInfo {
        const char* text;
        const char* objectName;
    };
    const ButtonInfo infos[]
        = {{"Single step", "singleStepButton"}, {"Image", "processImageButton"}, {"Stack", "processStackButton"},
            {"First", "deleteFirstButton"}, {"Whole sequence", "deleteAllButton"}, {"Last", "deleteLastButton"}};
    auto* process = new QGroupBox(QStringLiteral("Process contour"), this);
    process->setObjectName(QStringLiteral("processGroup"));
    auto* processLayout = new QHBoxLayout(process);
    auto* remove = new QGroupBox(QStringLiteral("Delete contours"), this);
    remove->setObjectName(QStringLiteral("deleteGroup"));
    auto* removeLayout = new QHBoxLayout(remove);
    for (int i = SingleStep; i <= DeleteLast; ++i) {
        QGroupBox* group = i <= ProcessStack ? process : remove;
        auto* button = new QPushButton(QString::fromLatin1(infos[i].text), group);
        button->setObjectName(QString::fromLatin1(infos[i].objectName));
        // The style asks for wider buttons than three in a row of the narrow control area have
        // room for; a button may give up that extra width, never room for its text.
        button->setMinimumWidth(TextWidth(button));
        (i <= ProcessStack ? processLayout : removeLayout)->addWidget(button);
        buttons[size_t(i)] = button;
    }
    layout->addWidget(process);
    layout->addWidget(remove);
    layout->addStretch();

    // Processing reads the weights, so the fields are applied before the sequence acts (Qt calls
    // the slots of one signal in the order of connection).
    for (int i = SingleStep; i <= ProcessStack; ++i)
        connect(buttons[size_t(i)], &QPushButton::clicked, this, &SnakeMainControl::ApplyEnergies);
    if (sequence) {
        connect(buttons[SingleStep], &QPushButton::clicked, sequence, &SnakeSequence::onProcessStep);
        connect(buttons[ProcessImage], &QPushButton::clicked, sequence, &SnakeSequence::onProcessSlice);
        connect(buttons[ProcessStack], &QPushButton::clicked, sequence, &SnakeSequence::onProcessStack);
        connect(buttons[DeleteFirst], &QPushButton::clicked, sequence, &SnakeSequence::onDeleteFirst);
        connect(buttons[DeleteAll], &QPushButton::clicked, sequence, &SnakeSequence::onDeleteSelected);
        connect(buttons[DeleteLast], &QPushButton::clicked, sequence, &SnakeSequence::onDeleteLast);
    }

    Refresh();
    SetButtonsEnabled(sequence && sequence->GetStack());
}

SnakeSequence* SnakeMainControl::GetSequence() const
{
    return sequence.data();
}

void SnakeMainControl::Refresh()
{
    const Settings::ActiveContours& ac = Settings::Values().activeContours;
    const float values[] = {ac.alpha, ac.beta, ac.gamma, ac.delta};
    for (size_t i = 0; i < weightEdits.size(); ++i) {
        shown[i] = ContourViews::FloatText(values[i]);
        weightEdits[i]->setText(shown[i]);
    }
}

bool SnakeMainControl::ApplyEnergies()
{
    Settings::ActiveContours& ac = Settings::Values().activeContours;
    float* targets[] = {&ac.alpha, &ac.beta, &ac.gamma, &ac.delta};
    bool stored = false;
    for (size_t i = 0; i < weightEdits.size(); ++i) {
        if (weightEdits[i]->text() != shown[i]) {
            *targets[i] = ContourViews::ReadFloat(weightEdits[i]);
            stored = true;
        }
    }
    if (stored) {
        SharedSnakeParams::UpdateFromSettings();
        Settings::WriteContourWeights();
    }
    // The fields now show what is stored (text that is no number as 0).
    Refresh();
    return stored;
}

void SnakeMainControl::SetButtonsEnabled(bool enabled)
{
    for (QPushButton* button : buttons)
        button->setEnabled(enabled);
}

void SnakeMainControl::onAttach(LVXObjectWidget* stackWidget)
{
    // The sequence may hear of its new stack only after its panels do.
    SetButtonsEnabled(stackWidget || (sequence && sequence->GetStack()));
}

void SnakeMainControl::onDetach()
{
    SetButtonsEnabled(false);
}

void SnakeMainControl::showEvent(QShowEvent* event)
{
    Refresh();
    Control::showEvent(event);
}

void SnakeMainControl::hideEvent(QHideEvent* event)
{
    ApplyEnergies();
    Control::hideEvent(event);
}
