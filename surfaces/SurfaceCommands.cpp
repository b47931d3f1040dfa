#include "surfaces/SurfaceCommands.h"

#include "app/App.h"
#include "ui/LVXObjectWidget.h"
#include "ui/LumivoxWnd.h"

namespace SurfaceCommands {

bool FlipSurface(App& app, LVXObjectWidget* surfaceWidget, Surface::Axis axis)
{
    auto* surface = surfaceWidget ? dynamic_cast<Surface*>(surfaceWidget->GetObject()) : nullptr;
    if (!surface)
        return false;
    surface->Flip(axis);
    if (LumivoxWnd* window = app.GetWindow())
        window->Redraw();
    return true;
}

void RegisterSurfaceActions(App& app)
{
    const std::pair<LVX::MenuAction, Surface::Axis> flips[]
        = {{LVX::FlipX, Surface::AxisX}, {LVX::FlipY, Surface::AxisY}, {LVX::FlipZ, Surface::AxisZ}};
    for (const auto& [action, axis] : flips)
        app.SetMenuHandler(action, [&app, axis = axis](LVXObjectWidget* sender) { FlipSurface(app, sender, axis); });
}

} // namespace SurfaceCommands
