#pragma once

#include <QString>

class App;
class LVXObjectWidget;

// What the controller does with image stacks: opening a TIFF file as a stack object.
namespace StackCommands {

// Remembers the file's folder as the last used one, opens the stack (an ImageStack when all
// pages share one size, else a VariableImageStack), registers it, creates its button and logs
// "Done". Returns the new button, or null when the file could not be opened (logged).
LVXObjectWidget* OpenTiff(App& app, const QString& path);

// "Scale" on a stack's button: asks for the factors and registers the scaled stack, named
// "Scaled " + the stack's name, with its own button next to the stack's.
void ScaleStack(App& app, LVXObjectWidget* stackWidget);

// Installs the stack actions of the context menu in the controller.
void RegisterStackActions(App& app);

// Opens the stack and shows it at once in a new slice view (files named on the command line).
LVXObjectWidget* OpenTiffInSliceView(App& app, const QString& path);

} // namespace StackCommands
