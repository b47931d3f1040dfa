#pragma once

#include "surfaces/Surface.h"

class App;
class LVXObjectWidget;

// What the controller does with surfaces from their button's context menu.
namespace SurfaceCommands {

// Mirrors the surface of the button along the axis and redraws the main window. False when the
// button shows no surface.
bool FlipSurface(App& app, LVXObjectWidget* surfaceWidget, Surface::Axis axis);

// Installs the surface actions of the context menu in the controller ("Flip" > "X axis",
// "Y axis", "Z axis").
void RegisterSurfaceActions(App& app);

} // namespace SurfaceCommands
