#pragma once

#include <QMessageBox>
#include <QPointer>

#include <cstdint>
#include <vector>

class SnakeSequence;
class VariableImageStack;

// The question between two slices of a stack run: "Press OK to continue" with OK and Cancel,
// shown without blocking the window. It carries the state of the run: the start slice, the index
// of the next round, the sequences taken when the run began (a sequence deleted meanwhile drops
// out) and the stack.
class ContinueSnakeDialog : public QMessageBox {
    Q_OBJECT
public:
    ContinueSnakeDialog(QWidget* parent, uint32_t start, uint32_t next, const std::vector<SnakeSequence*>& sequences,
        VariableImageStack* stack);

    uint32_t GetStart() const { return start; }
    uint32_t GetNext() const { return next; }
    VariableImageStack* GetStack() const { return stack; }
    // The sequences of the run that still exist, in their order.
    std::vector<SnakeSequence*> GetSequences() const;
    void ReleaseSequences() { sequences.clear(); }

private:
    uint32_t start;
    uint32_t next;
    std::vector<QPointer<SnakeSequence>> sequences;
    VariableImageStack* stack;
};
