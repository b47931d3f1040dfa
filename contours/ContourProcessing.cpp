#include "contours/ContourProcessing.h"

#include "BoolImage.h"
#include "contours/SnakeSequence.h"
#include "model/Settings.h"
#include "stacks/SliceImages.h"
#include "ui/LVXObjectWidget.h"
#include "views/ImageView.h"

#include <algorithm>
#include <memory>

namespace ContourProcessing {

std::vector<SnakeSequence*> DockedSequences(const LVXObject* stack)
{
    std::vector<SnakeSequence*> result;
    if (!stack)
        return result;
    for (LVXObject* docked : stack->GetAttachments())
        if (auto* sequence = dynamic_cast<SnakeSequence*>(docked))
            result.push_back(sequence);
    return result;
}

bool ProcessContourStep(
    SnakeSequence& sequence, const std::vector<SnakeSequence*>& stackSequences, const SliceImages& images)
{
    if (!images.IsValid())
        return false;
    const uint32_t n = images.slice;
    const Settings::ActiveContours& settings = Settings::Values().activeContours;

    // The contours of the other sequences of this plane on this slice are out of bounds.
    std::vector<const Snake*> others;
    for (const SnakeSequence* other : stackSequences) {
        if (!other || other == &sequence || other->GetOrientation() != sequence.GetOrientation())
            continue;
        if (const Snake* snake = other->GetSnake(n))
            others.push_back(snake);
    }
    std::unique_ptr<BoolImage> mask = Snake::Mask(others, images.image->width, images.image->height, true);
    if (mask)
        mask->DrawThresholdMask(*images.image, settings.thrMin, settings.thrMax, 1, 1);

    const Snake* neighbour = settings.isReversedirection ? (n > 0 ? sequence.GetSnake(n - 1) : nullptr)
                                                         : (n < UINT32_MAX ? sequence.GetSnake(n + 1) : nullptr);
    Snake* snake = sequence.GetOrCreateSnake(n);
    if (!snake)
        return false;
    snake->Step(*images.ddx, *images.ddy, mask.get(), neighbour);
    return snake->GetIsMoved();
}

bool StepSequences(const std::vector<SnakeSequence*>& sequences, ImageView& view)
{
    const std::vector<SnakeSequence*> stackSequences
        = DockedSequences(view.GetBoundWidget() ? view.GetBoundWidget()->GetObject() : nullptr);
    bool moved = false;
    for (SnakeSequence* sequence : sequences) {
        // Once one has moved, the rest of the pass is left alone (no images needed either).
        if (!sequence || moved)
            continue;
        // Images across the stack are built for this call and go with the record.
        const SliceImages images = view.GetSliceData(sequence->GetOrientation());
        if (images.IsValid())
            moved = ProcessContourStep(*sequence, stackSequences, images);
    }
    return moved;
}

void RedrawSequences(const std::vector<SnakeSequence*>& sequences, ImageView& view)
{
    for (SnakeSequence* sequence : sequences)
        if (sequence)
            view.RefreshOverlay(sequence);
}

unsigned IterateSlice(const std::vector<SnakeSequence*>& sequences, ImageView& view)
{
    const unsigned maxIter = Settings::Values().activeContours.maxIter;
    unsigned passes = 0;
    while (passes < maxIter) {
        const bool moved = StepSequences(sequences, view);
        ++passes;
        RedrawSequences(sequences, view);
        if (!moved)
            break;
    }
    return passes;
}

StartResult StackStartSlice(const std::vector<SnakeSequence*>& sequences, uint32_t* start)
{
    const bool reversed = Settings::Values().activeContours.isReversedirection;
    const SnakeSequence* first = nullptr;
    bool found = false;
    uint32_t slice = 0;
    for (const SnakeSequence* sequence : sequences) {
        if (!sequence)
            continue;
        if (!first)
            first = sequence;
        else if (sequence->GetOrientation() != first->GetOrientation())
            return StartResult::MixedOrientations;
        if (sequence->IsEmpty())
            continue;
        const uint32_t end
            = reversed ? sequence->GetFirstSlice() : sequence->GetFirstSlice() + sequence->GetCount() - 1;
        slice = !found ? end : (reversed ? std::min(slice, end) : std::max(slice, end));
        found = true;
    }
    if (!found)
        return StartResult::NoContours;
    if (start)
        *start = slice;
    return StartResult::Ok;
}

int64_t StackRunSlice(uint32_t start, uint32_t k)
{
    return Settings::Values().activeContours.isReversedirection ? int64_t(start) - int64_t(k)
                                                                : int64_t(start) + int64_t(k);
}

bool ProcessStackSlice(const std::vector<SnakeSequence*>& sequences, ImageView& view, uint32_t start, uint32_t k)
{
    if (k >= Settings::Values().activeContours.maxSlices)
        return false;
    const auto first = std::find_if(sequences.begin(), sequences.end(), [](SnakeSequence* s) { return s != nullptr; });
    if (first == sequences.end())
        return false;
    const LVX::Orientation orientation = (*first)->GetOrientation();
    const int64_t slice = StackRunSlice(start, k);
    if (slice < 0 || slice > INT32_MAX || !view.IsValidIndex(int(slice), orientation))
        return false;
    view.SetIndex(int(slice), orientation);
    for (SnakeSequence* sequence : sequences)
        if (sequence)
            sequence->GetOrCreateSnake(uint32_t(slice));
    IterateSlice(sequences, view);
    return true;
}

} // namespace ContourProcessing
