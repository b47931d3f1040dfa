#pragma once

#include "views/Control.h"

#include <QPointer>
#include <array>

class QLineEdit;
class QPushButton;
class SnakeSequence;

// The "Base controls" panel of a contour sequence: the four energy weights (application-wide
// settings), the processing buttons and the delete buttons of the sequence.
class SnakeMainControl : public Control {
    Q_OBJECT
public:
    enum Weight { Alpha = 0, Beta = 1, Gamma = 2, Delta = 3 };
    enum Button { SingleStep = 0, ProcessImage = 1, ProcessStack = 2, DeleteFirst = 3, DeleteAll = 4, DeleteLast = 5 };

    explicit SnakeMainControl(SnakeSequence* sequence, QWidget* parent = nullptr);

    SnakeSequence* GetSequence() const;
    QLineEdit* GetWeightEdit(Weight weight) const { return weightEdits[weight]; }
    QPushButton* GetButton(Button button) const { return buttons[button]; }

    // Shows the current weights of the settings in the fields.
    void Refresh();
    // Reads the four fields (text that is no number counts as 0), stores them in the settings and
    // the shared contour parameters, and writes them to the settings file.
    void ApplyEnergies();
    // The six buttons together; they act on the sequence's stack, so they are usable only with one.
    void SetButtonsEnabled(bool enabled);

public slots:
    void onAttach(LVXObjectWidget* stackWidget) override;
    void onDetach() override;

protected:
    void hideEvent(QHideEvent* event) override;

private:
    QPointer<SnakeSequence> sequence;
    std::array<QLineEdit*, 4> weightEdits{};
    std::array<QPushButton*, 6> buttons{};
};
