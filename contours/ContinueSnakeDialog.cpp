#include "contours/ContinueSnakeDialog.h"

#include "contours/SnakeSequence.h"

#include <QMessageBox>

ContinueSnakeDialog::ContinueSnakeDialog(QWidget* parent, uint32_t start, uint32_t next,
    const std::vector<SnakeSequence*>& sequences, VariableImageStack* stack)
    : QMessageBox(
        QMessageBox::NoIcon, "Process stack", "Press OK to continue", QMessageBox::Ok | QMessageBox::Cancel, parent),
      start(start), next(next), stack(stack)
{
    setModal(false);
    setWindowModality(Qt::NonModal);
    for (SnakeSequence* sequence : sequences)
        this->sequences.emplace_back(sequence);
}

std::vector<SnakeSequence*> ContinueSnakeDialog::GetSequences() const
{
    std::vector<SnakeSequence*> result;
    for (const QPointer<SnakeSequence>& sequence : sequences)
        if (sequence)
            result.push_back(sequence.data());
    return result;
}
