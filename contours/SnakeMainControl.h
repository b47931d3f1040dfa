#pragma once

#include "views/Control.h"

#include <QPointer>
#include <QString>
#include <array>

class QLineEdit;
class QPushButton;
class SnakeSequence;

// The "Base controls" panel of a contour sequence: the four energy weights (application-wide
// settings, shown afresh whenever the panel is shown; hiding it or processing stores only the
// weights the user changed), the processing buttons and the delete buttons of the sequence.
class SnakeMainControl : public Control {
    Q_OBJECT
public:
    enum Weight { Alpha = 0, Beta = 1, Gamma = 2, Delta = 3 };
    enum Button { SingleStep = 0, ProcessImage = 1, ProcessStack = 2, DeleteFirst = 3, DeleteAll = 4, DeleteLast = 5 };

    explicit SnakeMainControl(SnakeSequence* sequence, QWidget* parent = nullptr);

    SnakeSequence* GetSequence() const;
    QLineEdit* GetWeightEdit(Weight weight) const { return weightEdits[weight]; }
    QPushButton* GetButton(Button button) const { return buttons[button]; }

    // Shows the current weights of the settings in the fields (also whenever the panel is shown).
    void Refresh();
    // Stores each weight whose field no longer shows what Refresh put there (text that is no
    // number counts as 0) in the settings and the shared contour parameters and writes the four
    // weights to the settings file; with no such field nothing is stored or written. The fields
    // show the settings afterwards. True when something was stored.
    bool ApplyEnergies();
    // The six buttons together; they act on the sequence's stack, so they are usable only with one.
    void SetButtonsEnabled(bool enabled);

public slots:
    void onAttach(LVXObjectWidget* stackWidget) override;
    void onDetach() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QPointer<SnakeSequence> sequence;
    std::array<QLineEdit*, 4> weightEdits{};
    std::array<QString, 4> shown; // what Refresh put in each weight field
    std::array<QPushButton*, 6> buttons{};
};
