#pragma once

#include "model/LVX.h"

#include <cstdint>
#include <vector>

class ImageView;
class LVXObject;
class LVXObjectWidget;
class SnakeSequence;
struct SliceImages;

// Driving active contours over the slices a view shows: one step of a contour, one pass over
// several sequences, settling on one slice, and one round of a run through the stack. Everything
// goes through the view's slice operations (GetIndex, GetSliceData, IsValidIndex, SetIndex) and
// its redraw operations, so the same code serves slice and tomogram views.
namespace ContourProcessing {

// The contour sequences docked to a stack, in docking order (newest first).
std::vector<SnakeSequence*> DockedSequences(const LVXObject* stack);

// One step of the contour of `sequence` on slice images.slice. The other sequences of the same
// plane among `stackSequences` (the stack's attachments) bar their contours on that slice; the
// threshold window of the settings bars pixels outside it; the contour of the neighbouring slice
// (the previous one when the direction is reversed, else the next one) pulls the nodes. A
// contour one slice beyond either end is created first. Returns whether the contour moved.
bool ProcessContourStep(
    SnakeSequence& sequence, const std::vector<SnakeSequence*>& stackSequences, const SliceImages& images);

// One pass over the sequences in order on the slice the view shows in each sequence's plane.
// Once a sequence has moved, the later ones of this pass are left alone. Sequences whose plane
// the view does not show are skipped. Returns whether a stepped sequence moved.
bool StepSequences(const std::vector<SnakeSequence*>& sequences, ImageView& view);

// Repaints the overlays of the sequences in the view.
void RedrawSequences(const std::vector<SnakeSequence*>& sequences, ImageView& view);

// Repeats StepSequences, redrawing after each pass, until a pass moves nothing or after
// `maxIter` passes (settings); nothing at all when maxIter is 0. Returns the number of passes.
unsigned IterateSlice(const std::vector<SnakeSequence*>& sequences, ImageView& view);

// The slice a stack run starts on: the first slice of the sequences when the direction is
// reversed, else their last slice (the smallest first slice, respectively the largest last
// slice, over the sequences that hold contours). False when the sequences lie in different
// planes or none of them holds a contour.
enum class StartResult { Ok, MixedOrientations, NoContours };
StartResult StackStartSlice(const std::vector<SnakeSequence*>& sequences, uint32_t* start);

// The slice of round k of a stack run from `start` (start - k when reversed, else start + k);
// negative when the run went below slice 0.
int64_t StackRunSlice(uint32_t start, uint32_t k);

// Round k of a stack run: stops (false) when k reached `maxSlices` or the slice is not in the
// view's range for the plane of the first sequence. Otherwise shows that slice, makes sure every
// sequence has a contour there (a shrunk copy of its end contour just beyond its end), settles
// the slice with IterateSlice and returns true; the caller then asks whether to go on.
bool ProcessStackSlice(const std::vector<SnakeSequence*>& sequences, ImageView& view, uint32_t start, uint32_t k);

} // namespace ContourProcessing
