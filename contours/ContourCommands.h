#pragma once

#include "model/LVX.h"

#include <QPoint>
#include <QString>

#include <cstdint>
#include <vector>

class App;
class ContinueSnakeDialog;
class ImageView;
class LVXObjectWidget;
class SimpleSurface;
class SnakeSequence;
class VariableImageStack;

// What the controller does with active contour sequences: the processing and delete commands
// of a sequence's panel (applied to every selected sequence, in the view of the current tab),
// new contours from a slice picture's context menu, opening record files, and meshing.
namespace ContourCommands {

// The selected objects of the main window that are contour sequences, in selection order.
std::vector<SnakeSequence*> SelectedSequences(App& app);

// "Single step": one pass over the selected sequences, then they are redrawn.
void ProcessStep(App& app);
// "Image": settles the selected sequences on the current slice.
void ProcessSlice(App& app);
// "Stack": starts a run through the stack at the end slice of the selected sequences, which must
// all lie in one plane (else a warning and nothing else). Each round settles one slice and asks
// with a ContinueSnakeDialog whether to go on.
void ProcessStack(App& app);
// The answer to a continue dialog: the dialog's place is remembered for the next one; OK runs
// the next round, anything else ends the run.
void AnswerContinueDialog(App& app, ContinueSnakeDialog* dialog, int result);

// "First" and "Last": asks how many contours to delete at that end of each selected sequence; a
// sequence left without contours is removed.
void DeleteFirst(App& app);
void DeleteLast(App& app);
// "Whole sequence": removes the selected sequences after the user confirms.
void DeleteSelected(App& app);

// "New active contour" of a slice picture: asks for size and spacing (both kept in the settings),
// then makes a sequence "Active contour<n>" (the next name number of contour sequences) with one
// circular contour about `imagePoint` on the view's slice of that plane, docked below the view's
// stack and checked. Null when cancelled, when a field does not read (a warning says why and
// nothing is stored), or when the view has no stack.
SnakeSequence* NewSequence(App& app, const QPoint& imagePoint, LVX::Orientation orientation, ImageView* view);

// Reads an active contour record: logged, registered, named after the file and given its own
// button on success; on failure the reason is logged and nothing is kept.
SnakeSequence* OpenSequence(App& app, const QString& path);

// "To simple surface": the triangulated sequence as a surface, registered, with its button, shown
// in the 3-D view.
SimpleSurface* ToSimpleSurface(App& app, LVXObjectWidget* sequenceWidget);

// Installs the contour actions of the context menu in the controller.
void RegisterContourActions(App& app);

} // namespace ContourCommands
